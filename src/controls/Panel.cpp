#include "controls/Panel.h"

#include <utility>

#include "controls/PanelItems.h"
#include "controls/Picture.h"
#include "skin/SkinLoader.h"
#include "win/Gdi.h"
#include "win/MemDC.h"

namespace {

constexpr int32_t kBackgroundId = 0;
constexpr int32_t kMaskId = 1;

HINSTANCE ProgramModule() {
    return GetModuleHandleW(nullptr);
}

bool HasDialogTemplate(int templateId) {
    return templateId > 0 &&
           FindResourceW(ProgramModule(), MAKEINTRESOURCEW(templateId), RT_DIALOG) != nullptr;
}

const std::vector<WORD>& PopupTemplate() {
    static const std::vector<WORD> words = win::EmptyDialogTemplate(WS_POPUP, 0, 100, 100);
    return words;
}

const DLGTEMPLATE* AsTemplate(const std::vector<WORD>& words) {
    return reinterpret_cast<const DLGTEMPLATE*>(words.data());
}

}  // namespace

CGUIPanel::CGUIPanel(std::wstring skinFile, int templateId, HWND owner)
    : m_owner(owner), m_skinFile(std::move(skinFile)), m_templateId(templateId) {}

CGUIPanel::CGUIPanel(const RECT& rect, HWND owner) : m_owner(owner), m_rect(rect) {}

CGUIPanel::~CGUIPanel() {
    DestroyItems();
}

void CGUIPanel::DestroyItems() {
    m_background = nullptr;
    m_mask = nullptr;
    // Last made first: a text or button placed on a bitmap item goes before it.
    while (!m_items.empty())
        m_items.pop_back();
}

HWND CGUIPanel::Create() {
    if (Handle() != nullptr)
        return Handle();
    if (HasDialogTemplate(m_templateId))
        return win::Dialog::Create(ProgramModule(), m_templateId, m_owner);
    return CreateIndirect(AsTemplate(PopupTemplate()), m_owner);
}

INT_PTR CGUIPanel::DoModal() {
    if (HasDialogTemplate(m_templateId))
        return win::Dialog::DoModal(ProgramModule(), m_templateId, m_owner);
    return DoModalIndirect(AsTemplate(PopupTemplate()), m_owner);
}

CGUIItem* CGUIPanel::FindItem(int32_t id) const {
    return ::FindItem(m_items, id);
}

CGUIItem* CGUIPanel::FindItemByWindow(HWND hwnd) const {
    return ::FindItemByWindow(m_items, hwnd);
}

CGUIItem* CGUIPanel::FindItem(int32_t id, int32_t type) const {
    CGUIItem* item = ::FindItem(m_items, id);
    return item != nullptr && item->Type() == type ? item : nullptr;
}

void CGUIPanel::ShowItem(CGUIItem* item, bool show) {
    if (item == nullptr)
        return;
    const int command = show ? SW_SHOWNORMAL : SW_HIDE;
    switch (item->Type()) {
        case kItemBitmap:
        case kItemButton:
        case kItemAviButton:
        case kItemProfileButton:
        case kItemVertSlider:
        case kItemSliderThumb:
        case kItemMarker:
        case kItemMultiSlider:
        case kItemText:
        case kItemDropdown:
        case kItemBitmapWindow:
        case kItemList:
        case kItemEdit:
        case kItemSingleKeyEdit:
        case kItemDpiStageWindow:
            if (item->Window() != nullptr)
                ShowWindow(item->Window(), command);
            break;
        case kItemMacroDisplay:
            if (item->InnerWindow() != nullptr)
                ShowWindow(item->InnerWindow(), command);
            if (item->Window() != nullptr)
                ShowWindow(item->Window(), command);
            break;
        default:
            break;
    }
}

void CGUIPanel::PaintBackground(HDC dc) {
    if (!m_created || m_background == nullptr || m_background->Bitmap() == nullptr)
        return;
    RECT client = {};
    GetClientRect(Handle(), &client);
    // One opaque copy, clipped to what needs painting: nothing to compose
    // off-screen first, and a small repaint copies only its own pixels.
    controls::DrawPicture(dc, m_background->Bitmap(), 0, 0, client.right, client.bottom);
}

bool CGUIPanel::OnInitDialog() {
    HWND hwnd = Handle();
    if (!m_skinFile.empty()) {
        skin::LoadSkinFile(m_skinFile, m_items, hwnd, this);
        m_background = dynamic_cast<CPanelBitmap*>(FindItem(kBackgroundId, kItemPanelBitmap));
        m_mask = dynamic_cast<CPanelBitmap*>(FindItem(kMaskId, kItemPanelBitmap));
        if (m_background != nullptr) {
            SIZE size = m_background->Size();
            m_rect = RECT{0, 0, size.cx, size.cy};
            SetWindowPos(hwnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
        } else {
            // No usable background: keep the template's size and say why.
            GetWindowRect(hwnd, &m_rect);
            OffsetRect(&m_rect, -m_rect.left, -m_rect.top);
            OutputDebugStringW((L"skin: no background in " + m_skinFile + L"\n").c_str());
        }
        if (m_mask != nullptr)
            controls::ApplyMaskRegion(hwnd, m_mask->Bitmap());
    } else {
        RECT r = win::WindowRectFor(m_rect);
        SetWindowPos(hwnd, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    m_created = true;
    return true;
}

bool CGUIPanel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_PAINT: {
            if (!m_created || m_background == nullptr)
                return false;
            win::PaintScope paint(Handle());
            PaintBackground(paint.get());
            result = 0;
            return true;
        }
        case WM_PRINTCLIENT:
            if (m_background == nullptr)
                return false;
            PaintBackground(reinterpret_cast<HDC>(wParam));
            result = 0;
            return true;
        case WM_ERASEBKGND:
            if (m_background == nullptr)
                return false;
            result = 1;  // the background covers the window
            return true;
        case WM_DRAWITEM:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_NOTIFY:
            return win::ReflectToChild(message, wParam, lParam, result);
        case WM_DESTROY:
            if (m_background != nullptr)
                m_background->DeleteBitmap();
            if (m_mask != nullptr)
                m_mask->DeleteBitmap();
            m_created = false;
            return false;
        default:
            return false;
    }
}
