// The configuration: the single owner of the profiles, the current profile,
// the macro list and the device-wide settings. Pages and the device link
// change profiles only through its forwarding operations.
//
// Forwarding operations take an optional profile; without one they use the
// current profile, and without that the fallback fields (or do nothing /
// answer 0). Stage numbers are 1-based.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "macro/Macro.h"
#include "model/MouseProfile.h"

class IMouseDevice;

// A colour and the sensitivity bounds it applies to (products with colour
// ranges only).
struct ColourRange {
    uint32_t colour = 0;
    int32_t lower = 0;
    int32_t upper = 0;
    friend bool operator==(const ColourRange&, const ColourRange&) = default;
};

class IMouseConfig {
public:
    virtual ~IMouseConfig() = default;

    virtual void ClearProfiles() = 0;
    virtual void AttachDevice(IMouseDevice* device) = 0;
    // Uses only the profile given: without one it sizes the fallback stages.
    virtual bool SetStageCount(int32_t count, CMouseProfile* profile = nullptr) = 0;
    virtual void SetAccelerationRange(int32_t minimum, int32_t maximum) = 0;
    virtual void SetStagesInUse(int32_t count, CMouseProfile* profile = nullptr) = 0;
    virtual int32_t GetProfileCount() const = 0;
    virtual int32_t GetMacroCount() const = 0;
    virtual int32_t GetStageCount(CMouseProfile* profile = nullptr) const = 0;
    virtual int32_t GetStagesInUse(CMouseProfile* profile = nullptr) const = 0;
    virtual int32_t GetKeyAssignmentCount(CMouseProfile* profile = nullptr) const = 0;
    virtual int32_t KeyIdAt(int32_t index, CMouseProfile* profile = nullptr) const = 0;  // -1 = none
    virtual CMouseProfile* CreateProfile(const wchar_t* name) = 0;
    virtual CMouseProfile* AddCopy(const CMouseProfile* profile) = 0;
    virtual CMouseProfile* ProfileAt(int32_t index) = 0;
    virtual CMouseProfile* FindById(const GUID& id) = 0;
    virtual CMouseProfile* FindByName(const wchar_t* name) = 0;  // see FindProfileNamed
    // Replaces the profile by a renamed copy and returns the copy.
    virtual CMouseProfile* Rename(CMouseProfile* profile, const wchar_t* newName) = 0;
    virtual CMouseProfile* Duplicate(CMouseProfile* profile, const wchar_t* newName) = 0;
    virtual void Delete(CMouseProfile* profile) = 0;
    virtual CMouseProfile* GetCurrentProfile() const = 0;
    virtual void SetCurrentProfile(CMouseProfile* profile) = 0;
    virtual void SetProgramPath(CMouseProfile* profile, const wchar_t* path) = 0;
    virtual std::wstring GetProgramPath(CMouseProfile* profile) const = 0;
    virtual void SetAutoSwitch(CMouseProfile* profile, bool on) = 0;
    virtual bool GetAutoSwitch(CMouseProfile* profile) const = 0;
    virtual void SetProfileOsdAll(bool on) = 0;
    virtual void SetProfileOsd(bool on, CMouseProfile* profile = nullptr) = 0;
    virtual bool GetProfileOsd(CMouseProfile* profile = nullptr) const = 0;
    virtual void SetDpiOsd(bool on, CMouseProfile* profile = nullptr) = 0;
    virtual bool GetDpiOsd(CMouseProfile* profile = nullptr) const = 0;
    virtual void SetStageFlag(int32_t stage, bool separate, CMouseProfile* profile = nullptr) = 0;
    virtual bool GetStageFlag(int32_t stage, CMouseProfile* profile = nullptr) const = 0;
    virtual void SetAccelerationEnabled(bool on) = 0;
    virtual bool GetAccelerationEnabled() const = 0;
    virtual int32_t SetAccelerationLevel(int32_t level) = 0;  // returns the clamped level
    virtual int32_t GetAccelerationLevel() const = 0;
    // Returns the fallback active stage (0-based) it stored.
    virtual int32_t SetActiveStage(int32_t stage, CMouseProfile* profile = nullptr) = 0;
    virtual int32_t GetActiveStage(CMouseProfile* profile = nullptr) const = 0;
    virtual void SetStageValue(int32_t stage, int32_t value, CMouseProfile* profile = nullptr) = 0;
    virtual int32_t GetStageValue(int32_t stage, CMouseProfile* profile = nullptr) const = 0;
    virtual void SetSensitivity(int32_t value, CMouseProfile* profile = nullptr) = 0;
    virtual int32_t GetSensitivity(CMouseProfile* profile = nullptr) const = 0;
    virtual void SetSensitivityX(int32_t value, CMouseProfile* profile = nullptr) = 0;
    virtual int32_t GetSensitivityX(CMouseProfile* profile = nullptr) const = 0;
    virtual void SetSensitivityY(int32_t value, CMouseProfile* profile = nullptr) = 0;
    virtual int32_t GetSensitivityY(CMouseProfile* profile = nullptr) const = 0;
    virtual void SetSeparateXY(bool separate, CMouseProfile* profile = nullptr) = 0;
    virtual bool GetSeparateXY(CMouseProfile* profile = nullptr) const = 0;
    virtual void SetStageX(int32_t stage, int32_t value, CMouseProfile* profile = nullptr) = 0;
    virtual int32_t GetStageX(int32_t stage, CMouseProfile* profile = nullptr) const = 0;
    virtual void SetStageY(int32_t stage, int32_t value, CMouseProfile* profile = nullptr) = 0;
    virtual int32_t GetStageY(int32_t stage, CMouseProfile* profile = nullptr) const = 0;
    virtual void SetSensitivityRange(int32_t minimum, int32_t maximum, int32_t step,
                                     CMouseProfile* profile = nullptr) = 0;
    virtual bool GetSensitivityRange(int32_t& minimum, int32_t& maximum, int32_t& step,
                                     CMouseProfile* profile = nullptr) const = 0;
    virtual void SetPollingRateChoice(int32_t choice) = 0;
    virtual int32_t GetPollingRateChoice() const = 0;
    virtual bool SetButtonAssignment(int32_t buttonId, const Assignment& assignment,
                                     CMouseProfile* profile = nullptr) = 0;
    virtual Assignment GetButtonAssignment(int32_t buttonId, CMouseProfile* profile = nullptr) = 0;
    virtual bool HasClickAssignment(CMouseProfile* profile = nullptr) const = 0;
    virtual bool SetKeyAssignment(int32_t keyId, const Assignment& assignment,
                                  CMouseProfile* profile = nullptr) = 0;
    virtual Assignment GetKeyAssignment(int32_t keyId, CMouseProfile* profile = nullptr) = 0;
    virtual void SetThumbKeysEnabled(bool enabled, CMouseProfile* profile = nullptr) = 0;
    virtual bool GetThumbKeysEnabled(CMouseProfile* profile = nullptr) const = 0;
    virtual CMacro* CreateMacro(const wchar_t* name, const MacroEvents& events) = 0;
    virtual void DeleteMacro(CMacro* macro) = 0;
    virtual CMacro* FindMacroById(const GUID& id) const = 0;
    virtual CMacro* FindMacroByName(const wchar_t* name) const = 0;
    virtual CMacro* MacroAt(int32_t index) const = 0;
    virtual void SetScrollLight(bool on, CMouseProfile* profile = nullptr) = 0;
    virtual bool GetScrollLight(CMouseProfile* profile = nullptr) const = 0;
    virtual void SetUnderGlowLight(bool on, CMouseProfile* profile = nullptr) = 0;
    virtual bool GetUnderGlowLight(CMouseProfile* profile = nullptr) const = 0;
    virtual bool LoadSettings() = 0;  // always false; see the definition
    virtual bool SaveSettings() = 0;
    virtual int32_t LoadProfileFiles() = 0;
    virtual bool SaveProfileFiles(CMouseProfile* profile = nullptr) = 0;
    virtual int32_t GetAccelerationMin() const = 0;
    virtual int32_t GetAccelerationMax() const = 0;
    virtual const wchar_t* ProfileFileExtension() const = 0;
};

// All data and behaviour; the product class supplies the folders, the file
// extension and the default settings of new profiles.
class CMouseConfig : public IMouseConfig {
public:
    CMouseConfig() = default;
    CMouseConfig(const CMouseConfig&) = delete;
    CMouseConfig& operator=(const CMouseConfig&) = delete;
    ~CMouseConfig() override = default;

    void ClearProfiles() override;
    void AttachDevice(IMouseDevice* device) override;
    bool SetStageCount(int32_t count, CMouseProfile* profile = nullptr) override;
    void SetAccelerationRange(int32_t minimum, int32_t maximum) override;
    void SetStagesInUse(int32_t count, CMouseProfile* profile = nullptr) override;
    int32_t GetProfileCount() const override { return static_cast<int32_t>(m_profiles.size()); }
    int32_t GetMacroCount() const override { return m_macros.Count(); }
    int32_t GetStageCount(CMouseProfile* profile = nullptr) const override;
    int32_t GetStagesInUse(CMouseProfile* profile = nullptr) const override;
    int32_t GetKeyAssignmentCount(CMouseProfile* profile = nullptr) const override;
    int32_t KeyIdAt(int32_t index, CMouseProfile* profile = nullptr) const override;
    CMouseProfile* CreateProfile(const wchar_t* name) override;
    CMouseProfile* AddCopy(const CMouseProfile* profile) override;
    CMouseProfile* ProfileAt(int32_t index) override;
    CMouseProfile* FindById(const GUID& id) override;
    CMouseProfile* FindByName(const wchar_t* name) override;
    CMouseProfile* Rename(CMouseProfile* profile, const wchar_t* newName) override;
    CMouseProfile* Duplicate(CMouseProfile* profile, const wchar_t* newName) override;
    void Delete(CMouseProfile* profile) override;
    CMouseProfile* GetCurrentProfile() const override { return m_current; }
    void SetCurrentProfile(CMouseProfile* profile) override { m_current = profile; }
    void SetProgramPath(CMouseProfile* profile, const wchar_t* path) override;
    std::wstring GetProgramPath(CMouseProfile* profile) const override;
    void SetAutoSwitch(CMouseProfile* profile, bool on) override;
    bool GetAutoSwitch(CMouseProfile* profile) const override;
    void SetProfileOsdAll(bool on) override;
    void SetProfileOsd(bool on, CMouseProfile* profile = nullptr) override;
    bool GetProfileOsd(CMouseProfile* profile = nullptr) const override;
    void SetDpiOsd(bool on, CMouseProfile* profile = nullptr) override;
    bool GetDpiOsd(CMouseProfile* profile = nullptr) const override;
    void SetStageFlag(int32_t stage, bool separate, CMouseProfile* profile = nullptr) override;
    bool GetStageFlag(int32_t stage, CMouseProfile* profile = nullptr) const override;
    void SetAccelerationEnabled(bool on) override { m_accelerationEnabled = on; }
    bool GetAccelerationEnabled() const override { return m_accelerationEnabled; }
    int32_t SetAccelerationLevel(int32_t level) override;
    int32_t GetAccelerationLevel() const override { return m_accelerationLevel; }
    int32_t SetActiveStage(int32_t stage, CMouseProfile* profile = nullptr) override;
    int32_t GetActiveStage(CMouseProfile* profile = nullptr) const override;
    void SetStageValue(int32_t stage, int32_t value, CMouseProfile* profile = nullptr) override;
    int32_t GetStageValue(int32_t stage, CMouseProfile* profile = nullptr) const override;
    void SetSensitivity(int32_t value, CMouseProfile* profile = nullptr) override;
    int32_t GetSensitivity(CMouseProfile* profile = nullptr) const override;
    void SetSensitivityX(int32_t value, CMouseProfile* profile = nullptr) override;
    int32_t GetSensitivityX(CMouseProfile* profile = nullptr) const override;
    void SetSensitivityY(int32_t value, CMouseProfile* profile = nullptr) override;
    int32_t GetSensitivityY(CMouseProfile* profile = nullptr) const override;
    void SetSeparateXY(bool separate, CMouseProfile* profile = nullptr) override;
    bool GetSeparateXY(CMouseProfile* profile = nullptr) const override;
    void SetStageX(int32_t stage, int32_t value, CMouseProfile* profile = nullptr) override;
    int32_t GetStageX(int32_t stage, CMouseProfile* profile = nullptr) const override;
    void SetStageY(int32_t stage, int32_t value, CMouseProfile* profile = nullptr) override;
    int32_t GetStageY(int32_t stage, CMouseProfile* profile = nullptr) const override;
    void SetSensitivityRange(int32_t minimum, int32_t maximum, int32_t step,
                             CMouseProfile* profile = nullptr) override;
    bool GetSensitivityRange(int32_t& minimum, int32_t& maximum, int32_t& step,
                             CMouseProfile* profile = nullptr) const override;
    void SetPollingRateChoice(int32_t choice) override { m_pollingRateChoice = choice; }
    int32_t GetPollingRateChoice() const override { return m_pollingRateChoice; }
    bool SetButtonAssignment(int32_t buttonId, const Assignment& assignment,
                             CMouseProfile* profile = nullptr) override;
    // Code -1 and a zero block when there is no profile.
    Assignment GetButtonAssignment(int32_t buttonId, CMouseProfile* profile = nullptr) override;
    bool HasClickAssignment(CMouseProfile* profile = nullptr) const override;
    bool SetKeyAssignment(int32_t keyId, const Assignment& assignment,
                          CMouseProfile* profile = nullptr) override;
    Assignment GetKeyAssignment(int32_t keyId, CMouseProfile* profile = nullptr) override;
    void SetThumbKeysEnabled(bool enabled, CMouseProfile* profile = nullptr) override;
    bool GetThumbKeysEnabled(CMouseProfile* profile = nullptr) const override;
    CMacro* CreateMacro(const wchar_t* name, const MacroEvents& events) override;
    void DeleteMacro(CMacro* macro) override { m_macros.Remove(macro); }
    CMacro* FindMacroById(const GUID& id) const override { return m_macros.FindById(id); }
    CMacro* FindMacroByName(const wchar_t* name) const override { return m_macros.FindByName(name); }
    CMacro* MacroAt(int32_t index) const override { return m_macros.At(index); }
    void SetScrollLight(bool on, CMouseProfile* profile = nullptr) override;
    bool GetScrollLight(CMouseProfile* profile = nullptr) const override;
    void SetUnderGlowLight(bool on, CMouseProfile* profile = nullptr) override;
    bool GetUnderGlowLight(CMouseProfile* profile = nullptr) const override;
    bool LoadSettings() override;
    bool SaveSettings() override;
    int32_t LoadProfileFiles() override;
    bool SaveProfileFiles(CMouseProfile* profile = nullptr) override;
    int32_t GetAccelerationMin() const override { return m_accelerationMin; }
    int32_t GetAccelerationMax() const override { return m_accelerationMax; }

    // Folders and files of the save folder, each a full path; folders end
    // with a backslash.
    virtual const std::wstring& ProfileFolder() const = 0;
    virtual const std::wstring& MacroFolder() const = 0;
    virtual const std::wstring& SettingsFilePath() const = 0;

    IMouseDevice* GetDevice() const { return m_device; }
    int32_t GetPollingRateCount() const { return m_pollingRateCount; }
    // Device-wide colour ranges, in the device's order.
    void ClearColourRanges() { m_colourRanges.clear(); }
    void AddColourRange(const ColourRange& range) { m_colourRanges.push_back(range); }
    int32_t GetColourRangeCount() const { return static_cast<int32_t>(m_colourRanges.size()); }
    const std::vector<ColourRange>& ColourRanges() const { return m_colourRanges; }
    CMacroList& Macros() { return m_macros; }
    const CMacroList& Macros() const { return m_macros; }

private:
    // The profile an operation works on: the one given, else the current one.
    CMouseProfile* Target(CMouseProfile* profile) const { return profile ? profile : m_current; }
    // Index into the fallback stage arrays, or -1 when they are empty.
    int32_t FallbackIndex(int32_t stage) const;
    int32_t ClampFallback(int32_t value) const;
    // The list entry that owns the profile, or end().
    std::vector<std::unique_ptr<CMouseProfile>>::iterator Find(const CMouseProfile* profile);

    IMouseDevice* m_device = nullptr;
    CMouseProfile* m_current = nullptr;
    std::vector<std::unique_ptr<CMouseProfile>> m_profiles;
    CMacroList m_macros;
    bool m_fallbackSeparate = false;  // shared by the stage flag and separate X and Y
    int32_t m_fallbackMin = 0;
    int32_t m_fallbackMax = 0;
    int32_t m_fallbackStep = 0;
    std::vector<int32_t> m_fallbackValues;
    std::vector<int32_t> m_fallbackX;
    std::vector<int32_t> m_fallbackY;
    int32_t m_fallbackStageCount = 0;
    int32_t m_fallbackStagesInUse = 0;
    int32_t m_fallbackActiveStage = -1;
    int32_t m_accelerationMin = 0;
    int32_t m_accelerationMax = 0;
    int32_t m_accelerationLevel = 0;
    bool m_accelerationEnabled = false;
    int32_t m_pollingRateCount = 0;
    int32_t m_pollingRateChoice = -1;
    bool m_fallbackUnderGlowLight = false;
    bool m_fallbackScrollLight = false;
    std::vector<ColourRange> m_colourRanges;
};
