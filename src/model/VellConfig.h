// The product's configuration: save-folder paths (see model/SaveFolder.h),
// the default assignments, and new profiles that start with the defaults.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "model/MouseConfig.h"

class CVellConfig : public CMouseConfig {
public:
    // Takes the paths from the module and user data directories as they are now.
    CVellConfig();

    // Appends a profile with five stages and the default settings.
    CMouseProfile* CreateProfile(const wchar_t* name) override;
    const wchar_t* ProfileFileExtension() const override { return L"vxp"; }
    const std::wstring& ProfileFolder() const override { return m_profileFolder; }
    const std::wstring& MacroFolder() const override { return m_macroFolder; }
    const std::wstring& SettingsFilePath() const override { return m_settingsFile; }

    // Applies the default settings to the profile (the current one when none
    // is given). Without a profile, every profile shows profile changes on
    // screen afterwards. The polling rate and acceleration belong to the
    // whole mouse and stay as they are.
    void RestoreDefaults(CMouseProfile* profile = nullptr);

    // The default of a button or thumb key; false when it has none.
    bool DefaultButtonAssignment(int32_t buttonId, Assignment& out) const;
    bool DefaultKeyAssignment(int32_t keyId, Assignment& out) const;

private:
    using AssignmentTable = std::vector<std::pair<int32_t, Assignment>>;

    void ApplyDefaults(CMouseProfile* profile, bool osdFromCurrent);
    // The settings of the whole mouse: polling rate and acceleration.
    void ApplyMouseDefaults();

    std::wstring m_settingsFile;
    std::wstring m_profileFolder;
    std::wstring m_macroFolder;
    AssignmentTable m_defaultButtons;  // in the order they are applied
    AssignmentTable m_defaultKeys;
};
