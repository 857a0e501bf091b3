#include "device/WriteJob.h"

#include <algorithm>

#include "device/Collections.h"
#include "device/MacroTransfer.h"
#include "device/Records.h"
#include "model/IniFile.h"
#include "model/MouseConfig.h"
#include "model/MouseDevice.h"

using win::ComPtr;

namespace devlink {

std::unique_ptr<WriteJob> TakeSnapshot(CMouseConfig& config, uint32_t sections) {
    auto job = std::make_unique<WriteJob>();
    job->sections = sections;
    job->config = &config;
    const int32_t profiles = config.GetProfileCount();
    job->profiles.reserve(static_cast<size_t>(profiles));
    for (int32_t i = 0; i < profiles; ++i) {
        const CMouseProfile* profile = config.ProfileAt(i);
        if (profile == config.GetCurrentProfile())
            job->current = i;
        job->profiles.push_back(std::make_unique<CMouseProfile>(*profile));
        job->profileSerials.push_back(profile->Serial());
        job->profileIdsAsked.push_back(profile->GetId());
    }
    const int32_t macros = config.GetMacroCount();
    job->macros.reserve(static_cast<size_t>(macros));
    for (int32_t i = 0; i < macros; ++i) {
        const CMacro* macro = config.MacroAt(i);
        job->macros.push_back(*macro);
        job->macroOrigins.push_back(macro);
        job->macroIdsAsked.push_back(macro->Id());
    }
    job->settings = SettingsOf(config);
    return job;
}

namespace {

// Removes the device profiles the configuration no longer has, then creates
// the ones it has that the mouse does not. Removing first keeps the profile
// limit from refusing a profile that takes the place of a deleted one.
bool PrepareProfiles(devsvc::IDeviceProfiles* profiles, WriteJob& job) {
    ULONG kept = 0;
    const bool pruned = PruneItems<devsvc::IDeviceProfile>(
        profiles,
        [&](devsvc::IDeviceProfile* profile) {
            GUID id = {};
            if (FAILED(profile->Id(&id)))
                return Verdict::Fail;
            const bool wanted = !IsNull(id) && std::any_of(job.profiles.begin(), job.profiles.end(),
                                                           [&](const auto& p) { return p->GetId() == id; });
            return wanted ? Verdict::Keep : Verdict::Remove;
        },
        kept);
    if (!pruned)
        return false;
    for (auto& profile : job.profiles) {
        if (!IsNull(profile->GetId()))
            continue;
        ComPtr<devsvc::IDeviceProfile> created;
        if (FAILED(profiles->Create(created.put())) || !created)
            return false;
        GUID id = {};
        if (FAILED(created->Id(&id)) || IsNull(id) || FAILED(created->SetName(profile->GetName().c_str()))) {
            profiles->Remove(created.get());
            return false;
        }
        profile->SetId(id);
        ++kept;
    }
    // A walk cut short would leave a deleted profile on the mouse.
    return CountItems<devsvc::IDeviceProfile>(profiles) == kept;
}

// Removes the device macros the configuration no longer has; creates the
// new ones when macros or assignments (which may name them) are written.
bool PrepareMacros(devsvc::IMacros* macros, WriteJob& job) {
    ULONG kept = 0;
    const bool pruned = PruneItems<devsvc::IMacroItem>(
        macros,
        [&](devsvc::IMacroItem* item) {
            GUID id = {};
            if (FAILED(item->Id(&id)))
                return Verdict::Fail;
            const bool wanted = !IsNull(id) && std::any_of(job.macros.begin(), job.macros.end(),
                                                           [&](const CMacro& m) { return m.Id() == id; });
            return wanted ? Verdict::Keep : Verdict::Remove;
        },
        kept);
    if (!pruned)
        return false;
    if (!(job.sections & (kSectionMacros | kSectionAssignments)))
        return true;
    for (CMacro& macro : job.macros) {
        if (macro.HasId() || macro.Events().empty())
            continue;
        if (!CreateDeviceMacro(macros, macro))
            return false;
        ++kept;
    }
    return CountItems<devsvc::IMacroItem>(macros) == kept;
}

// By-name assignments become by-identity ones; every profile and every macro
// with events has its identity by the time the sections are written.
bool Resolve(Assignment& assignment, const WriteJob& job) {
    if (assignment.code == kFunctionProfileByName) {
        const std::wstring name = AssignmentName(assignment);
        for (const auto& profile : job.profiles) {
            if (inifile::EqualIgnoringCase(profile->GetName(), name)) {
                if (IsNull(profile->GetId()))
                    return false;
                assignment = MakeAssignment(kFunctionProfileById);
                SetAssignmentId(assignment, profile->GetId());
                return true;
            }
        }
        return false;
    }
    if (assignment.code == kFunctionMacroByName) {
        const std::wstring name = AssignmentName(assignment);
        for (const CMacro& macro : job.macros) {
            if (SameName(macro.Name(), name.c_str())) {
                if (!macro.HasId())
                    return false;
                assignment = MakeAssignment(kFunctionMacroById);
                SetAssignmentId(assignment, macro.Id());
                return true;
            }
        }
        return false;
    }
    return true;
}

}  // namespace

bool WriteAll(devsvc::IDevice* device, WriteJob& job) {
    ComPtr<devsvc::IDeviceProfiles> profiles;
    ComPtr<devsvc::IMacros> macros;
    if (!GetFeature(device, devsvc::kIidProfiles, profiles) || !PrepareProfiles(profiles.get(), job) ||
        !GetFeature(device, devsvc::kIidMacros, macros) || !PrepareMacros(macros.get(), job))
        return false;

    const AssignmentResolver resolve = [&job](Assignment& a) { return Resolve(a, job); };
    bool ok = true;
    ComPtr<devsvc::IDeviceProfile> active;
    for (size_t i = 0; i < job.profiles.size(); ++i) {
        CMouseProfile& profile = *job.profiles[i];
        ComPtr<devsvc::IDeviceProfile> target;
        // A profile the mouse does not know is skipped; the others are still
        // written, but the write as a whole has failed.
        if (IsNull(profile.GetId()) || FAILED(profiles->Find(profile.GetId(), target.put())) || !target) {
            ok = false;
            continue;
        }
        ok = WriteProperties(target.get(), profile) && ok;
        if (job.sections & kSectionSensitivity)
            ok = WriteSensitivity(target.get(), profile) && ok;
        if (job.sections & kSectionAssignments)
            ok = WriteAssignments(target.get(), profile, job.caps, resolve) && ok;
        if (job.sections & kSectionLights)
            ok = WriteLights(target.get(), profile) && ok;
        if (static_cast<int32_t>(i) == job.current)
            active = target;
    }
    if (job.sections & kSectionAcceleration)
        ok = WriteAcceleration(device, job.settings) && ok;
    if (job.sections & kSectionPolling)
        ok = WritePolling(device, job.settings) && ok;
    if (job.sections & kSectionMacros)
        ok = WriteMacros(macros.get(), job.macros) && ok;
    if ((job.sections & kSectionColourRanges) && job.product == records::kProductWithColourRanges)
        ok = WriteColourRanges(device, job.settings) && ok;
    if (!active || FAILED(profiles->SetActive(active.get())))
        return false;
    return ok;
}

void ApplyIdentities(const WriteJob& job) {
    CMouseConfig* config = job.config;
    if (!config)
        return;
    for (size_t i = 0; i < job.profiles.size(); ++i) {
        const GUID id = job.profiles[i]->GetId();
        if (id == job.profileIdsAsked[i])
            continue;
        // A rename replaces the profile object but keeps its serial.
        for (int32_t p = 0; p < config->GetProfileCount(); ++p) {
            CMouseProfile* profile = config->ProfileAt(p);
            if (profile->Serial() == job.profileSerials[i] && profile->GetId() == job.profileIdsAsked[i]) {
                profile->SetId(id);
                break;
            }
        }
    }
    for (size_t i = 0; i < job.macros.size(); ++i) {
        const GUID id = job.macros[i].Id();
        if (id == job.macroIdsAsked[i])
            continue;
        for (int32_t m = 0; m < config->GetMacroCount(); ++m) {
            CMacro* macro = config->MacroAt(m);
            if (macro == job.macroOrigins[i] && macro->Id() == job.macroIdsAsked[i]) {
                macro->SetId(id);
                break;
            }
        }
    }
}

}  // namespace devlink
