// The manage-macros page: the list of macro names, the macro display with
// its recorder, and the buttons new, import, export, delete, record/stop and
// insert command, the two delay options and the default delay. Every macro
// lives in the configuration's macro list; the page keeps no copy. While a
// macro is recorded, the main window takes no command but the record
// button's.
#pragma once

#include <string>

#include "app/pages/Page.h"
#include "model/MouseDevice.h"

class CAssignPage;
class CBitmapBtn;
class CEditItem;
class CMacro;
class CMacroDisplayItem;
class CXListCtrl;

class CMacrosPage : public CPage {
public:
    // `assign` (may be null) resets the buttons that run a deleted macro.
    CMacrosPage(CVellConfig& config, IMouseDevice* device, IPageHost& host, const ItemList& items,
                CAssignPage* assign);

    uint32_t Flags() const override { return kPageMacros; }
    void Bind() override;
    // Fills the macro list and shows the selected macro's events.
    void Refresh() override;
    bool OnNotify(UINT message, WPARAM wParam, LPARAM lParam, CGUIItem* sender) override;
    bool IsRecording() const;

    // The mouse's limits, and whether one more macro fits (a popup says
    // when not).
    DeviceLimits Limits() const;
    bool RoomForAnotherMacro();
    void NewMacro();
    void ToggleRecording();
    void InsertPredefined();
    void DeleteMacro();
    void ImportMacro();
    bool ImportFile(const std::wstring& path);
    void ExportMacro();
    void SelectMacro(int index);
    void EditKeyRow();
    // The delay options: one on switches the other off.
    void SetIgnoreDelays(bool on);
    void SetInsertDefaultDelay(bool on);

    int SelectedMacro() const { return m_selected; }
    static constexpr wchar_t kExtension[] = L"vxm";

private:
    CMacro* Selected() const;
    void FillList();
    void ShowSelected();
    void EnableControls(bool enabled);
    // Reads the default-delay box; 0 when empty or not a number.
    uint32_t DefaultDelayFromBox() const;

    const ItemList& m_items;
    CAssignPage* m_assign;
    CXListCtrl* m_list = nullptr;
    CMacroDisplayItem* m_display = nullptr;
    CBitmapBtn* m_record = nullptr;
    CBitmapBtn* m_ignoreDelays = nullptr;
    CBitmapBtn* m_defaultDelay = nullptr;
    CEditItem* m_delayBox = nullptr;
    int m_selected = -1;  // index of the macro shown
    int m_recordingMacro = -1;
};
