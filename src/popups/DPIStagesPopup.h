// The sensitivity stages popup: how many stages are in use (1 to the number
// of entries), which one is active, and each stage's sensitivity, one value
// for both axes or X and Y apart. The performance page fills a record from
// the current profile, runs the popup modally and keeps the record on OK;
// every edit goes straight into the record.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "popups/PopupBox.h"
#include "win/Handles.h"

class CBitmapBtn;
class CDPIStageWindow;
class CSliderHMulti;
class CTextItem;

struct DpiStageEntry {
    int32_t value = 0;  // both axes
    int32_t x = 0;
    int32_t y = 0;
    bool active = false;
    bool inUse = false;
    bool separate = false;  // X and Y apart for this stage

    bool operator==(const DpiStageEntry&) const = default;
};

struct DpiStagesRecord {
    int32_t minimum = 100;
    int32_t maximum = 5600;
    int32_t step = 100;
    uint32_t inUse = 1;
    int32_t active = 1;  // 1-based
    std::vector<DpiStageEntry> stages;

    // Puts a record that came from elsewhere (a mouse, a file) into shape:
    // a sane range and step, at least one entry, the counts within the
    // entries, every value within the range and on the step, exactly one
    // active entry among those in use.
    void Normalise();
    // `value` within the range and on the step (rounded to the nearest).
    int32_t Clamp(int32_t value) const;
};

class CDPIStagesPopup : public CPopupBox {
public:
    static constexpr int32_t kFirstTile = ctl::DPISTAGEWINDOW_01;
    static constexpr int32_t kTileCount = 5;
    static constexpr int32_t kCountText = ctl::TEXT_NUMSTAGES;
    static constexpr int32_t kSeparateButton = ctl::BUTTON_ENABLEXY_POPUP;
    static constexpr int32_t kBothSlider = ctl::SLIDER_DPI_MULTI_POPUP;
    static constexpr int32_t kXSlider = ctl::SLIDER_DPI_MULTI_X_POPUP;
    static constexpr int32_t kYSlider = ctl::SLIDER_DPI_MULTI_Y_POPUP;
    static constexpr int32_t kBothThumb = ctl::SLIDER_DPI_MULTI_STAGE1_POPUP;
    static constexpr int32_t kXThumb = ctl::SLIDER_DPI_MULTI_STAGE1_X_POPUP;
    static constexpr int32_t kYThumb = ctl::SLIDER_DPI_MULTI_STAGE1_Y_POPUP;
    static constexpr int32_t kBothTrack = ctl::BITMAP_SLSENSTRK_XY_POPUP;
    static constexpr int32_t kXTrack = ctl::BITMAP_SLSENSTRK_X_POPUP;
    static constexpr int32_t kYTrack = ctl::BITMAP_SLSENSTRK_Y_POPUP;
    static constexpr int32_t kFewerButton = ctl::BUTTON_DPISTAGES_DEC;
    static constexpr int32_t kMoreButton = ctl::BUTTON_DPISTAGES_INC;
    static constexpr int32_t kOkStagesButton = ctl::BUTTON_DPISTAGES_OK;
    static constexpr int32_t kCancelStagesButton = ctl::BUTTON_DPISTAGES_CANCEL;

    // The record is normalised first and edited in place.
    CDPIStagesPopup(std::wstring skinFile, int templateId, HWND owner, DpiStagesRecord& record);

    const DpiStagesRecord& Record() const { return m_record; }

protected:
    void OnInitHook() override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnOK() override;

private:
    DpiStageEntry& Active();
    void Refresh();
    void ApplyAxisMode(bool separate);
    void SetSliderPositions();
    void UpdateTiles();
    void TakeOverFromTiles();
    void ChangeStageCount(int delta);
    void ShowStageCount();
    void OnSliderChanged(int32_t position, int32_t thumbId);
    void OnTileSelected(int32_t tileId);

    DpiStagesRecord& m_record;
    std::array<CDPIStageWindow*, kTileCount> m_tiles = {};
    CTextItem* m_count = nullptr;
    CBitmapBtn* m_separate = nullptr;
    CSliderHMulti* m_both = nullptr;
    CSliderHMulti* m_x = nullptr;
    CSliderHMulti* m_y = nullptr;
    win::UniqueBrush m_background;
};

// The skinned product's stages popup, with its own place for look-specific
// behaviour; otherwise as its base.
class CVellDPIStagesPopup : public CDPIStagesPopup {
public:
    using CDPIStagesPopup::CDPIStagesPopup;
};
