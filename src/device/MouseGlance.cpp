#include "device/MouseGlance.h"

#include <algorithm>
#include <cwchar>

#include "device/Collections.h"
#include "device/ProfileTransfer.h"
#include "model/MouseProfile.h"

using win::ComPtr;

namespace devlink {
namespace {

// The profiles collection of a mouse that answers; null otherwise.
bool OpenProfiles(uint32_t product, Link& link, ComPtr<devsvc::IDeviceProfiles>& profiles) {
    return OpenLink(product, link) && GetFeature(link.device.get(), devsvc::kIidProfiles, profiles);
}

// The name of the change signal, read from any profile; empty when the
// service names none.
std::wstring ChangeSignalOf(devsvc::IDeviceProfile* profile) {
    ComPtr<devsvc::IProperties> props;
    if (!GetFeature(profile, devsvc::kIidProperties, props))
        return {};
    constexpr ULONG kMaxChars = 256;
    auto block = TaskArray<wchar_t>(kMaxChars);
    ULONG size = kMaxChars * sizeof(wchar_t);
    if (!block || FAILED(props->Get(devsvc::kPropertyChangeSignal, 0, reinterpret_cast<BYTE*>(block.get()), 0, &size)))
        return {};
    const size_t chars = std::min<size_t>(size / sizeof(wchar_t), kMaxChars);
    return std::wstring(block.get(), wcsnlen(block.get(), chars));
}

bool ReadStage(devsvc::IDeviceProfile* profile, MouseGlance& out) {
    ComPtr<devsvc::ISensitivity> sensitivity;
    if (!GetFeature(profile, devsvc::kIidSensitivity, sensitivity))
        return false;
    ULONG count = 0;
    win::CoTaskMemOut<devsvc::StagePair> pairs;
    ULONG stage = 0;
    LONG x = 0, y = 0;
    if (FAILED(sensitivity->Stages(&count, pairs.put())) || FAILED(sensitivity->ActiveStage(&stage)) ||
        FAILED(sensitivity->Current(&x, &y)))
        return false;
    out.stageCount = count;
    out.stage = stage;
    out.sensitivity = std::min(x, y);
    return true;
}

Outcome Failure(const Link& link) {
    return link.device ? Outcome::kFailed : Outcome::kNoMouse;
}

}  // namespace

Outcome ReadGlance(uint32_t product, MouseGlance& out) {
    Link link;
    ComPtr<devsvc::IDeviceProfiles> profiles;
    if (!OpenProfiles(product, link, profiles))
        return Failure(link);
    MouseGlance glance;
    glance.revision = link.revision;
    bool ok = true;
    const ULONG walked = ForEachItem<devsvc::IDeviceProfile>(profiles.get(), [&](devsvc::IDeviceProfile* item, ULONG) {
        CMouseProfile profile;
        if (!ReadProperties(item, profile)) {
            ok = false;
            return false;
        }
        ProfileGlance p;
        p.id = profile.GetId();
        p.name = profile.GetName();
        p.programPath = profile.GetProgramPath();
        p.autoSwitch = profile.GetAutoSwitch();
        p.dpiDisplay = profile.GetDpiOsd();
        p.profileDisplay = profile.GetProfileOsd();
        glance.profiles.push_back(std::move(p));
        if (glance.changeSignal.empty())
            glance.changeSignal = ChangeSignalOf(item);
        return true;
    });
    // The end of the collection is only a failing Item: a second count must agree.
    if (!ok || walked != glance.profiles.size() || CountItems<devsvc::IDeviceProfile>(profiles.get()) != walked)
        return Outcome::kFailed;
    if (!glance.profiles.empty()) {
        ComPtr<devsvc::IDeviceProfile> active;
        GUID id = {};
        if (FAILED(profiles->Active(active.put())) || !active || FAILED(active->Id(&id)) || !ReadStage(active.get(), glance))
            return Outcome::kFailed;
        for (size_t i = 0; i < glance.profiles.size(); ++i) {
            if (glance.profiles[i].id == id)
                glance.active = static_cast<int>(i);
        }
    }
    out = std::move(glance);
    return Outcome::kDone;
}

Outcome ActivateProfile(uint32_t product, const GUID& id) {
    Link link;
    ComPtr<devsvc::IDeviceProfiles> profiles;
    if (!OpenProfiles(product, link, profiles))
        return Failure(link);
    ComPtr<devsvc::IDeviceProfile> profile;
    if (FAILED(profiles->Find(id, profile.put())) || !profile) {
        // The contract names no error for an unknown identity: a whole walk
        // that does not meet it says the profile is gone.
        profile.reset();
        bool complete = true;
        const ULONG walked = ForEachItem<devsvc::IDeviceProfile>(profiles.get(), [&](devsvc::IDeviceProfile* item, ULONG) {
            GUID itemId = {};
            if (FAILED(item->Id(&itemId))) {
                complete = false;
                return false;
            }
            if (itemId != id)
                return true;
            item->AddRef();
            profile = ComPtr<devsvc::IDeviceProfile>::Attach(item);
            return false;
        });
        if (!profile)
            return complete && CountItems<devsvc::IDeviceProfile>(profiles.get()) == walked ? Outcome::kNotFound
                                                                                              : Outcome::kFailed;
    }
    return SUCCEEDED(profiles->SetActive(profile.get())) ? Outcome::kDone : Outcome::kFailed;
}

uint32_t StageAfter(MouseButton button, uint32_t current, uint32_t count) {
    if (count == 0 || current == 0)
        return current;
    switch (button) {
        case MouseButton::kStageUp:
            return current < count ? current + 1 : current;
        case MouseButton::kStageDown:
            return current > 1 ? current - 1 : current;
        case MouseButton::kStageCycle:
            return current < count ? current + 1 : 1;
        default:
            return current;
    }
}

int ProfileAfter(MouseButton button, int current, int count) {
    if (count <= 0 || current < 0)
        return current;
    if (button == MouseButton::kProfileNext)
        return (current + 1) % count;
    if (button == MouseButton::kProfilePrevious)
        return (current + count - 1) % count;
    return current;
}

Outcome PressButton(uint32_t product, MouseButton button) {
    Link link;
    ComPtr<devsvc::IDeviceProfiles> profiles;
    if (!OpenProfiles(product, link, profiles))
        return Failure(link);
    ComPtr<devsvc::IDeviceProfile> active;
    GUID activeId = {};
    if (FAILED(profiles->Active(active.put())) || !active || FAILED(active->Id(&activeId)))
        return Outcome::kFailed;
    if (button == MouseButton::kProfileNext || button == MouseButton::kProfilePrevious) {
        std::vector<GUID> ids;
        const ULONG walked = ForEachItem<devsvc::IDeviceProfile>(profiles.get(), [&](devsvc::IDeviceProfile* item, ULONG) {
            GUID id = {};
            if (FAILED(item->Id(&id)))
                return false;
            ids.push_back(id);
            return true;
        });
        if (walked != ids.size() || CountItems<devsvc::IDeviceProfile>(profiles.get()) != walked)
            return Outcome::kFailed;
        int current = -1;
        for (size_t i = 0; i < ids.size(); ++i) {
            if (ids[i] == activeId)
                current = static_cast<int>(i);
        }
        const int next = ProfileAfter(button, current, static_cast<int>(ids.size()));
        if (current < 0)
            return Outcome::kFailed;
        if (next == current)
            return Outcome::kUnchanged;
        ComPtr<devsvc::IDeviceProfile> target;
        if (FAILED(profiles->Item(static_cast<ULONG>(next), target.put())) || !target)
            return Outcome::kFailed;
        return SUCCEEDED(profiles->SetActive(target.get())) ? Outcome::kDone : Outcome::kFailed;
    }
    ComPtr<devsvc::ISensitivity> sensitivity;
    if (!GetFeature(active.get(), devsvc::kIidSensitivity, sensitivity))
        return Outcome::kFailed;
    ULONG count = 0;
    win::CoTaskMemOut<devsvc::StagePair> pairs;
    ULONG stage = 0;
    if (FAILED(sensitivity->Stages(&count, pairs.put())) || FAILED(sensitivity->ActiveStage(&stage)))
        return Outcome::kFailed;
    const uint32_t next = StageAfter(button, stage, count);
    if (next == stage)
        return Outcome::kUnchanged;
    return SUCCEEDED(sensitivity->SetActiveStage(next)) ? Outcome::kDone : Outcome::kFailed;
}

}  // namespace devlink
