#include "device/WriteJob.h"

#include <algorithm>

#include "device/Collections.h"
#include "device/MacroTransfer.h"
#include "device/Records.h"
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
bool ReadIds(Collection* collection, std::vector<GUID>& ids, std::vector<std::wstring>* names = nullptr) {
    ids.clear();
    bool ok = true;
    const ULONG walked = ForEachItem<Item>(collection, [&](Item* item, ULONG) {
        GUID id = {};
        std::wstring name;
        if (FAILED(item->Id(&id)) || (names && !ReadName(item, name)))
            return ok = false;
        ids.push_back(id);
        if (names)
            names->push_back(std::move(name));
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
                 const std::vector<std::wstring>& profileNames, const std::vector<GUID>& macrosOnMouse) {
    const std::vector<GUID> profileIds = ProfileIds(job);
    size_t profiles = 0;
    for (const GUID& id : profilesOnMouse)
        profiles += Doomed(id, job.knownProfiles, profileIds) ? 0 : 1;
    // Profiles another program replaced are written into the profile of
    // their name (PrepareProfiles): they take no room of their own.
    std::vector<size_t> adoptable;
    for (size_t i = 0; i < profilesOnMouse.size(); ++i) {
        if (!Contains(job.knownProfiles, profilesOnMouse[i]) && !Contains(profileIds, profilesOnMouse[i]))
            adoptable.push_back(i);
    }
    for (const auto& profile : job.profiles) {
        const bool vanished = !IsNull(profile->GetId()) && !Contains(profilesOnMouse, profile->GetId());
        if (vanished && job.overChanges) {
            const auto match = std::find_if(adoptable.begin(), adoptable.end(),
                                            [&](size_t i) { return profileNames[i] == profile->GetName(); });
            if (match != adoptable.end()) {
                adoptable.erase(match);
                continue;
            }
        }
        if (IsNull(profile->GetId()) || vanished)
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

// The identity of a mouse profile named `name` that the link never read and
// no other profile of the write has taken; null when there is none.
GUID UnknownProfileNamed(devsvc::IDeviceProfiles* profiles, const WriteJob& job, const std::wstring& name,
                         const std::vector<GUID>& claimed) {
    GUID found = {};
    ForEachItem<devsvc::IDeviceProfile>(profiles, [&](devsvc::IDeviceProfile* item, ULONG) {
        GUID id = {};
        std::wstring itemName;
        if (FAILED(item->Id(&id)) || Contains(job.knownProfiles, id) || Contains(claimed, id) ||
            !ReadName(item, itemName) || itemName != name)
            return true;
        for (const auto& other : job.profiles) {
            if (other->GetId() == id)
                return true;
        }
        found = id;
        return false;
    });
    return found;
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
    std::vector<GUID> claimed;
    for (auto& profile : job.profiles) {
        if (!IsNull(profile->GetId()) && (Contains(onMouse, profile->GetId()) || !job.overChanges))
            continue;
        // Written over another program's changes, a profile that program
        // replaced (a restore gives new identities) takes the place of the
        // profile of its name the window never saw; one it removed is made
        // again. The user's edits are what is applied.
        if (!IsNull(profile->GetId())) {
            const GUID adopted = UnknownProfileNamed(profiles, job, profile->GetName(), claimed);
            if (!IsNull(adopted)) {
                claimed.push_back(adopted);
                job.replacedIds.emplace_back(profile->GetId(), adopted);
                profile->SetId(adopted);
                continue;
            }
        }
        ComPtr<devsvc::IDeviceProfile> created;
        if (FAILED(profiles->Create(created.put())) || !created)
            return false;
        GUID id = {};
        if (FAILED(created->Id(&id)) || IsNull(id) || FAILED(created->SetName(profile->GetName().c_str()))) {
            profiles->Remove(created.get());
            return false;
        }
        if (!IsNull(profile->GetId()))
            job.replacedIds.emplace_back(profile->GetId(), id);
        profile->SetId(id);
        ++kept;
    }
    // A walk cut short would leave a deleted profile on the mouse.
    return CountItems<devsvc::IDeviceProfile>(profiles) == kept;
}

// Written over another program's changes, a macro that program replaced
// (same name, new identity) is written into the macro that replaced it
// rather than made a second time.
void AdoptReplacedMacros(WriteJob& job, const std::vector<GUID>& onMouse, const std::vector<std::wstring>& names) {
    const std::vector<GUID> wanted = MacroIds(job);
    std::vector<GUID> claimed;
    for (CMacro& macro : job.macros) {
        if (!macro.HasId() || Contains(onMouse, macro.Id()))
            continue;
        for (size_t i = 0; i < onMouse.size(); ++i) {
            if (Contains(job.knownMacros, onMouse[i]) || Contains(wanted, onMouse[i]) || Contains(claimed, onMouse[i]) ||
                !SameName(names[i].c_str(), macro.Name()))
                continue;
            claimed.push_back(onMouse[i]);
            job.replacedIds.emplace_back(macro.Id(), onMouse[i]);
            macro.SetId(onMouse[i]);
            break;
        }
    }
}

// Removes the device macros the user deleted; creates the new ones when
// macros or assignments (which may name them) are written.
bool PrepareMacros(devsvc::IMacros* macros, WriteJob& job, const std::vector<GUID>& onMouse) {
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
        // Written over another program's changes, a macro it removed is made
        // again before the assignments that name it are written.
        const bool vanished = macro.HasId() && job.overChanges && !Contains(onMouse, macro.Id());
        if ((macro.HasId() && !vanished) || macro.Events().empty())
            continue;
        const GUID before = macro.Id();
        if (vanished)
            macro.SetId(GUID{});
        if (!CreateDeviceMacro(macros, macro)) {
            macro.SetId(before);
            return false;
        }
        if (vanished)
            job.replacedIds.emplace_back(before, macro.Id());
        ++kept;
    }
    return CountItems<devsvc::IMacroItem>(macros) == kept;
}

// By-name assignments become by-identity ones; every profile and every macro
// with events has its identity by the time the sections are written.
bool Resolve(Assignment& assignment, const WriteJob& job) {
    if (assignment.code == kFunctionProfileById || assignment.code == kFunctionMacroById) {
        const GUID id = AssignmentId(assignment);
        for (const auto& [from, to] : job.replacedIds) {
            if (from == id) {
                SetAssignmentId(assignment, to);
                break;
            }
        }
        return true;
    }
    if (assignment.code == kFunctionProfileByName) {
        const std::wstring name = AssignmentName(assignment);
        const CMouseProfile* profile = FindProfileNamed(job.profiles, name);
        if (profile == nullptr || IsNull(profile->GetId()))
            return false;
        assignment = MakeAssignment(kFunctionProfileById);
        SetAssignmentId(assignment, profile->GetId());
        return true;
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
    std::vector<std::wstring> profileNames, macroNames;
    if (!GetFeature(device, devsvc::kIidProfiles, profiles) || !GetFeature(device, devsvc::kIidMacros, macros) ||
        !ReadIds<devsvc::IDeviceProfile>(profiles.get(), profilesOnMouse, &profileNames) ||
        !ReadIds<devsvc::IMacroItem>(macros.get(), macrosOnMouse, &macroNames))
        return WriteOutcome::kFailed;
    if (job.overChanges)
        AdoptReplacedMacros(job, macrosOnMouse, macroNames);
    if (!FitsOnMouse(job, profilesOnMouse, profileNames, macrosOnMouse))
        return WriteOutcome::kRefused;
    if (!PrepareProfiles(profiles.get(), job, profilesOnMouse) || !PrepareMacros(macros.get(), job, macrosOnMouse))
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
