#include "app/pages/PerformancePage.h"

#include <algorithm>
#include <cwchar>

#include "app/Manual.h"
#include "app/resource.h"
#include "controls/BitmapBtn.h"
#include "controls/PHSlider.h"
#include "controls/SliderHMulti.h"
#include "controls/TextItem.h"
#include "model/MouseDevice.h"
#include "model/VellConfig.h"
#include "popups/PopupBox.h"
#include "skin/LangTable.h"

namespace {

constexpr UINT kSliderChanged = 0x446;
constexpr wchar_t kStagesPopup[] = L"DPIStagesPopup.xml";
constexpr wchar_t kRestorePopup[] = L"RestorePopup.xml";

// Shows or hides a page item (and the window that goes with it) without
// disturbing the keyboard focus.
void ShowPageItem(CGUIItem* item, bool show) {
    if (item == nullptr || item->Window() == nullptr)
        return;
    ShowWindow(item->Window(), show ? SW_SHOWNA : SW_HIDE);
    if (HWND inner = item->InnerWindow())
        ShowWindow(inner, show ? SW_SHOWNA : SW_HIDE);
}

bool Checked(const CBitmapBtn* button) {
    return button != nullptr && button->GetChecked() != 0;
}

void SetChecked(CBitmapBtn* button, bool checked) {
    if (button == nullptr || Checked(button) == checked)
        return;
    button->SetChecked(checked ? 1 : 0);
    if (button->Window() != nullptr)
        InvalidateRect(button->Window(), nullptr, FALSE);
}

int32_t ThumbValue(const CSliderHMulti* slider) {
    return slider != nullptr && slider->Thumb(0) != nullptr ? slider->Thumb(0)->Value() : 0;
}

void SetThumb(CSliderHMulti* slider, int32_t position) {
    if (slider != nullptr && slider->Thumb(0) != nullptr)
        slider->Thumb(0)->SetValue(position);
}

}  // namespace

CPerformancePage::CPerformancePage(CVellConfig& config, IMouseDevice* device, IPageHost& host,
                                   const ItemList& performance, const ItemList& lighting)
    : CPage(config, device, host), m_performanceItems(performance), m_lightingItems(lighting) {
    m_routes.On(ctl::BUTTON_ENABLEXY, [this] { OnSeparateXY(); });
    m_routes.On(ctl::BUTTON_ENABLEACCELERATION, [this] { OnAcceleration(); });
    m_routes.On(ctl::BUTTON_RATE1, [this] { ChooseRate(0); });
    m_routes.On(ctl::BUTTON_RATE2, [this] { ChooseRate(1); });
    m_routes.On(ctl::BUTTON_RATE3, [this] { ChooseRate(2); });
    m_routes.On(ctl::BUTTON_ENABLE_DPI_OSD, [this] { m_config.SetDpiOsd(Checked(m_dpiOsd)); });
    m_routes.On(ctl::BUTTON_ENABLE_PROFILE_OSD, [this] { m_config.SetProfileOsdAll(Checked(m_profileOsd)); });
    m_routes.On(ctl::BUTTON_SENSITIVITY_STAGES, [this] { EditStages(); });
    m_routes.On(ctl::SCROLL_LEDON, [this] { SetLight(true, true); });
    m_routes.On(ctl::SCROLL_LEDOFF, [this] { SetLight(true, false); });
    m_routes.On(ctl::GLOW_LEDON, [this] { SetLight(false, true); });
    m_routes.On(ctl::GLOW_LEDOFF, [this] { SetLight(false, false); });
    m_routes.On(ctl::BUTTON_RESET, [this] { ResetProfile(); });
    m_routes.On(ctl::BUTTON_UPDATE, [this] { OpenManualAt(L"updating"); });
    m_routes.On(ctl::BUTTON_CHECKADDONS, [this] { OpenManualAt(L"addons"); });
}

void CPerformancePage::Bind() {
    auto button = [this](int32_t id) {
        auto* found = Find<CBitmapBtn>(m_performanceItems, id, kItemButton);
        return found != nullptr ? found : Find<CBitmapBtn>(m_lightingItems, id, kItemButton);
    };
    auto slider = [this](int32_t id) { return Find<CSliderHMulti>(m_performanceItems, id, kItemMultiSlider); };
    auto text = [this](const ItemList& items, int32_t id) { return Find<CTextItem>(items, id, kItemText); };

    m_separate = button(ctl::BUTTON_ENABLEXY);
    m_both = slider(ctl::SLIDER_DPI_MULTI);
    m_x = slider(ctl::SLIDER_DPI_MULTI_X);
    m_y = slider(ctl::SLIDER_DPI_MULTI_Y);
    m_value1 = text(m_performanceItems, ctl::TEXT_DPIVALUE1);
    m_value2 = text(m_performanceItems, ctl::TEXT_DPIVALUE2);
    m_acceleration = button(ctl::BUTTON_ENABLEACCELERATION);
    m_accel = slider(ctl::SLIDER_ID_ACCEL);
    m_accelOff = slider(ctl::SLIDER_ID_ACCELDISB);
    const int32_t rateIds[] = {ctl::BUTTON_RATE1, ctl::BUTTON_RATE2, ctl::BUTTON_RATE3};
    for (size_t i = 0; i < m_rates.size(); ++i) {
        m_rates[i] = button(rateIds[i]);
        if (m_rates[i] != nullptr)
            m_rateSuffixes[i] = m_rates[i]->Caption();
    }
    m_dpiOsd = button(ctl::BUTTON_ENABLE_DPI_OSD);
    m_profileOsd = button(ctl::BUTTON_ENABLE_PROFILE_OSD);
    m_scrollOn = button(ctl::SCROLL_LEDON);
    m_scrollOff = button(ctl::SCROLL_LEDOFF);
    m_glowOn = button(ctl::GLOW_LEDON);
    m_glowOff = button(ctl::GLOW_LEDOFF);
    m_firmware = text(m_lightingItems, ctl::TEXT_FIRMWAREVER);
    m_driver = text(m_lightingItems, ctl::TEXT_DRIVERVER);
    if (m_firmware != nullptr)
        m_firmwareLabel = m_firmware->GetText();
    if (m_driver != nullptr)
        m_driverLabel = m_driver->GetText();
    // The sliders report to the main window, which hands their changes here.
    for (CSliderHMulti* s : {m_both, m_x, m_y, m_accel, m_accelOff}) {
        if (s != nullptr)
            s->SetOwner(m_host.Window());
    }
}

int32_t CPerformancePage::Step() const {
    int32_t minimum = 0, maximum = 0, step = 0;
    m_config.GetSensitivityRange(minimum, maximum, step);
    return step > 0 ? step : 1;
}

// ---- refresh ---------------------------------------------------------------------

void CPerformancePage::Refresh() {
    if (m_config.GetCurrentProfile() == nullptr)
        return;
    ShowLights();
    int32_t minimum = 0, maximum = 0, step = 0;
    m_config.GetSensitivityRange(minimum, maximum, step);
    step = std::max(step, 1);
    for (CSliderHMulti* s : {m_both, m_x, m_y}) {
        if (s != nullptr)
            s->SetRange(minimum / step, maximum / step);
    }
    for (CSliderHMulti* s : {m_accel, m_accelOff}) {
        if (s != nullptr)
            s->SetRange(m_config.GetAccelerationMin(), m_config.GetAccelerationMax());
    }
    SetChecked(m_separate, m_config.GetSeparateXY());
    ShowSeparateXY(false);
    SetChecked(m_acceleration, m_config.GetAccelerationEnabled());
    ShowAcceleration(false);
    ShowRates();
    SetChecked(m_dpiOsd, m_config.GetDpiOsd());
    SetChecked(m_profileOsd, m_config.GetProfileOsd());
    ShowVersions();
}

void CPerformancePage::ShowViews() {
    if (m_config.GetCurrentProfile() == nullptr)
        return;
    ShowSeparateXY(false);
    ShowAcceleration(false);
}

// ---- sensitivity -----------------------------------------------------------------

bool CPerformancePage::OnNotify(UINT message, WPARAM wParam, LPARAM lParam, CGUIItem* sender) {
    (void)sender;
    if (message != kSliderChanged)
        return false;
    OnSliderChanged(static_cast<int32_t>(wParam), static_cast<int32_t>(lParam));
    return true;
}

void CPerformancePage::OnSliderChanged(int32_t position, int32_t trackId) {
    if (m_config.GetCurrentProfile() == nullptr)
        return;
    const int32_t value = static_cast<int32_t>(std::clamp<int64_t>(static_cast<int64_t>(position) * Step(),
                                                                   INT32_MIN, INT32_MAX));
    if (trackId >= ctl::SLIDER_DPI_MULTI_STAGE1 && trackId < ctl::SLIDER_DPI_MULTI_STAGE1 + 5) {
        m_config.SetSensitivity(value);
    } else if (trackId >= ctl::SLIDER_DPI_MULTI_X_STAGE1 && trackId < ctl::SLIDER_DPI_MULTI_X_STAGE1 + 5) {
        m_config.SetSensitivityX(value);
    } else if (trackId >= ctl::SLIDER_DPI_MULTI_Y_STAGE1 && trackId < ctl::SLIDER_DPI_MULTI_Y_STAGE1 + 5) {
        m_config.SetSensitivityY(value);
    } else if (trackId == ctl::SLIDER_ACCEL_STAGE1) {
        m_config.SetAccelerationLevel(position);
        return;
    } else {
        return;
    }
    ShowValues();
}

void CPerformancePage::ShowValues() {
    const int32_t step = Step();
    const bool separate = m_config.GetSeparateXY();
    if (m_value1 != nullptr)
        m_value1->SetPlainText(std::to_wstring((separate ? ThumbValue(m_x) : ThumbValue(m_both)) * step));
    if (m_value2 != nullptr)
        m_value2->SetPlainText(std::to_wstring(ThumbValue(m_y) * step));
}

void CPerformancePage::OnSeparateXY() {
    const bool checked = Checked(m_separate);
    const bool switched = checked != m_config.GetSeparateXY();
    if (switched)
        m_config.SetSeparateXY(checked);
    ShowSeparateXY(switched);
}

void CPerformancePage::ShowSeparateXY(bool justSwitched) {
    int32_t both = m_config.GetSensitivity();
    int32_t x = m_config.GetSensitivityX();
    int32_t y = m_config.GetSensitivityY();
    if (m_host.CurrentPage() != kPagePerformance)
        return;
    const bool separate = m_config.GetSeparateXY();
    if (separate) {
        if (justSwitched)
            x = y = both;
    } else if (justSwitched) {
        both = x;
    }
    ShowPageItem(::FindItem(m_performanceItems, ctl::BITMAP_SLSENSTRK_XY), !separate);
    ShowPageItem(m_both, !separate);
    ShowPageItem(::FindItem(m_performanceItems, ctl::TEXT_DPI1), !separate);
    for (int32_t id : {ctl::BITMAP_SLSENSTRK_X, ctl::BITMAP_SLSENSTRK_Y, ctl::BITMAP_SENSWINDOW2, ctl::TEXT_HEADING_X,
                       ctl::TEXT_HEADING_Y, ctl::TEXT_DPI2, ctl::TEXT_DPIVALUE2})
        ShowPageItem(::FindItem(m_performanceItems, id), separate);
    ShowPageItem(m_x, separate);
    ShowPageItem(m_y, separate);
    if (justSwitched) {
        m_config.SetSensitivity(both);
        m_config.SetSensitivityX(x);
        m_config.SetSensitivityY(y);
    }
    const int32_t step = Step();
    SetThumb(m_both, both / step);
    SetThumb(m_x, x / step);
    SetThumb(m_y, y / step);
    ShowValues();
}

// ---- acceleration and polling ------------------------------------------------------

void CPerformancePage::OnAcceleration() {
    const bool checked = Checked(m_acceleration);
    const bool changed = checked != m_config.GetAccelerationEnabled();
    if (changed)
        m_config.SetAccelerationEnabled(checked);
    ShowAcceleration(changed);
}

void CPerformancePage::ShowAcceleration(bool changed) {
    const bool enabled = m_config.GetAccelerationEnabled();
    if (m_host.CurrentPage() == kPagePerformance) {
        ShowPageItem(m_accel, enabled);
        ShowPageItem(::FindItem(m_performanceItems, ctl::BITMAP_SLACCLTRK), enabled);
        ShowPageItem(m_accelOff, !enabled);
        ShowPageItem(::FindItem(m_performanceItems, ctl::BITMAP_SLACCLTRKDISB), !enabled);
    }
    if (changed && m_accel != nullptr)
        m_config.SetAccelerationLevel(ThumbValue(m_accel));
    const int32_t level = m_config.GetAccelerationLevel();
    SetThumb(m_accel, level);
    SetThumb(m_accelOff, level);
    if (m_host.CurrentPage() == kPagePerformance)
        RedrawWindow(m_host.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void CPerformancePage::ChooseRate(int32_t choice) {
    m_config.SetPollingRateChoice(choice);
    ShowRates();
}

void CPerformancePage::ShowRates() {
    const int32_t choice = m_config.GetPollingRateChoice();
    const int offered = m_device != nullptr ? std::min(m_device->GetPollingRateCount(), 3) : 0;
    for (int i = 0; i < 3; ++i) {
        CBitmapBtn* rate = m_rates[static_cast<size_t>(i)];
        if (rate == nullptr)
            continue;
        if (i < offered) {
            // The interval the mouse offers, then the skin's own caption (its unit).
            const std::wstring caption = std::to_wstring(m_device->GetPollingRate(i)) + m_rateSuffixes[static_cast<size_t>(i)];
            if (caption != rate->Caption())
                rate->SetCaption(caption, 0);
            SetChecked(rate, i == choice);
        } else {
            if (m_rateSuffixes[static_cast<size_t>(i)] != rate->Caption())
                rate->SetCaption(m_rateSuffixes[static_cast<size_t>(i)], 0);
            SetChecked(rate, false);
        }
        EnableWindow(rate->Window(), i < offered);
    }
}

// ---- the stages ------------------------------------------------------------------

DpiStagesRecord CPerformancePage::StagesOfProfile() const {
    DpiStagesRecord record;
    m_config.GetSensitivityRange(record.minimum, record.maximum, record.step);
    const int32_t count = m_config.GetStageCount();
    const int32_t inUse = m_config.GetStagesInUse();
    const int32_t active = m_config.GetActiveStage();
    record.inUse = static_cast<uint32_t>(std::max(inUse, 0));
    record.active = active;
    for (int32_t stage = 1; stage <= count; ++stage) {
        DpiStageEntry entry;
        entry.value = m_config.GetStageValue(stage);
        entry.x = m_config.GetStageX(stage);
        entry.y = m_config.GetStageY(stage);
        entry.active = stage == active;
        entry.inUse = stage <= inUse;
        entry.separate = m_config.GetStageFlag(stage);
        record.stages.push_back(entry);
    }
    record.Normalise();
    return record;
}

void CPerformancePage::TakeStages(const DpiStagesRecord& record) {
    m_config.SetStagesInUse(static_cast<int32_t>(record.inUse));
    for (size_t i = 0; i < record.stages.size(); ++i) {
        const int32_t stage = static_cast<int32_t>(i) + 1;
        const DpiStageEntry& entry = record.stages[i];
        m_config.SetStageValue(stage, entry.value);
        m_config.SetStageX(stage, entry.x);
        m_config.SetStageY(stage, entry.y);
        m_config.SetStageFlag(stage, entry.separate);
        if (entry.active) {
            m_config.SetActiveStage(stage);
            m_config.SetSensitivity(entry.value);
            m_config.SetSensitivityX(entry.x);
            m_config.SetSensitivityY(entry.y);
            m_config.SetSeparateXY(entry.separate);
        }
    }
}

bool CPerformancePage::EditStages() {
    if (m_config.GetCurrentProfile() == nullptr || m_config.GetStageCount() <= 0)
        return false;
    DpiStagesRecord record = StagesOfProfile();
    CVellDPIStagesPopup popup(kStagesPopup, IDD_POPUP_STAGES, m_host.Window(), record);
    if (m_host.RunPopup(popup) != CPopupBox::kResultOk)
        return false;
    TakeStages(record);
    Refresh();
    return true;
}

// ---- lights, versions, reset -------------------------------------------------------

void CPerformancePage::SetLight(bool scroll, bool on) {
    if (scroll)
        m_config.SetScrollLight(on);
    else
        m_config.SetUnderGlowLight(on);
    ShowLights();
}

void CPerformancePage::ShowLights() {
    const bool scroll = m_config.GetScrollLight();
    const bool glow = m_config.GetUnderGlowLight();
    SetChecked(m_scrollOn, scroll);
    SetChecked(m_scrollOff, !scroll);
    SetChecked(m_glowOn, glow);
    SetChecked(m_glowOff, !glow);
}

void CPerformancePage::ShowVersions() {
    auto show = [this](CTextItem* item, const std::wstring& label, bool (IMouseDevice::*get)(std::wstring&)) {
        if (item == nullptr)
            return;
        std::wstring version;
        if (m_device != nullptr && (m_device->*get)(version) && !version.empty())
            item->SetPlainText(label + lang::NameSeparator() + version);
        else
            item->SetPlainText(label);
    };
    show(m_firmware, m_firmwareLabel, &IMouseDevice::GetFirmwareVersion);
    show(m_driver, m_driverLabel, &IMouseDevice::GetDriverVersion);
}

void CPerformancePage::ResetProfile() {
    CMouseProfile* profile = m_config.GetCurrentProfile();
    if (profile == nullptr || Warn(kRestorePopup, {}) != CPopupBox::kResultOk)
        return;
    m_config.RestoreDefaults(profile);
    m_host.RefreshPages();
}

void CPerformancePage::OpenManualAt(const wchar_t* chapter) {
    app::OpenManual(m_host.Window(), chapter);
}
