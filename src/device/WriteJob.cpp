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

bool Contains(const std::vector<GUID>& ids, const GUID& id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

// The identities of a collection's items, in order; false when one cannot
// be read or the walk was cut short.
template <typename Item, typename Collection>
bool ReadIds(Collection* collection, std::vector<GUID>& ids) {
    ids.clear();
    bool ok = true;
    const ULONG walked = ForEachItem<Item>(collection, [&](Item* item, ULONG) {
        GUID id = {};
        if (FAILED(item->Id(&id)))
            return ok = false;
        ids.push_back(id);
        return true;
    });
    return ok && CountItems<Item>(collection) == walked;
}

// Of the mouse's items, those the write removes: items this link read and
// the configuration no longer holds. Anything the link never saw stays.
bool Doomed(const GUID& id, const std::vector<GUID>& known, const std::vector<GUID>& wanted) {
    return !IsNull(id) && Contains(known, id) && !Contains(wanted, id);
}

std::vector<GUID> ProfileIds(const WriteJob& job) {
    std::vector<GUID> ids;
    for (const auto& profile : job.profiles)
        ids.push_back(profile->GetId());
    return ids;
}

std::vector<GUID> MacroIds(const WriteJob& job) {
    std::vector<GUID> ids;
    for (const CMacro& macro : job.macros)
        ids.push_back(macro.Id());
    return ids;
}

// Whether what the mouse holds after the write fits what it can hold, before
// anything is changed: a refusal half way would leave the mouse with less
// than it had. `onMouse` receives the identities the mouse holds now.
bool FitsOnMouse(const WriteJob& job, const std::vector<GUID>& profilesOnMouse,
                 const std::vector<GUID>& macrosOnMouse) {
    const std::vector<GUID> profileIds = ProfileIds(job);
    size_t profiles = 0;
    for (const GUID& id : profilesOnMouse)
        profiles += Doomed(id, job.knownProfiles, profileIds) ? 0 : 1;
    for (const auto& profile : job.profiles) {
        if (IsNull(profile->GetId()) || !Contains(profilesOnMouse, profile->GetId()))
            ++profiles;
        if (static_cast<int32_t>(profile->GetProgramPath().size()) > job.limits.programPathChars)
            return false;
    }
    if (profiles > static_cast<size_t>(job.limits.profiles))
        return false;
    if (!(job.sections & (kSectionMacros | kSectionAssignments)))
        return true;
    const std::vector<GUID> macroIds = MacroIds(job);
    size_t macros = 0;
    for (const GUID& id : macrosOnMouse)
        macros += Doomed(id, job.knownMacros, macroIds) ? 0 : 1;
    for (const CMacro& macro : job.macros) {
        if (static_cast<int64_t>(macro.Events().size()) > job.limits.eventsPerMacro)
            return false;
        if (!macro.Events().empty() && (!macro.HasId() || !Contains(macrosOnMouse, macro.Id())))
            ++macros;
    }
    return macros <= static_cast<size_t>(job.limits.macros);
}

// Removes the device profiles the user deleted, then creates the ones the
// mouse does not have. Removing first keeps the profile limit from refusing
// a profile that takes the place of a deleted one; FitsOnMouse has made sure
// the rest fits.
bool PrepareProfiles(devsvc::IDeviceProfiles* profiles, WriteJob& job, const std::vector<GUID>& onMouse) {
    const std::vector<GUID> wanted = ProfileIds(job);
    ULONG kept = 0;
    const bool pruned = PruneItems<devsvc::IDeviceProfile>(
        profiles,
        [&](devsvc::IDeviceProfile* profile) {
            GUID id = {};
            if (FAILED(profile->Id(&id)))
                return Verdict::Fail;
            return Doomed(id, job.knownProfiles, wanted) ? Verdict::Remove : Verdict::Keep;
        },
        kept);
    if (!pruned)
        return false;
    for (auto& profile : job.profiles) {
        // Written over another program's changes, a profile that program
        // removed is made again: the user's edits are what is applied.
        if (!IsNull(profile->GetId()) && (Contains(onMouse, profile->GetId()) || !job.overChanges))
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

// Removes the device macros the user deleted; creates the new ones when
// macros or assignments (which may name them) are written.
bool PrepareMacros(devsvc::IMacros* macros, WriteJob& job) {
    const std::vector<GUID> wanted = MacroIds(job);
    ULONG kept = 0;
    const bool pruned = PruneItems<devsvc::IMacroItem>(
        macros,
        [&](devsvc::IMacroItem* item) {
            GUID id = {};
            if (FAILED(item->Id(&id)))
                return Verdict::Fail;
            return Doomed(id, job.knownMacros, wanted) ? Verdict::Remove : Verdict::Keep;
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

WriteOutcome WriteAll(devsvc::IDevice* device, WriteJob& job) {
    ComPtr<devsvc::IDeviceProfiles> profiles;
    ComPtr<devsvc::IMacros> macros;
    std::vector<GUID> profilesOnMouse, macrosOnMouse;
    if (!GetFeature(device, devsvc::kIidProfiles, profiles) || !GetFeature(device, devsvc::kIidMacros, macros) ||
        !ReadIds<devsvc::IDeviceProfile>(profiles.get(), profilesOnMouse) ||
        !ReadIds<devsvc::IMacroItem>(macros.get(), macrosOnMouse))
        return WriteOutcome::kFailed;
    if (!FitsOnMouse(job, profilesOnMouse, macrosOnMouse))
        return WriteOutcome::kRefused;
    if (!PrepareProfiles(profiles.get(), job, profilesOnMouse) || !PrepareMacros(macros.get(), job))
        return WriteOutcome::kFailed;
    // A mouse that held no profile when it was read could not tell its
    // buttons and keys; the profile made for it now can.
    if (job.caps.buttonBits.empty() || job.caps.keyIds.empty())
        ReadCapabilities(profiles.get(), job.caps);

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
        return WriteOutcome::kFailed;
    return ok ? WriteOutcome::kWritten : WriteOutcome::kFailed;
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
