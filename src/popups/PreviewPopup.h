// The profile preview: a read-only summary of one profile in its own skin
// ("PreviewPopup.xml"). A view list chooses between the top view's seven
// buttons and the twelve thumb keys of either key set; five stage tiles show
// the profile's sensitivity stages. The page describes the profile
// (PreviewContent); the popup only shows it.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

#include "popups/PopupBox.h"
#include "skin/ControlIds.h"

class CDropdownListItem;

// One assignment as shown: its function keyword (a language key, or text
// shown as written when the language lacks it) and its detail.
struct PreviewLine {
    std::wstring keyword;
    std::wstring detail;
};

struct PreviewStage {
    int32_t value = 0;
    int32_t x = 0;
    int32_t y = 0;
    bool separate = false;
    bool active = false;
    bool inUse = false;
};

struct PreviewContent {
    std::wstring name;                       // the profile's, after the heading
    std::array<PreviewLine, 7> topView;      // buttons 1, 2, 3, 25, 26, 10, 11
    std::array<PreviewLine, 12> keypad123;   // thumb positions of the 123 key set
    std::array<PreviewLine, 12> keypadNum;   // and of the NUM key set
    std::array<PreviewStage, 5> stages;      // stage 1 first
};

class CPreviewPopup : public CPopupBox {
public:
    static constexpr int32_t kViewList = ctl::LIST_GLOBAL_BASIC_COMMANDS;
    static constexpr int32_t kCloseButton = ctl::BUTTON_POPUP_PREVIEW_OK;
    static constexpr int32_t kNumberStrip = ctl::BITMAP_BUTTONNUMSTRIP;
    static constexpr int32_t kKeyNumberStrip = ctl::BITMAP_BUTTONNUMSTRIP12;
    static constexpr int32_t kHeading = ctl::TEXT_WARNDLG_HEADING;
    enum View : int { kTopView = 0, kView123 = 1, kViewNum = 2 };

    CPreviewPopup(std::wstring skinFile, int templateId, HWND owner, PreviewContent content);

    // Shows view 0..2 in the text lines; other numbers do nothing.
    void ShowView(int view);
    int CurrentView() const { return m_view; }
    // How an entry reads: the keyword through the language, then ": " and
    // the detail when there is one.
    static std::wstring LineText(const PreviewLine& line);

protected:
    void OnInitHook() override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    // Nothing is changed here: every way out is Cancel.
    void OnOK() override { End(kResultCancel); }

private:
    void ShowStages();

    PreviewContent m_content;
    CDropdownListItem* m_viewList = nullptr;  // an item of the panel
    int m_view = -1;
};

// The skinned product's preview, with its own place for look-specific
// behaviour; otherwise as its base.
class CVellPreviewPopup : public CPreviewPopup {
public:
    using CPreviewPopup::CPreviewPopup;
};
