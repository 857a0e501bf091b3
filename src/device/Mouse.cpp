#include "device/Mouse.h"

#include <algorithm>
#include <new>
#include <utility>

#include "device/Collections.h"
#include "device/DeviceSettings.h"
#include "device/MacroTransfer.h"
#include "device/MouseGlance.h"
#include "device/Records.h"
#include "device/WriteJob.h"
#include "macro/Macro.h"
#include "model/MouseConfig.h"
#include "model/VellConfig.h"

using devlink::GetFeature;
using devlink::IsNull;
using devlink::OpenLink;
using devlink::ReadName;
using win::ComPtr;

namespace {

// The mouse's revision now; 0 when it cannot be read or the service keeps none.
uint32_t RevisionOf(devsvc::IDevice* device) {
    devsvc::InfoRecord info = {};
    const HRESULT hr = device->Info(&info);
    CoTaskMemFree(info.text);
    return SUCCEEDED(hr) ? info.reserved : 0;
}

std::vector<GUID> ProfileIdsOf(const CMouseConfig& config) {
    std::vector<GUID> ids;
    for (int32_t i = 0; i < config.GetProfileCount(); ++i) {
        const GUID id = const_cast<CMouseConfig&>(config).ProfileAt(i)->GetId();
        if (!IsNull(id))
            ids.push_back(id);
    }
    return ids;
}

std::vector<GUID> MacroIdsOf(const CMouseConfig& config) {
    std::vector<GUID> ids;
    for (int32_t i = 0; i < config.GetMacroCount(); ++i) {
        const CMacro* macro = const_cast<CMouseConfig&>(config).MacroAt(i);
        if (macro->HasId())
            ids.push_back(macro->Id());
    }
    return ids;
}

}  // namespace

CMouse::CMouse() : m_state(std::make_shared<devlink::WorkerState>()) {}

CMouse::~CMouse() {
    if (m_worker) {
        // A write that takes longer is left to finish on its own state.
        WaitForSingleObject(m_worker.get(), kDestroyWaitMs);
        m_worker.reset();
    }
    m_job.reset();
    Reset();
}

bool CMouse::Connect() {
    if (IsBusy() || m_product == 0 || m_link.device)
        return false;
    m_found = OpenLink(m_product, m_link) ? 1 : 0;
    return m_found != 0;
}

bool CMouse::Initialize(CMouseConfig* config, const uint16_t* productId) {
    m_product = productId ? *productId : 0;
    m_caps = {};
    m_pollingIntervals.clear();
    if (!Connect())
        return false;
    bool ok = true;
    devsvc::InfoRecord info = {};
    const HRESULT hr = m_link.device->Info(&info);
    CoTaskMemFree(info.text);
    if (SUCCEEDED(hr)) {
        m_firmwareVersion = records::VersionText(info.firmwareMajor, info.firmwareMinor);
        m_driverVersion = records::VersionText(info.driverMajor, info.driverMinor);
    } else {
        ok = false;
    }
    if (!config || !ReadProfileList(*config))
        ok = false;
    if (config)
        config->SetAccelerationRange(1, 10);
    if (!ReadPollingIntervals())
        ok = false;
    Disconnect();
    return ok && m_found != 0;
}

// Lists the device's profiles in the configuration. A profile whose name,
// identity or limits cannot be read is still listed as far as it was read;
// the list fails only when the last profile's limits or the capabilities
// could not be read. A profile listed without its identity makes the later
// read (ReadSections) fail, as it cannot be matched with the mouse's.
bool CMouse::ReadProfileList(CMouseConfig& config) {
    ComPtr<devsvc::IDeviceProfiles> profiles;
    if (!GetFeature(m_link.device.get(), devsvc::kIidProfiles, profiles))
        return false;
    config.ClearProfiles();
    m_limits = devlink::ReadDeviceLimits(profiles.get());
    bool lastLimits = false;
    devlink::ForEachItem<devsvc::IDeviceProfile>(profiles.get(), [&](devsvc::IDeviceProfile* device, ULONG) {
        std::wstring name;
        ReadName(device, name);
        CMouseProfile* profile = config.CreateProfile(name.c_str());
        GUID id = {};
        if (SUCCEEDED(device->Id(&id)))
            profile->SetId(id);
        lastLimits = devlink::ReadLimits(device, *profile);
        return true;
    });
    // A mouse that holds no profile is still a mouse: the window starts it
    // from the factory profile, and the write that creates that profile
    // learns the buttons and keys from it.
    if (config.GetProfileCount() == 0)
        return devlink::CountItems<devsvc::IDeviceProfile>(profiles.get()) == 0;
    // The button bits and key ids that every later write depends on.
    const bool caps = devlink::ReadCapabilities(profiles.get(), m_caps);
    return lastLimits && caps;
}

bool CMouse::ReadPollingIntervals() {
    ComPtr<devsvc::IPolling> polling;
    ULONG count = 0;
    win::CoTaskMemOut<ULONG> intervals;
    if (!GetFeature(m_link.device.get(), devsvc::kIidPolling, polling) ||
        FAILED(polling->Supported(&count, intervals.put())) || (count > 0 && !intervals.get()))
        return false;
    const size_t held = win::CoTaskMemSize(intervals.get()) / sizeof(ULONG);
    const size_t n = std::min<size_t>({count, held, devlink::kRecordLimit});
    m_pollingIntervals.assign(intervals.get(), intervals.get() + n);
    return true;
}

void CMouse::Reset() {
    Disconnect();
    m_found = 0;
    m_caps = {};
    m_pollingIntervals.clear();
}

int CMouse::GetPollingRateCount() {
    return static_cast<int>(m_pollingIntervals.size());
}

int CMouse::GetPollingRate(int index) {
    if (index < 0 || static_cast<size_t>(index) >= m_pollingIntervals.size())
        return 0;
    return static_cast<int>(m_pollingIntervals[static_cast<size_t>(index)]);
}

int CMouse::GetMaxProfiles() {
    return records::kMaxProfiles;
}

int CMouse::GetDeviceProfileCount() {
    if (!Connect())
        return 0;
    ULONG count = 0;
    ComPtr<devsvc::IDeviceProfiles> profiles;
    if (GetFeature(m_link.device.get(), devsvc::kIidProfiles, profiles))
        count = devlink::CountItems<devsvc::IDeviceProfile>(profiles.get());
    Disconnect();
    return static_cast<int>(count);
}

bool CMouse::IsBusy() {
    if (m_state->busy.load())
        return true;
    CollectWrite();
    return false;
}

bool CMouse::Synchronize(CMouseConfig* config, SyncDirection direction, uint32_t sections) {
    if (!config)
        return false;
    if (direction == SyncDirection::Write)
        return StartWrite(*config, sections);
    if (direction != SyncDirection::Read || !Connect())
        return false;
    const uint32_t revision = m_link.revision;
    const bool ok = ReadSections(*config, sections);
    Disconnect();
    // What a whole read saw is what the next write may remove; after a
    // read that failed, nothing.
    if (ok && sections == kSectionsAll) {
        m_revision = revision;
        RememberMouse(*config);
    } else if (!ok) {
        m_revision = 0;
        m_knownProfiles.clear();
        m_knownMacros.clear();
    }
    return ok;
}

bool CMouse::ReadSections(CMouseConfig& config, uint32_t sections) {
    devsvc::IDevice* device = m_link.device.get();
    ComPtr<devsvc::IDeviceProfiles> profiles;
    if (!GetFeature(device, devsvc::kIidProfiles, profiles))
        return false;
    GUID activeId = {};
    bool activeRead = false;
    {
        ComPtr<devsvc::IDeviceProfile> active;
        activeRead = SUCCEEDED(profiles->Active(active.put())) && active && SUCCEEDED(active->Id(&activeId));
        if (!activeRead)
            activeId = GUID{};
    }
    // A failed section fails the read; the other profiles and sections are
    // still read.
    bool ok = true;
    std::vector<const CMouseProfile*> matched;
    const ULONG walked =
        devlink::ForEachItem<devsvc::IDeviceProfile>(profiles.get(), [&](devsvc::IDeviceProfile* target, ULONG) {
            GUID id = {};
            if (FAILED(target->Id(&id))) {
                ok = false;
                return true;
            }
            CMouseProfile* profile = IsNull(id) ? nullptr : config.FindById(id);
            if (!profile) {
                // A profile of the mouse that the list does not hold (say its
                // identity could not be read when the list was made): the
                // configuration is not the mouse's, and a write from it would
                // replace that profile.
                ok = false;
                return true;
            }
            matched.push_back(profile);
            if (!IsNull(activeId) && id == activeId)
                config.SetCurrentProfile(profile);
            ok = devlink::ReadProperties(target, *profile) && ok;
            bool chain = true;
            if (sections & kSectionSensitivity)
                chain = devlink::ReadSensitivity(target, *profile);
            if (chain && (sections & kSectionAssignments))
                chain = devlink::ReadAssignments(target, *profile, m_caps);
            if (chain && (sections & kSectionLights))
                chain = devlink::ReadLights(target, *profile);
            ok = chain && ok;
            return true;
        });
    ok = devlink::CountItems<devsvc::IDeviceProfile>(profiles.get()) == walked && ok;
    // A mouse with profiles has an active one; not knowing which would make
    // another profile the current one, and the next write would switch the
    // mouse to it.
    if (walked > 0 && !activeRead)
        ok = false;
    // Every listed profile must have been found on the mouse and read.
    for (int32_t i = 0; i < config.GetProfileCount(); ++i) {
        if (std::find(matched.begin(), matched.end(), config.ProfileAt(i)) == matched.end())
            ok = false;
    }
    if (sections & kSectionAcceleration)
        ok = devlink::ReadAcceleration(device, config) && ok;
    if (sections & kSectionPolling)
        ok = devlink::ReadPolling(device, config) && ok;
    if (sections & kSectionMacros)
        ok = devlink::ReadMacros(device, config) && ok;
    if ((sections & kSectionColourRanges) && m_product == records::kProductWithColourRanges)
        ok = devlink::ReadColourRanges(device, config) && ok;
    return ok;
}

// ---- writing ----------------------------------------------------------------

void CMouse::RememberMouse(const CMouseConfig& config) {
    m_knownProfiles = ProfileIdsOf(config);
    m_knownMacros = MacroIdsOf(config);
}

void CMouse::NoteOwnChange(const GUID* profile, const GUID* macro) {
    // Our own change moves the revision on; a change of another program's
    // before it is still there to be noticed.
    if (m_revision != 0 && m_link.revision == m_revision)
        m_revision = RevisionOf(m_link.device.get());
    if (profile)
        m_knownProfiles.push_back(*profile);
    if (macro)
        m_knownMacros.push_back(*macro);
}

bool CMouse::StartWrite(CMouseConfig& config, uint32_t sections) {
    if (IsBusy() || m_product == 0)
        return false;
    // After a connection that failed, the mouse is looked for again: a
    // write is never refused on an old answer.
    if (!m_found) {
        if (!Connect())
            return false;
        Disconnect();
    }
    // More profiles than the mouse holds could never be written.
    if (config.GetProfileCount() > m_limits.profiles)
        return false;
    try {
        std::shared_ptr<devlink::WriteJob> job = devlink::TakeSnapshot(config, sections);
        job->state = m_state;
        job->product = m_product;
        job->settleDelay = m_settleDelay;
        job->caps = m_caps;
        job->notifyWindow = m_notifyWindow;
        job->notifyMessage = m_notifyMessage;
        job->backupRoot = m_backupRoot;
        job->backup.asked = !m_backupRoot.empty();
        job->revisionRead = m_revision;
        job->overChanges = m_overChanges;
        job->knownProfiles = m_knownProfiles;
        job->knownMacros = m_knownMacros;
        job->limits = m_limits;
        auto param = std::make_unique<std::shared_ptr<devlink::WriteJob>>(job);

        m_worker.reset();
        m_state->busy = true;
        HANDLE thread = CreateThread(nullptr, 0, &CMouse::WorkerMain, param.get(), 0, nullptr);
        if (!thread) {
            m_state->busy = false;
            return false;
        }
        param.release();  // the worker owns it now
        m_backupRoot.clear();
        m_overChanges = false;
        m_worker.reset(thread);
        m_job = std::move(job);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

DWORD WINAPI CMouse::WorkerMain(void* param) noexcept {
    std::unique_ptr<std::shared_ptr<devlink::WriteJob>> holder(static_cast<std::shared_ptr<devlink::WriteJob>*>(param));
    devlink::WriteJob& job = **holder;
    WriteOutcome outcome = WriteOutcome::kFailed;
    // The window's objects live in its apartment; the worker makes its own
    // connection in its own.
    const HRESULT init = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(init)) {
        try {
            devlink::Link link;
            job.reached = OpenLink(job.product, link);
            if (!job.reached) {
                if (job.backup.asked)
                    job.backup.detail = L"the mouse did not answer";
            } else if (job.revisionRead != 0 && link.revision != job.revisionRead && !job.overChanges) {
                // Another program changed the mouse since it was read: the
                // user decides before anything is written.
                outcome = WriteOutcome::kChanged;
            } else {
                if (!job.backupRoot.empty()) {
                    const backup::Result saved =
                        backup::SaveDated(link.device.get(), job.product, job.backupRoot, backup::kKeptAutomatic);
                    job.backup.saved = saved.ok;
                    job.backup.detail = saved.ok ? saved.folder : saved.message;
                }
                outcome = devlink::WriteAll(link.device.get(), job);
                job.revisionAfter = RevisionOf(link.device.get());
                link.Close();
                // What the mouse took, read back here rather than on the
                // window's thread.
                if (outcome == WriteOutcome::kWritten)
                    job.readBack = ReadBack(job.product, job.revisionAfter);
            }
        } catch (...) {
            outcome = WriteOutcome::kFailed;
        }
        CoUninitialize();
    }
    Sleep(job.settleDelay);
    const bool ok = outcome == WriteOutcome::kWritten;
    job.ok = ok;
    job.outcome = outcome;
    job.state->lastResult = ok;
    const HWND window = job.notifyWindow;
    const UINT message = job.notifyMessage;
    job.state->busy = false;
    if (window && message)
        PostMessageW(window, message, static_cast<WPARAM>(outcome), 0);
    return ok ? 1 : 0;
}

std::unique_ptr<CMouseConfig> CMouse::ReadBack(uint32_t product, uint32_t& revision) {
    auto config = std::make_unique<CVellConfig>();
    CMouse reader;
    const uint16_t wanted = static_cast<uint16_t>(product);
    if (!reader.Initialize(config.get(), &wanted))
        return nullptr;
    config->AttachDevice(&reader);
    const bool read = reader.Synchronize(config.get(), SyncDirection::Read, kSectionsAll);
    config->AttachDevice(nullptr);
    if (!read)
        return nullptr;
    if (reader.Revision() != 0)
        revision = reader.Revision();
    return config;
}

void CMouse::CollectWrite() {
    if (!m_job || m_state->busy.load())
        return;
    std::shared_ptr<devlink::WriteJob> job = std::move(m_job);
    devlink::ApplyIdentities(*job);
    m_backupReport = job->backup;
    if (job->outcome == WriteOutcome::kWritten || job->outcome == WriteOutcome::kFailed) {
        // The caps a mouse without profiles could not tell at the read.
        if ((m_caps.buttonBits.empty() || m_caps.keyIds.empty()) && !job->caps.keyIds.empty())
            m_caps = job->caps;
    }
    if (job->outcome == WriteOutcome::kWritten) {
        m_found = 1;
        m_revision = job->revisionAfter;
        // The next write may remove what this write wrote, never what it
        // left alone: that is another program's, which the window has not seen.
        m_knownProfiles.clear();
        for (const auto& profile : job->profiles)
            m_knownProfiles.push_back(profile->GetId());
        m_knownMacros.clear();
        for (const CMacro& macro : job->macros)
            if (macro.HasId())
                m_knownMacros.push_back(macro.Id());
        m_readBack = std::move(job->readBack);
    } else if (job->outcome == WriteOutcome::kFailed) {
        // A failed write may have left any part done: the revision no longer
        // tells, and profiles or macros it made are known by their ids.
        for (const auto& profile : job->profiles)
            if (!IsNull(profile->GetId()) &&
                std::find(m_knownProfiles.begin(), m_knownProfiles.end(), profile->GetId()) == m_knownProfiles.end())
                m_knownProfiles.push_back(profile->GetId());
        for (const CMacro& macro : job->macros)
            if (macro.HasId() &&
                std::find(m_knownMacros.begin(), m_knownMacros.end(), macro.Id()) == m_knownMacros.end())
                m_knownMacros.push_back(macro.Id());
        // Only a mouse the worker could not find is gone; a step that
        // failed on a mouse that answered leaves it found.
        m_found = job->reached ? 1 : 0;
    }
}

std::unique_ptr<CMouseConfig> CMouse::TakeReadBack() {
    IsBusy();
    return std::move(m_readBack);
}

void CMouse::BackUpBeforeNextWrite(const std::wstring& root) {
    m_backupRoot = root;
}

BackupReport CMouse::TakeBackupReport() {
    IsBusy();  // collects an ended write
    return std::exchange(m_backupReport, BackupReport{});
}

backup::Result CMouse::Backup(const std::wstring& dir) {
    backup::Result result;
    if (!Connect()) {
        result.message = IsBusy() ? L"the mouse is being written" : L"no mouse found";
        return result;
    }
    result = backup::Save(m_link.device.get(), m_product, dir);
    Disconnect();
    return result;
}

backup::Result CMouse::Restore(const std::wstring& dir) {
    backup::Result result;
    if (!Connect()) {
        result.message = IsBusy() ? L"the mouse is being written" : L"no mouse found";
        return result;
    }
    result = backup::Restore(m_link.device.get(), m_product, dir);
    Disconnect();
    return result;
}

void CMouse::NotifyWritesTo(HWND window, UINT message) {
    m_notifyWindow = window;
    m_notifyMessage = message;
}

bool CMouse::WaitUntilIdle(DWORD timeoutMs) {
    if (m_worker && m_state->busy.load())
        WaitForSingleObject(m_worker.get(), timeoutMs);
    return !IsBusy();
}

bool CMouse::LastWriteSucceeded() const {
    return m_state->lastResult.load();
}

uint8_t CMouse::IsConnected() {
    return m_found;
}

bool CMouse::GetFirmwareVersion(std::wstring& out) {
    out = m_firmwareVersion;
    return true;
}

bool CMouse::GetDriverVersion(std::wstring& out) {
    out = m_driverVersion;
    return true;
}

uint16_t CMouse::GetProductId() {
    return static_cast<uint16_t>(m_product);
}

namespace devlink {

// Creates the service and keeps the first device of the product.
bool OpenLink(uint32_t product, Link& link) {
    link.Close();
    ComPtr<devsvc::IDeviceEnumerator> service;
    HRESULT hr = CoCreateInstance(devsvc::kClassId, nullptr, devsvc::kClassContext, devsvc::kIidEnumerator,
                                  service.put_void());
    if (FAILED(hr) || !service)
        return false;
    for (ULONG index = 0; index < devlink::kCollectionLimit; ++index) {
        ComPtr<devsvc::IDevice> device;
        if (FAILED(service->Device(index, device.put())) || !device)
            break;
        devsvc::InfoRecord info = {};
        hr = device->Info(&info);
        CoTaskMemFree(info.text);
        if (FAILED(hr) || info.productId != product)
            continue;
        link.service = std::move(service);
        link.device = std::move(device);
        link.revision = info.reserved;
        return true;
    }
    return false;
}

}  // namespace devlink
