// A write to the mouse as the worker carries it out: a consistent copy of
// the configuration taken on the window's thread when the write is asked
// for, the worker's write from that copy alone, and the identities the mouse
// gave to new profiles and macros, handed back on the window's thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "device/DeviceService.h"
#include "device/DeviceSettings.h"
#include "device/ProfileTransfer.h"
#include "macro/Macro.h"
#include "model/MouseConfig.h"
#include "model/MouseDevice.h"
#include "model/MouseProfile.h"

namespace devlink {

// Shared by the link and its worker, so a worker that outlives the link's
// wait at destruction touches nothing that is gone.
struct WorkerState {
    std::atomic<bool> busy{false};
    std::atomic<bool> lastResult{false};
};

struct WriteJob {
    std::shared_ptr<WorkerState> state;
    uint32_t product = 0;
    uint32_t sections = 0;
    DWORD settleDelay = 0;
    DeviceCaps caps;
    std::vector<std::unique_ptr<CMouseProfile>> profiles;
    int32_t current = -1;  // index into profiles
    std::vector<CMacro> macros;
    DeviceSettings settings;

    // What the link read from the mouse: its revision (0 when the service
    // keeps none) and the profiles and macros it saw. The write removes
    // only those of them the configuration no longer has; whatever another
    // program added stays.
    uint32_t revisionRead = 0;
    bool overChanges = false;  // write although the revision moved on
    std::vector<GUID> knownProfiles;
    std::vector<GUID> knownMacros;
    DeviceLimits limits;
    // Identities the write gave anew to profiles and macros that already had
    // one (written over another program's changes): old, new.
    std::vector<std::pair<GUID, GUID>> replacedIds;

    // Where the copies came from, and the identities they had then; only
    // the window's thread looks at these.
    CMouseConfig* config = nullptr;
    std::vector<uint64_t> profileSerials;
    std::vector<GUID> profileIdsAsked;
    std::vector<const CMacro*> macroOrigins;
    std::vector<GUID> macroIdsAsked;

    // Told when the write has ended: message(result, 0).
    HWND notifyWindow = nullptr;
    UINT notifyMessage = 0;

    // A backup of the whole mouse to keep before writing: the folder under
    // which it takes a dated folder of its own; empty for none. The worker
    // reports into `backup`.
    std::wstring backupRoot;
    BackupReport backup;

    // Set by the worker before it clears busy.
    bool ok = false;
    bool reached = false;  // the worker found the mouse
    WriteOutcome outcome = WriteOutcome::kFailed;
    // What the mouse holds after the write, read back on the worker, and
    // its revision then.
    std::unique_ptr<CMouseConfig> readBack;
    uint32_t revisionAfter = 0;
};

// The copy; may throw std::bad_alloc.
std::unique_ptr<WriteJob> TakeSnapshot(CMouseConfig& config, uint32_t sections);

// The worker's whole write on an open device: the limits checked against
// what the mouse holds (kRefused before anything changes), the profiles and
// macros the user deleted removed, new ones created, then the sections.
WriteOutcome WriteAll(devsvc::IDevice* device, WriteJob& job);

// On the window's thread, once the worker has ended: every profile and macro
// that is still in the configuration and still carries the identity it had
// when the write was asked for takes the identity the mouse holds it under.
void ApplyIdentities(const WriteJob& job);

}  // namespace devlink
