#include "popups/PreviewPopup.h"

#include <utility>

#include "controls/DPIStageWindow.h"
#include "controls/DropdownListItem.h"
#include "controls/TextItem.h"
#include "skin/LangTable.h"

namespace {

constexpr int32_t kFirstLine = ctl::TEXT_PREVIEW_01;
constexpr int32_t kFirstThumbOnlyLine = ctl::TEXT_PREVIEW_08;
constexpr int32_t kLastLine = ctl::TEXT_PREVIEW_12;
constexpr int32_t kFirstTile = ctl::DPISTAGEWINDOW_01;

std::wstring Resolved(const std::wstring& text) {
    std::wstring shown;
    return lang::Resolve(text, shown) ? shown : text;
}

}  // namespace

CPreviewPopup::CPreviewPopup(std::wstring skinFile, int templateId, HWND owner, PreviewContent content)
    : CPopupBox(std::move(skinFile), templateId, owner), m_content(std::move(content)) {
    Routes().On(kCloseButton, [this] { End(kResultCancel); });
}

std::wstring CPreviewPopup::LineText(const PreviewLine& line) {
    if (line.keyword.empty())
        return {};
    std::wstring text = Resolved(line.keyword);
    if (!line.detail.empty())
        text += lang::NameSeparator() + line.detail;
    return text;
}

void CPreviewPopup::OnInitHook() {
    // Which profile this is, after the skin's heading.
    if (auto* heading = FindItemAs<CTextItem>(kHeading, kItemText); heading != nullptr && !m_content.name.empty())
        heading->SetPlainText(heading->GetText() + lang::NameSeparator() + m_content.name);
    m_viewList = FindItemAs<CDropdownListItem>(kViewList, kItemDropdown);
    if (m_viewList != nullptr) {
        m_viewList->ClearEntries();
        const std::wstring grid = Resolved(L"$ThumbGridView");
        m_viewList->AddEntry(L"$TopView");
        m_viewList->AddEntry(grid + L" (123)");
        m_viewList->AddEntry(grid + L" (NUM)");
        m_viewList->SelectEntry(kTopView);
    }
    ShowStages();
    ShowView(kTopView);
}

void CPreviewPopup::ShowStages() {
    for (int i = 0; i < static_cast<int>(m_content.stages.size()); ++i) {
        auto* tile = FindItemAs<CDPIStageWindow>(kFirstTile + i, kItemDpiStageWindow);
        if (tile == nullptr)
            continue;
        const PreviewStage& stage = m_content.stages[static_cast<size_t>(i)];
        tile->SetValue(stage.value);
        tile->SetXValue(stage.x);
        tile->SetYValue(stage.y);
        tile->SetSeparateXY(stage.separate);
        tile->SetSelected(stage.active);
        // Shown, never chosen: a click changes nothing here.
        tile->SetStageEnabled(false);
        tile->SetInUse(stage.inUse);
    }
}

void CPreviewPopup::ShowView(int view) {
    if (view < kTopView || view > kViewNum)
        return;
    m_view = view;
    const bool top = view == kTopView;
    ShowItem(FindItem(kNumberStrip), top);
    ShowItem(FindItem(kKeyNumberStrip), !top);
    for (int32_t id = kFirstThumbOnlyLine; id <= kLastLine; ++id)
        ShowItem(FindItem(id), !top);
    const PreviewLine* lines = top ? m_content.topView.data()
                               : view == kView123 ? m_content.keypad123.data()
                                                  : m_content.keypadNum.data();
    const int count = top ? static_cast<int>(m_content.topView.size()) : 12;
    for (int i = 0; i < count; ++i) {
        if (auto* text = FindItemAs<CTextItem>(kFirstLine + i, kItemText))
            text->SetPlainText(LineText(lines[i]));
    }
}

bool CPreviewPopup::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == CDropdownListItem::kChosenMessage && m_viewList != nullptr &&
        reinterpret_cast<HWND>(lParam) == m_viewList->Window()) {
        ShowView(static_cast<int>(wParam));
        result = 0;
        return true;
    }
    return CPopupBox::HandleMessage(message, wParam, lParam, result);
}
