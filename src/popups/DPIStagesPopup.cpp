#include "popups/DPIStagesPopup.h"

#include <algorithm>
#include <utility>

#include "controls/BitmapBtn.h"
#include "controls/DPIStageWindow.h"
#include "controls/PHSlider.h"
#include "controls/SliderHMulti.h"
#include "controls/TextItem.h"

namespace {

constexpr UINT kSliderChanged = 0x446;

// The slider's position for a value (the sliders count in steps).
int32_t Position(int32_t value, int32_t step) {
    return step > 0 ? value / step : value;
}

}  // namespace

// ---- the record ------------------------------------------------------------------

int32_t DpiStagesRecord::Clamp(int32_t value) const {
    value = std::clamp(value, minimum, maximum);
    if (step > 1) {
        const int64_t steps = (static_cast<int64_t>(value) + step / 2) / step;
        value = static_cast<int32_t>(steps * step);
        // Rounding may leave the range at either end: the nearest step inside.
        while (value > maximum)
            value -= step;
        while (value < minimum)
            value += step;
    }
    return value;
}

void DpiStagesRecord::Normalise() {
    if (step <= 0)
        step = 1;
    if (minimum > maximum)
        std::swap(minimum, maximum);
    // A range narrower than a step holds no step: widen it to one.
    if (maximum / step < (minimum + step - 1) / step)
        maximum = ((minimum + step - 1) / step) * step;
    if (stages.empty())
        stages.resize(1);
    for (DpiStageEntry& entry : stages) {
        entry.value = Clamp(entry.value);
        entry.x = Clamp(entry.x);
        entry.y = Clamp(entry.y);
    }
    inUse = std::clamp<uint32_t>(inUse, 1, static_cast<uint32_t>(stages.size()));
    active = std::clamp<int32_t>(active, 1, static_cast<int32_t>(inUse));
    for (size_t i = 0; i < stages.size(); ++i) {
        stages[i].inUse = i < inUse;
        stages[i].active = static_cast<int32_t>(i) + 1 == active;
    }
}

// ---- the popup -------------------------------------------------------------------

CDPIStagesPopup::CDPIStagesPopup(std::wstring skinFile, int templateId, HWND owner, DpiStagesRecord& record)
    : CPopupBox(std::move(skinFile), templateId, owner), m_record(record) {
    m_record.Normalise();
    Routes().On(kSeparateButton, [this] {
        if (m_separate != nullptr)
            ApplyAxisMode(m_separate->GetChecked() != 0);
    });
    Routes().On(kFewerButton, [this] { ChangeStageCount(-1); });
    Routes().On(kMoreButton, [this] { ChangeStageCount(+1); });
    Routes().On(kOkStagesButton, [this] { OnOK(); });
    Routes().On(kCancelStagesButton, [this] { End(kResultCancel); });
}

DpiStageEntry& CDPIStagesPopup::Active() {
    const size_t index = static_cast<size_t>(std::clamp<int32_t>(m_record.active, 1,
                                                                   static_cast<int32_t>(m_record.stages.size())) -
                                             1);
    return m_record.stages[index];
}

void CDPIStagesPopup::OnInitHook() {
    m_background.reset(CreateSolidBrush(RGB(0, 0, 0)));
    for (int i = 0; i < kTileCount; ++i)
        m_tiles[static_cast<size_t>(i)] = FindItemAs<CDPIStageWindow>(kFirstTile + i, kItemDpiStageWindow);
    m_count = FindItemAs<CTextItem>(kCountText, kItemText);
    m_separate = FindItemAs<CBitmapBtn>(kSeparateButton, kItemButton);
    m_both = FindItemAs<CSliderHMulti>(kBothSlider, kItemMultiSlider);
    m_x = FindItemAs<CSliderHMulti>(kXSlider, kItemMultiSlider);
    m_y = FindItemAs<CSliderHMulti>(kYSlider, kItemMultiSlider);
    const int32_t low = Position(m_record.minimum, m_record.step);
    const int32_t high = Position(m_record.maximum, m_record.step);
    for (CSliderHMulti* slider : {m_both, m_x, m_y}) {
        if (slider == nullptr)
            continue;
        slider->SetOwner(Handle());
        slider->SetRange(low, high);
    }
    for (CDPIStageWindow* tile : m_tiles) {
        if (tile != nullptr)
            tile->SetStageEnabled(true);
    }
    ShowStageCount();
    Refresh();
}

void CDPIStagesPopup::ShowStageCount() {
    if (m_count != nullptr)
        m_count->SetPlainText(std::to_wstring(m_record.inUse));
}

void CDPIStagesPopup::Refresh() {
    const DpiStageEntry& active = Active();
    if (m_separate != nullptr && (m_separate->GetChecked() != 0) != active.separate) {
        m_separate->SetChecked(active.separate ? 1 : 0);
        InvalidateRect(m_separate->Window(), nullptr, FALSE);
    }
    ApplyAxisMode(active.separate);
}

void CDPIStagesPopup::ApplyAxisMode(bool separate) {
    DpiStageEntry& active = Active();
    const bool changed = separate != active.separate;
    active.separate = separate;
    ShowItem(FindItem(kBothTrack), !separate);
    ShowItem(m_both, !separate);
    for (int32_t id : {kXTrack, kYTrack})
        ShowItem(FindItem(id), separate);
    ShowItem(m_x, separate);
    ShowItem(m_y, separate);
    if (changed) {
        if (separate)
            active.x = active.y = active.value;
        else
            active.value = active.x;
    }
    SetSliderPositions();
    UpdateTiles();
}

void CDPIStagesPopup::SetSliderPositions() {
    const DpiStageEntry& active = Active();
    auto place = [&](CSliderHMulti* slider, int32_t value) {
        if (slider != nullptr && slider->Thumb(0) != nullptr)
            slider->Thumb(0)->SetValue(Position(value, m_record.step));
    };
    place(m_both, active.value);
    place(m_x, active.x);
    place(m_y, active.y);
}

void CDPIStagesPopup::UpdateTiles() {
    const size_t count = std::min<size_t>(m_tiles.size(), m_record.stages.size());
    for (size_t k = 0; k < count; ++k) {
        DpiStageEntry& entry = m_record.stages[k];
        entry.inUse = k < m_record.inUse;
        if (entry.active && !entry.inUse) {
            // The active stage fell out of use: the last one in use takes over.
            entry.active = false;
            m_record.active = static_cast<int32_t>(m_record.inUse);
            m_record.stages[m_record.inUse - 1].active = true;
            if (m_tiles[m_record.inUse - 1] != nullptr)
                m_tiles[m_record.inUse - 1]->SetSelected(true);
        }
    }
    for (size_t k = 0; k < count; ++k) {
        CDPIStageWindow* tile = m_tiles[k];
        if (tile == nullptr)
            continue;
        const DpiStageEntry& entry = m_record.stages[k];
        tile->SetInUse(entry.inUse);
        tile->SetSelected(entry.active);
        tile->SetSeparateXY(entry.separate);
        tile->SetValue(entry.value);
        tile->SetXValue(entry.x);
        tile->SetYValue(entry.y);
        if (tile->Handle() != nullptr)
            InvalidateRect(tile->Handle(), nullptr, FALSE);
    }
    SetSliderPositions();
}

void CDPIStagesPopup::TakeOverFromTiles() {
    const size_t count = std::min<size_t>(m_tiles.size(), m_record.stages.size());
    int32_t last = 0;
    for (size_t k = 0; k < count; ++k) {
        if (m_tiles[k] == nullptr)
            continue;
        m_record.stages[k].active = m_tiles[k]->IsSelected();
        if (m_record.stages[k].active)
            last = static_cast<int32_t>(k) + 1;
    }
    // Without a selected tile (a skin without tiles) the active stage stays.
    if (last > 0)
        m_record.active = last;
    // Exactly one active entry: the one the number names.
    for (size_t k = 0; k < m_record.stages.size(); ++k)
        m_record.stages[k].active = static_cast<int32_t>(k) + 1 == m_record.active;
    Refresh();
}

void CDPIStagesPopup::ChangeStageCount(int delta) {
    const int64_t wanted = static_cast<int64_t>(m_record.inUse) + delta;
    m_record.inUse = static_cast<uint32_t>(std::clamp<int64_t>(wanted, 1, static_cast<int64_t>(m_record.stages.size())));
    ShowStageCount();
    UpdateTiles();
    TakeOverFromTiles();
}

void CDPIStagesPopup::OnSliderChanged(int32_t position, int32_t thumbId) {
    const int64_t raw = static_cast<int64_t>(position) * m_record.step;
    const int32_t value = static_cast<int32_t>(std::clamp<int64_t>(raw, m_record.minimum, m_record.maximum));
    DpiStageEntry& active = Active();
    switch (thumbId) {
        case kBothThumb: active.value = value; break;
        case kXThumb: active.x = value; break;
        case kYThumb: active.y = value; break;
        default: return;
    }
    UpdateTiles();
}

void CDPIStagesPopup::OnTileSelected(int32_t tileId) {
    for (int i = 0; i < kTileCount; ++i) {
        CDPIStageWindow* tile = m_tiles[static_cast<size_t>(i)];
        if (tile != nullptr && kFirstTile + i != tileId)
            tile->SetSelected(false);
    }
    TakeOverFromTiles();
    InvalidateRect(Handle(), nullptr, FALSE);
}

void CDPIStagesPopup::OnOK() {
    TakeOverFromTiles();
    End(kResultOk);
}

bool CDPIStagesPopup::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case kSliderChanged:
            OnSliderChanged(static_cast<int32_t>(wParam), static_cast<int32_t>(lParam));
            result = 0;
            return true;
        case WMU_DPISTAGE_SELECTED:
            OnTileSelected(static_cast<int32_t>(lParam));
            result = 0;
            return true;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            if (m_background) {
                result = reinterpret_cast<LRESULT>(m_background.get());
                return true;
            }
            break;
        default:
            break;
    }
    return CPopupBox::HandleMessage(message, wParam, lParam, result);
}
