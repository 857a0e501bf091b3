// One profile: name, program of automatic switching, identity in the device
// service, button and thumb-key assignments, sensitivity stages and flags.
// Profiles are owned by the configuration; pages change them through it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "model/Types.h"

// Stage numbers are 1-based everywhere. A number above the stage count
// addresses the last stage, 0 (or less) the first.
class IMouseProfile {
public:
    virtual ~IMouseProfile() = default;

    virtual bool SetStageCount(int32_t count) = 0;
    virtual int32_t GetStageCount() const = 0;
    virtual int32_t GetStagesInUse() const = 0;
    virtual int32_t GetKeyAssignmentCount() const = 0;
    virtual void SetStagesInUse(int32_t count) = 0;
    virtual int32_t KeyIdAt(int32_t index) const = 0;  // -1 when out of range
    virtual const std::wstring& GetName() const = 0;
    virtual GUID GetId() const = 0;
    virtual bool HasFile() const = 0;
    virtual void SetName(const wchar_t* name) = 0;  // null = empty
    virtual void SetId(const GUID& id) = 0;
    virtual const std::wstring& GetProgramFileName() const = 0;
    virtual void SetProgramFileName(const wchar_t* fileName) = 0;
    virtual const std::wstring& GetFilePath() const = 0;
    virtual const std::wstring& GetProgramPath() const = 0;
    virtual void SetProgramPath(const wchar_t* path) = 0;  // also derives the file name
    virtual void SetAutoSwitch(bool on) = 0;
    virtual bool GetAutoSwitch() const = 0;
    virtual void SetDpiOsd(bool on) = 0;
    virtual bool GetDpiOsd() const = 0;
    virtual void SetProfileOsd(bool on) = 0;
    virtual bool GetProfileOsd() const = 0;
    virtual void SetStageFlag(int32_t stage, bool separate) = 0;
    virtual bool GetStageFlag(int32_t stage) const = 0;
    virtual void SetActiveStage(int32_t stage) = 0;
    virtual int32_t GetActiveStage() const = 0;  // 0 when none
    // The stage setters clamp into the sensitivity range and return what they stored.
    virtual int32_t SetStageValue(int32_t stage, int32_t value) = 0;
    virtual int32_t GetStageValue(int32_t stage) const = 0;
    virtual int32_t SetStageX(int32_t stage, int32_t value) = 0;
    virtual int32_t GetStageX(int32_t stage) const = 0;
    virtual int32_t SetStageY(int32_t stage, int32_t value) = 0;
    virtual int32_t GetStageY(int32_t stage) const = 0;
    virtual void SetSensitivity(int32_t value) = 0;
    virtual int32_t GetSensitivity() const = 0;
    virtual void SetSensitivityX(int32_t value) = 0;
    virtual int32_t GetSensitivityX() const = 0;
    virtual void SetSensitivityY(int32_t value) = 0;
    virtual int32_t GetSensitivityY() const = 0;
    virtual void SetSeparateXY(bool separate) = 0;
    virtual bool GetSeparateXY() const = 0;
    virtual void SetSensitivityRange(int32_t minimum, int32_t maximum, int32_t step) = 0;
    virtual bool GetSensitivityRange(int32_t& minimum, int32_t& maximum, int32_t& step) const = 0;
    virtual void SetScrollLight(bool on) = 0;
    virtual bool GetScrollLight() const = 0;
    virtual void SetUnderGlowLight(bool on) = 0;
    virtual bool GetUnderGlowLight() const = 0;
    // Stores the assignment only when its code is allowed for the button.
    virtual bool SetButtonAssignment(int32_t buttonId, const Assignment& assignment) = 0;
    // A button without an entry gets one with code 0 and a zero block.
    virtual Assignment GetButtonAssignment(int32_t buttonId) = 0;
    virtual bool HasClickAssignment() const = 0;
    virtual bool SetKeyAssignment(int32_t keyId, const Assignment& assignment) = 0;
    virtual Assignment GetKeyAssignment(int32_t keyId) = 0;
    virtual void SetThumbKeysEnabled(bool enabled) = 0;
    virtual bool GetThumbKeysEnabled() const = 0;
    virtual bool IsFunctionAllowed(int32_t code, int32_t buttonId) const = 0;
    // Clears `names` and appends the catalogue name of each allowed code.
    virtual void ListAllowedFunctions(std::vector<std::wstring>& names, int32_t buttonId) const = 0;
    // Hook for values read from a profile file; this class keeps nothing.
    virtual bool ApplyStoredAssignment(int32_t keyId, const wchar_t* value) = 0;
    // An empty file name derives one from the profile's name.
    virtual bool SaveToFile(const wchar_t* fileName, const wchar_t* folder, const wchar_t* extension) = 0;
    virtual bool LoadFromFile(const wchar_t* fileName, const wchar_t* folder, const wchar_t* extension) = 0;
};

class CMouseProfile : public IMouseProfile {
public:
    CMouseProfile() { TakeNewSerial(); }
    explicit CMouseProfile(const wchar_t* name);
    CMouseProfile(const CMouseProfile& other);
    CMouseProfile& operator=(const CMouseProfile&) = delete;
    ~CMouseProfile() override = default;

    bool SetStageCount(int32_t count) override;
    int32_t GetStageCount() const override { return static_cast<int32_t>(m_stages.size()); }
    int32_t GetStagesInUse() const override { return m_stagesInUse; }
    int32_t GetKeyAssignmentCount() const override { return static_cast<int32_t>(m_keyAssignments.size()); }
    void SetStagesInUse(int32_t count) override;
    int32_t KeyIdAt(int32_t index) const override;
    const std::wstring& GetName() const override { return m_name; }
    GUID GetId() const override { return m_id; }
    bool HasFile() const override { return !m_filePath.empty(); }
    void SetName(const wchar_t* name) override { m_name = name ? name : L""; }
    void SetId(const GUID& id) override { m_id = id; }
    // Tells this profile apart from every other one of the run; a copy that
    // takes its place (a rename) keeps it, a duplicate takes a new one. The
    // device link finds by it the profile a write created a device profile for.
    uint64_t Serial() const { return m_serial; }
    void TakeNewSerial();
    const std::wstring& GetProgramFileName() const override { return m_programFileName; }
    void SetProgramFileName(const wchar_t* fileName) override {
        m_programFileName = fileName ? fileName : L"";
    }
    const std::wstring& GetFilePath() const override { return m_filePath; }
    const std::wstring& GetProgramPath() const override { return m_programPath; }
    void SetProgramPath(const wchar_t* path) override;
    void SetAutoSwitch(bool on) override { m_autoSwitch = on; }
    bool GetAutoSwitch() const override { return m_autoSwitch; }
    void SetDpiOsd(bool on) override { m_dpiOsd = on; }
    bool GetDpiOsd() const override { return m_dpiOsd; }
    void SetProfileOsd(bool on) override { m_profileOsd = on; }
    bool GetProfileOsd() const override { return m_profileOsd; }
    void SetStageFlag(int32_t stage, bool separate) override;
    bool GetStageFlag(int32_t stage) const override;
    void SetActiveStage(int32_t stage) override;
    int32_t GetActiveStage() const override { return m_activeStage + 1; }
    int32_t SetStageValue(int32_t stage, int32_t value) override;
    int32_t GetStageValue(int32_t stage) const override;
    int32_t SetStageX(int32_t stage, int32_t value) override;
    int32_t GetStageX(int32_t stage) const override;
    int32_t SetStageY(int32_t stage, int32_t value) override;
    int32_t GetStageY(int32_t stage) const override;
    void SetSensitivity(int32_t value) override { m_sensitivity = value; }
    int32_t GetSensitivity() const override { return m_sensitivity; }
    void SetSensitivityX(int32_t value) override { m_sensitivityX = value; }
    int32_t GetSensitivityX() const override { return m_sensitivityX; }
    void SetSensitivityY(int32_t value) override { m_sensitivityY = value; }
    int32_t GetSensitivityY() const override { return m_sensitivityY; }
    void SetSeparateXY(bool separate) override { m_separateXY = separate; }
    bool GetSeparateXY() const override { return m_separateXY; }
    void SetSensitivityRange(int32_t minimum, int32_t maximum, int32_t step) override;
    bool GetSensitivityRange(int32_t& minimum, int32_t& maximum, int32_t& step) const override;
    void SetScrollLight(bool on) override { m_scrollLight = on; }
    bool GetScrollLight() const override { return m_scrollLight; }
    void SetUnderGlowLight(bool on) override { m_underGlowLight = on; }
    bool GetUnderGlowLight() const override { return m_underGlowLight; }
    bool SetButtonAssignment(int32_t buttonId, const Assignment& assignment) override;
    Assignment GetButtonAssignment(int32_t buttonId) override;
    // What the profile holds for the button or key; null when nothing.
    const Assignment* FindButtonAssignment(int32_t buttonId) const;
    const Assignment* FindKeyAssignment(int32_t keyId) const;
    bool HasClickAssignment() const override;
    bool SetKeyAssignment(int32_t keyId, const Assignment& assignment) override;
    Assignment GetKeyAssignment(int32_t keyId) override;
    void SetThumbKeysEnabled(bool enabled) override { m_thumbKeysEnabled = enabled; }
    bool GetThumbKeysEnabled() const override { return m_thumbKeysEnabled; }
    bool IsFunctionAllowed(int32_t code, int32_t buttonId) const override;
    void ListAllowedFunctions(std::vector<std::wstring>& names, int32_t buttonId) const override;
    bool ApplyStoredAssignment(int32_t keyId, const wchar_t* value) override;
    bool SaveToFile(const wchar_t* fileName, const wchar_t* folder, const wchar_t* extension) override;
    bool LoadFromFile(const wchar_t* fileName, const wchar_t* folder, const wchar_t* extension) override;

    // Read-only views for the device link and the pages.
    const std::map<int32_t, Assignment>& ButtonAssignments() const { return m_buttonAssignments; }
    const std::map<int32_t, Assignment>& KeyAssignments() const { return m_keyAssignments; }
    const std::vector<int32_t>& KeyOrder() const { return m_keyOrder; }

    // A duplicate has no file until it is saved.
    void ClearFilePath() { m_filePath.clear(); }

    // The codes a button may take, in the order they are offered.
    static const std::vector<int32_t>& AllowedFunctions(int32_t buttonId);

private:
    const SensitivityStage* StageAt(int32_t stage) const;
    SensitivityStage* StageAt(int32_t stage);
    int32_t Clamp(int32_t value) const;
    // The file name for a save with no name given; empty when none is free.
    std::wstring DeriveFileName(const std::wstring& folder, const std::wstring& extension) const;

    std::wstring m_name;
    std::wstring m_programPath;
    std::wstring m_programFileName;
    std::wstring m_filePath;
    GUID m_id = {};
    uint64_t m_serial = 0;
    bool m_autoSwitch = false;
    bool m_dpiOsd = false;
    bool m_profileOsd = false;
    std::map<int32_t, Assignment> m_buttonAssignments;
    std::map<int32_t, Assignment> m_keyAssignments;
    std::vector<int32_t> m_keyOrder;
    bool m_thumbKeysEnabled = true;
    bool m_underGlowLight = false;
    bool m_scrollLight = false;
    int32_t m_sensitivityMin = 0;
    int32_t m_sensitivityMax = 0;
    int32_t m_sensitivityStep = 0;
    std::vector<SensitivityStage> m_stages;
    int32_t m_stagesInUse = 0;
    int32_t m_activeStage = -1;  // 0-based, -1 = none
    int32_t m_sensitivity = 0;
    int32_t m_sensitivityX = 0;
    int32_t m_sensitivityY = 0;
    bool m_separateXY = false;
};

// The product's profile: the same record under the product's name.
class CVellProfile : public CMouseProfile {
public:
    using CMouseProfile::CMouseProfile;
};

// The profile named `name`: the one with exactly that name, else the first
// whose name differs only in letter case. "Game" and "game" are two profiles;
// a name typed in another case still finds a profile when only one matches.
CMouseProfile* FindProfileNamed(const std::vector<std::unique_ptr<CMouseProfile>>& profiles,
                                const std::wstring& name);
