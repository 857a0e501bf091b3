// The companion's link to the mouse: a worker thread that reads the mouse
// whenever the service signals a committed change (a slow poll where the
// service names no signal, or while the mouse cannot be read) and makes the
// profile changes the window asks for, so that a busy or slow mouse never
// holds the window up. Reports reach the window as a posted message; the
// window then takes the latest one.
#pragma once

#include <windows.h>

#include <cstdint>
#include <mutex>

#include "device/MouseGlance.h"
#include "win/Handles.h"

namespace tray {

class MouseWatcher {
public:
    // Without a change signal, or while the mouse cannot be read: a read
    // every 2 s. With one: a look every 30 s all the same, for a mouse
    // that went away without a commit.
    static constexpr DWORD kPollMs = 2000;
    static constexpr DWORD kHealthCheckMs = 30000;
    // A refused activation is tried again at the next poll, this many times in all.
    static constexpr int kActivationTries = 3;

    struct Report {
        devlink::Outcome outcome = devlink::Outcome::kNoMouse;
        devlink::MouseGlance glance;  // valid when outcome is kDone
        uint64_t handled = 0;         // the last activation made or given up
        bool activationFailed = false;  // the newest activation was refused and is tried again
    };

    MouseWatcher(uint32_t product, HWND notify, UINT message);
    MouseWatcher(const MouseWatcher&) = delete;
    MouseWatcher& operator=(const MouseWatcher&) = delete;
    ~MouseWatcher();  // stops the worker and waits for it

    bool Start();
    void Stop();
    // Queues an activation (replacing one not yet made); returns its number.
    uint64_t Activate(const GUID& profile);
    // Reads the mouse again soon (a device change, a resume).
    void Refresh();
    // The newest report since the last Take; false when there is none.
    bool Take(Report& out);

    // Tests and benchmarks: reads made so far.
    uint64_t Reads() const;

private:
    static DWORD WINAPI Main(void* self) noexcept;
    void Run();
    void Publish(Report report);

    const uint32_t m_product;
    const HWND m_notify;
    const UINT m_message;
    win::UniqueHandle m_wake;  // auto-reset: a request or the end
    win::UniqueHandle m_thread;
    mutable std::mutex m_mutex;
    // under m_mutex
    bool m_stop = false;
    bool m_refresh = false;
    bool m_hasActivation = false;
    GUID m_activation = {};
    uint64_t m_activationNumber = 0;
    uint64_t m_lastNumber = 0;
    int m_failedTries = 0;
    bool m_hasReport = false;
    Report m_report;
    uint64_t m_reads = 0;
};

// Whether two glances show the same mouse.
bool SameGlance(const devlink::MouseGlance& a, const devlink::MouseGlance& b);

}  // namespace tray
