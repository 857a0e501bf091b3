// The performance and lighting pages: sensitivity for both axes or X and Y
// apart, the sensitivity stages (through their popup), acceleration, the
// polling rate, the on-screen displays, the two lights, the versions, and
// the pages of the manual about updating and add-ons. The pages hold no
// state: every control is set from the configuration at refresh and writes
// to it at once.
#pragma once

#include <array>
#include <string>

#include "app/pages/Page.h"
#include "popups/DPIStagesPopup.h"

class CBitmapBtn;
class CSliderHMulti;
class CTextItem;

class CPerformancePage : public CPage {
public:
    CPerformancePage(CVellConfig& config, IMouseDevice* device, IPageHost& host, const ItemList& performance,
                     const ItemList& lighting);

    uint32_t Flags() const override { return kPagePerformance | kPageLighting; }
    void Bind() override;
    void Refresh() override;
    bool OnNotify(UINT message, WPARAM wParam, LPARAM lParam, CGUIItem* sender) override;

    // Re-applies the two check buttons' views; the main window calls it when
    // the performance page is shown.
    void ShowViews();

    // The stages record of the current profile, as the popup gets it.
    DpiStagesRecord StagesOfProfile() const;
    // Writes a record back into the current profile (what OK of the popup does).
    void TakeStages(const DpiStagesRecord& record);
    // Runs the popup; true when it was closed with OK. A test may answer it.
    bool EditStages();

private:
    int32_t Step() const;
    void OnSliderChanged(int32_t position, int32_t trackId);
    void ShowValues();
    void OnSeparateXY();
    void ShowSeparateXY(bool justSwitched);
    void OnAcceleration();
    void ShowAcceleration(bool changed);
    void ChooseRate(int32_t choice);
    void ShowRates();
    void SetLight(bool scroll, bool on);
    void ShowLights();
    void ShowVersions();
    void ResetProfile();
    void OpenManualAt(const wchar_t* chapter);

    const ItemList& m_performanceItems;
    const ItemList& m_lightingItems;
    CBitmapBtn* m_separate = nullptr;
    CSliderHMulti* m_both = nullptr;
    CSliderHMulti* m_x = nullptr;
    CSliderHMulti* m_y = nullptr;
    CTextItem* m_value1 = nullptr;
    CTextItem* m_value2 = nullptr;
    CBitmapBtn* m_acceleration = nullptr;
    CSliderHMulti* m_accel = nullptr;
    CSliderHMulti* m_accelOff = nullptr;
    std::array<CBitmapBtn*, 3> m_rates = {};
    std::array<std::wstring, 3> m_rateSuffixes;
    CBitmapBtn* m_dpiOsd = nullptr;
    CBitmapBtn* m_profileOsd = nullptr;
    CBitmapBtn* m_scrollOn = nullptr;
    CBitmapBtn* m_scrollOff = nullptr;
    CBitmapBtn* m_glowOn = nullptr;
    CBitmapBtn* m_glowOff = nullptr;
    CTextItem* m_firmware = nullptr;
    CTextItem* m_driver = nullptr;
    std::wstring m_firmwareLabel;
    std::wstring m_driverLabel;
};
