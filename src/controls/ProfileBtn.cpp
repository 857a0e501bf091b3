#include "controls/ProfileBtn.h"

#include <memory>

#include "controls/ItemText.h"
#include "controls/Picture.h"
#include "win/Gdi.h"
#include "win/MemDC.h"

namespace controls {

std::array<RECT, kProfileColumns> ProfileColumnRects(const RECT& client, int firstTextHeight) {
    const LONG top = (client.bottom - client.top) / 2 - firstTextHeight / 2;
    std::array<RECT, kProfileColumns> columns = {};
    columns[0] = RECT{client.left + 5, top, client.left + 55, client.bottom};
    for (int i = 1; i < kProfileColumns; ++i) {
        const LONG previous = columns[i - 1].right;
        columns[i] = RECT{previous + 5, top, previous + 105, client.bottom};
    }
    return columns;
}

}  // namespace controls

bool CProfileBtn::CreateWindowFor(HWND parent, const RECT& rect, int32_t id, void* owner) {
    SetId(id);
    SetType(kItemProfileButton);
    SetOwner(owner);
    SetRect(rect);
    HWND hwnd = CreateControl(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, rect, parent,
                              static_cast<UINT_PTR>(id & 0xFFFF));
    SetWindow(hwnd);
    // The hot flag starts clear: a row looks hovered only under the pointer.
    return hwnd != nullptr;
}

void CProfileBtn::SetChecked(int32_t checked) {
    if (checked == m_checked)
        return;
    m_checked = checked;
    Invalidate();
}

void CProfileBtn::SetColumnTexts(const std::wstring& first, const std::wstring& second,
                                 const std::wstring& third, const std::wstring& fourth) {
    m_columns = {first, second, third, fourth};
    Invalidate();
}

void CProfileBtn::SetPictures(const controls::FacePictures& faces, const RECT& rect) {
    m_faces.Cut(faces, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    Invalidate();
}

controls::Face CProfileBtn::ChooseFace(bool pressed, bool disabled) const {
    using controls::Face;
    if (m_isCheckBox)
        return m_checked ? Face::kDown : Face::kNormal;
    if (m_checked || pressed)
        return Face::kDown;
    if (m_hot.Hot())
        return Face::kOver;
    return disabled ? Face::kDisabled : Face::kNormal;
}

void CProfileBtn::Paint(HDC dc, bool pressed, bool disabled) {
    RECT client = {};
    GetClientRect(Handle(), &client);
    HBITMAP picture = m_faces.Get(ChooseFace(pressed, disabled));
    if (m_columns[0].empty()) {
        controls::DrawPicture(dc, picture, 0, 0, client.right, client.bottom);
        return;
    }
    win::MemDC memory(dc, &client);
    controls::DrawPicture(memory, picture, 0, 0, client.right, client.bottom);
    win::SaveDCGuard saved(memory);
    win::UniqueFont font = controls::MakeDefaultFont();
    if (font)
        SelectObject(memory, font.get());
    SetBkMode(memory, TRANSPARENT);
    SetTextColor(memory, controls::kProfileTextColour);
    SIZE first = {};
    GetTextExtentPoint32W(memory, m_columns[0].c_str(), static_cast<int>(m_columns[0].size()), &first);
    auto columns = controls::ProfileColumnRects(client, first.cy);
    for (int i = 0; i < controls::kProfileColumns; ++i) {
        DrawTextW(memory, m_columns[i].c_str(), static_cast<int>(m_columns[i].size()), &columns[i],
                  controls::kProfileColumnFormat);
    }
}

void CProfileBtn::PaintCurrent(HDC dc) {
    const bool pressed = (SendMessageW(Handle(), BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
    Paint(dc, pressed, !IsWindowEnabled(Handle()));
}

void CProfileBtn::Invalidate() {
    if (Handle() != nullptr)
        InvalidateRect(Handle(), nullptr, FALSE);
}

bool CProfileBtn::OnReflected(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
    if (message != WM_DRAWITEM)
        return false;
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    Paint(item->hDC, (item->itemState & ODS_SELECTED) != 0, (item->itemState & ODS_DISABLED) != 0);
    result = TRUE;
    return true;
}

LRESULT CProfileBtn::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST)
        m_tooltip.Relay(Handle(), message, wParam, lParam);
    switch (message) {
        case WM_PAINT: {
            win::PaintScope paint(Handle());
            PaintCurrent(paint.get());
            return 0;
        }
        case WM_PRINTCLIENT:
            PaintCurrent(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_MOUSEMOVE: {
            LRESULT result = Default(message, wParam, lParam);
            m_hot.OnMouseMove(Handle(), wParam, lParam, *this);
            return result;
        }
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lParam) != Handle())
                m_hot.OnCaptureChanged(Handle(), *this);
            return Default(message, wParam, lParam);
        case WM_KILLFOCUS:
            m_hot.SetHot(false);
            Invalidate();
            return Default(message, wParam, lParam);
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            // A quick second click is a click like the first.
            controls::ActivateTopLevel(Handle());
            return Default(WM_LBUTTONDOWN, wParam, lParam);
        case WM_LBUTTONUP: {
            if (!m_isCheckBox)
                return Default(message, wParam, lParam);
            // The press the default processing began ends here without the
            // platform's own notification: the check box sends its own.
            SendMessageW(Handle(), BM_SETSTATE, FALSE, 0);
            if (GetCapture() == Handle())
                ReleaseCapture();
            m_checked = m_checked ? 0 : 1;
            Invalidate();
            SendMessageW(GetParent(Handle()), WM_COMMAND, MAKEWPARAM(Id() & 0xFFFF, 0),
                         reinterpret_cast<LPARAM>(Handle()));
            return 0;
        }
        default:
            return Default(message, wParam, lParam);
    }
}

void CProfileBtn::FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context) {
    // Only a missing or empty SBMN prevents the button; a face that does not
    // load stays empty.
    const std::wstring normal = skin::ChildText(element, L"SBMN");
    if (normal.empty())
        return;
    controls::FacePictures faces;
    faces.normal = skin::LoadPicture(normal);
    faces.over = skin::LoadPicture(skin::ChildText(element, L"SBMO"));
    faces.down = skin::LoadPicture(skin::ChildText(element, L"SBMD"));
    faces.disabled = skin::LoadPicture(skin::ChildText(element, L"SBMDS"));
    const RECT rect = skin::ItemRect(element, id);
    auto button = std::make_unique<CProfileBtn>();
    if (!button->CreateWindowFor(context.Parent(), rect, id, context.Owner()))
        return;
    // The faces are cut from panel-sized state sheets at the button's place.
    button->SetPictures(faces, rect);
    bool hasTooltip = false;
    const std::wstring tooltip = skin::OverriddenAttribute(element, id, L"tooltip", &hasTooltip);
    if (hasTooltip && !tooltip.empty())
        button->SetTooltip(tooltip);
    context.Add(std::move(button));
}
