// The main window: a frameless skinned dialog drawn from "MainPage.xml". It
// reads the configuration from the mouse when it opens, shows the current
// profile, sends the configuration to the mouse on Apply and OK, and shows
// the pressed face of the tab of the page in view.
#pragma once

#include <windows.h>

#include <string>

#include "controls/Panel.h"

class CMouseConfig;
class IMouseDevice;

class CVellAppDlg : public CGUIPanel {
public:
    // Control ids of the main page's buttons.
    enum : int32_t {
        kHelpButton = 6,
        kExitButton = 7,
        kOkButton = 8,
        kApplyButton = 9,
        kCancelButton = 10,
        kFirstTab = 208,  // assign buttons, then performance, profiles, macros, lighting
        kLastTab = 212,
        kProfileInfoText = 224,
        kProfileNameText = 225,
    };

    // Neither is owned; both may be null (no mouse link).
    CVellAppDlg(CMouseConfig* config, IMouseDevice* device);

    // The window property that holds the performance-counter value at the
    // end of the first paint, for start-up measurements.
    static constexpr wchar_t kFirstPaintProperty[] = L"TarnFirstPaint";

    int32_t CurrentTab() const { return m_currentTab; }
    // Shows the tab's pressed face and every other tab's released face.
    void SelectTab(int32_t tabId);
    // Sends the whole configuration to the mouse; false when there is no
    // mouse or the write failed.
    bool Apply();

protected:
    bool OnInitDialog() override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void OnCommand(int32_t id);
    void ReadMouse();
    void ShowProfile();
    void OpenManual();

    CMouseConfig* m_config;
    IMouseDevice* m_device;
    HICON m_icon = nullptr;  // shared resource icon: never destroyed
    int32_t m_currentTab = kFirstTab;
    bool m_painted = false;
};
