// The device link's single-profile and single-macro operations: macros on an
// open connection, import and export files (whose format is the service's),
// and the questions whether a profile or macro is on the mouse.
#include <new>

#include "device/Collections.h"
#include "device/MacroTransfer.h"
#include "device/Mouse.h"
#include "macro/Macro.h"
#include "model/MouseConfig.h"

using devlink::GetFeature;
using devlink::IsNull;
using win::ComPtr;

bool CMouse::CreateMacro(CMacro* macro) {
    ComPtr<devsvc::IMacros> macros;
    return macro && GetFeature(m_link.device.get(), devsvc::kIidMacros, macros) &&
           devlink::CreateDeviceMacro(macros.get(), *macro);
}

bool CMouse::LoadMacro(GUID id, CMacro* macro) {
    ComPtr<devsvc::IMacros> macros;
    ComPtr<devsvc::IMacroItem> item;
    return macro && GetFeature(m_link.device.get(), devsvc::kIidMacros, macros) &&
           devlink::FindMacroItem(macros.get(), id, item) && devlink::ReadMacroItem(item.get(), *macro);
}

bool CMouse::DeleteAllMacros() {
    ComPtr<devsvc::IMacros> macros;
    return GetFeature(m_link.device.get(), devsvc::kIidMacros, macros) &&
           devlink::RemoveAllItems<devsvc::IMacroItem>(macros.get());
}

bool CMouse::ImportMacro(const wchar_t* path, CMouseConfig* config, std::wstring* nameInFile) {
    if (nameInFile)
        nameInFile->clear();
    if (!path || !config || !Connect())
        return false;
    bool ok = false;
    ComPtr<devsvc::IMacros> macros;
    ComPtr<devsvc::IMacroItem> item;
    if (GetFeature(m_link.device.get(), devsvc::kIidMacros, macros) && SUCCEEDED(macros->Import(path, item.put())) &&
        item) {
        CMacro read;
        bool converted = false;
        // Only a macro with events that the list can take is kept; anything
        // else leaves both the list and the mouse as they were. A macro
        // longer than the mouse plays is refused as a whole.
        if (devlink::ReadMacroItem(item.get(), read, &converted) && converted &&
            static_cast<int64_t>(read.Events().size()) <= m_limits.eventsPerMacro) {
            // A name already in the list makes the import a copy, named as
            // Copy names one, on the mouse as here.
            const std::wstring name = read.Name();
            std::wstring copy = name;
            if (config->FindMacroByName(name.c_str()) != nullptr)
                copy = NameOfCopy(name, [&](const std::wstring& candidate) {
                    return config->FindMacroByName(candidate.c_str()) != nullptr;
                });
            const bool named = !copy.empty() && (copy == name || SUCCEEDED(item->SetName(copy.c_str())));
            CMacro* added = named ? config->CreateMacro(copy.c_str(), read.Events()) : nullptr;
            if (added) {
                added->SetId(read.Id());
                added->SetSourcePath(path);
                ok = true;
                NoteOwnChange(nullptr, &read.Id());
                if (nameInFile && copy != name)
                    *nameInFile = name;
            }
        }
        if (!ok)
            macros->Remove(item.get());
    }
    Disconnect();
    return ok;
}

bool CMouse::ExportMacro(const wchar_t* path, CMacro* macro) {
    if (!path || !macro || !macro->HasId() || !Connect())
        return false;
    ComPtr<devsvc::IMacros> macros;
    ComPtr<devsvc::IMacroItem> item;
    const bool ok = GetFeature(m_link.device.get(), devsvc::kIidMacros, macros) &&
                    devlink::FindMacroItem(macros.get(), macro->Id(), item) && SUCCEEDED(item->Export(path));
    Disconnect();
    return ok;
}

bool CMouse::IsMacroOnDevice(CMacro* macro) {
    if (!macro || !macro->HasId() || !Connect())
        return false;
    ComPtr<devsvc::IMacros> macros;
    ComPtr<devsvc::IMacroItem> item;
    const bool ok = GetFeature(m_link.device.get(), devsvc::kIidMacros, macros) &&
                    devlink::FindMacroItem(macros.get(), macro->Id(), item);
    Disconnect();
    return ok;
}

bool CMouse::ImportProfile(const wchar_t* path, CMouseConfig* config, std::wstring* nameInFile) {
    if (nameInFile)
        nameInFile->clear();
    if (!path || !config || !Connect())
        return false;
    bool ok = false;
    ComPtr<devsvc::IDeviceProfiles> profiles;
    ComPtr<devsvc::IDeviceProfile> device;
    if (GetFeature(m_link.device.get(), devsvc::kIidProfiles, profiles) &&
        SUCCEEDED(profiles->Import(path, device.put())) && device) {
        std::wstring name;
        std::wstring copy;
        GUID id = {};
        CMouseProfile* profile = nullptr;
        if (devlink::ReadName(device.get(), name) && SUCCEEDED(device->Id(&id))) {
            // A name already in the list (letter case counts, as for every
            // profile name) makes the import a copy, named as Copy names one.
            const auto taken = [&](const std::wstring& candidate) {
                for (int32_t i = 0; i < config->GetProfileCount(); ++i) {
                    if (config->ProfileAt(i)->GetName() == candidate)
                        return true;
                }
                return false;
            };
            copy = taken(name) ? NameOfCopy(name, taken) : name;
            const bool named = !copy.empty() && (copy == name || SUCCEEDED(device->SetName(copy.c_str())));
            if (named) {
                // A new profile brings the default device-wide settings along;
                // an imported profile must not change the user's.
                const int32_t polling = config->GetPollingRateChoice();
                const int32_t level = config->GetAccelerationLevel();
                const bool accelerated = config->GetAccelerationEnabled();
                profile = config->CreateProfile(copy.c_str());
                config->SetPollingRateChoice(polling);
                config->SetAccelerationLevel(level);
                config->SetAccelerationEnabled(accelerated);
            }
        }
        if (profile) {
            profile->SetId(id);
            ok = devlink::ReadLimits(device.get(), *profile) && devlink::ReadProperties(device.get(), *profile) &&
                 devlink::ReadSensitivity(device.get(), *profile) &&
                 devlink::ReadAssignments(device.get(), *profile, m_caps) &&
                 devlink::ReadLights(device.get(), *profile);
            // A profile read only in part is not kept: neither here nor on the mouse.
            if (!ok) {
                config->Delete(profile);
            } else {
                NoteOwnChange(&id, nullptr);
                if (nameInFile && copy != name)
                    *nameInFile = name;
            }
        }
        if (!ok)
            profiles->Remove(device.get());
    }
    Disconnect();
    return ok;
}

bool CMouse::ExportProfile(const wchar_t* path, CMouseProfile* profile) {
    if (!path || !profile || IsNull(profile->GetId()) || !Connect())
        return false;
    ComPtr<devsvc::IDeviceProfiles> profiles;
    ComPtr<devsvc::IDeviceProfile> device;
    const bool ok = GetFeature(m_link.device.get(), devsvc::kIidProfiles, profiles) &&
                    SUCCEEDED(profiles->Find(profile->GetId(), device.put())) && device &&
                    SUCCEEDED(device->Export(path));
    Disconnect();
    return ok;
}

bool CMouse::IsProfileOnDevice(CMouseProfile* profile) {
    if (!profile || IsNull(profile->GetId()) || !Connect())
        return false;
    ComPtr<devsvc::IDeviceProfiles> profiles;
    ComPtr<devsvc::IDeviceProfile> device;
    const bool ok = GetFeature(m_link.device.get(), devsvc::kIidProfiles, profiles) &&
                    SUCCEEDED(profiles->Find(profile->GetId(), device.put())) && device;
    Disconnect();
    return ok;
}
