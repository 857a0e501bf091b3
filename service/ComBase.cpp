#include "ComBase.h"

#include "EmulatedService.h"

namespace tarnsvc {
namespace {

std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

}  // namespace

void ObjectCreated() noexcept {
    g_objects.fetch_add(1);
}
void ObjectDestroyed() noexcept {
    g_objects.fetch_sub(1);
}

void LockModule(bool lock) noexcept {
    if (lock)
        g_locks.fetch_add(1);
    else
        g_locks.fetch_sub(1);
}

bool CanUnloadModule() noexcept {
    return g_objects.load() == 0 && g_locks.load() <= 0;
}

}  // namespace tarnsvc
