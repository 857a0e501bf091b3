#include "controls/FacedButton.h"

#include "controls/Picture.h"
#include "win/Gdi.h"

namespace controls {

void FaceSet::Cut(const FacePictures& sources, int x, int y, int width, int height) {
    auto cut = [&](HBITMAP source, win::UniqueBitmap& into) {
        if (source != nullptr)
            into = CutPicture(source, x, y, width, height);
    };
    cut(sources.normal, m_normal);
    cut(sources.over, m_over);
    cut(sources.down, m_down);
    cut(sources.disabled, m_disabled);
}

HBITMAP FaceSet::Get(Face face) const {
    switch (face) {
        case Face::kOver:
            return m_over.get();
        case Face::kDown:
            return m_down.get();
        case Face::kDisabled:
            return m_disabled.get();
        case Face::kNormal:
        default:
            return m_normal.get();
    }
}

void ActivateTopLevel(HWND hwnd) {
    HWND top = GetAncestor(hwnd, GA_ROOT);
    if (top != nullptr && GetActiveWindow() != top)
        SetActiveWindow(top);
}

void DropStyles(HWND hwnd, DWORD styles) {
    if (hwnd == nullptr)
        return;
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    if ((style & static_cast<LONG_PTR>(styles)) != 0)
        SetWindowLongPtrW(hwnd, GWL_STYLE, style & ~static_cast<LONG_PTR>(styles));
}

}  // namespace controls

bool CFacedButton::CreateButton(HWND parent, const RECT& rect, int32_t id, void* owner, int32_t type,
                                DWORD extraStyle) {
    SetId(id);
    SetType(type);
    SetOwner(owner);
    SetRect(rect);
    HWND hwnd = CreateControl(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW | extraStyle, rect,
                              parent, static_cast<UINT_PTR>(id & 0xFFFF));
    SetWindow(hwnd);
    // The hot flag starts clear: a button looks hovered only under the pointer.
    return hwnd != nullptr;
}

void CFacedButton::SetChecked(int32_t checked) {
    if (checked == m_checked)
        return;
    m_checked = checked;
    Invalidate();
}

controls::Face CFacedButton::PushButtonFace(bool pressed, bool disabled) const {
    using controls::Face;
    if (m_checked || pressed)
        return Face::kDown;
    if (m_hot.Hot())
        return Face::kOver;
    return disabled ? Face::kDisabled : Face::kNormal;
}

void CFacedButton::Invalidate() {
    if (Handle() != nullptr)
        InvalidateRect(Handle(), nullptr, FALSE);
}

void CFacedButton::PaintCurrent(HDC dc) {
    const bool pressed = (SendMessageW(Handle(), BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
    Paint(dc, pressed, !IsWindowEnabled(Handle()));
}

void CFacedButton::EndPlatformPress() {
    SendMessageW(Handle(), BM_SETSTATE, FALSE, 0);
    if (GetCapture() == Handle())
        ReleaseCapture();
}

void CFacedButton::NotifyParent() {
    SendMessageW(GetParent(Handle()), WM_COMMAND, MAKEWPARAM(Id() & 0xFFFF, 0),
                 reinterpret_cast<LPARAM>(Handle()));
}

bool CFacedButton::OnReflected(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
    if (message != WM_DRAWITEM)
        return false;
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    Paint(item->hDC, (item->itemState & ODS_SELECTED) != 0, (item->itemState & ODS_DISABLED) != 0);
    result = TRUE;
    return true;
}

LRESULT CFacedButton::OnMouseButton(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONUP)
        return Default(message, wParam, lParam);
    controls::ActivateTopLevel(Handle());
    return Default(WM_LBUTTONDOWN, wParam, lParam);
}

LRESULT CFacedButton::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST)
        m_tooltip.Relay(Handle(), message, wParam, lParam);
    LRESULT painted = 0;
    if (win::HandlePaintMessage(Handle(), message, wParam, painted, [this](HDC dc) { PaintCurrent(dc); }))
        return painted;
    switch (message) {
        case WM_MOUSEMOVE: {
            LRESULT result = Default(message, wParam, lParam);
            m_hot.OnMouseMove(Handle(), wParam, lParam, *this, m_raiseWhenHot);
            return result;
        }
        case WM_CAPTURECHANGED:
            // Taking the capture again for a press is no loss of it.
            if (reinterpret_cast<HWND>(lParam) != Handle())
                m_hot.OnCaptureChanged(Handle(), *this);
            return Default(message, wParam, lParam);
        case WM_KILLFOCUS:
            m_hot.SetHot(false);
            Invalidate();
            return Default(message, wParam, lParam);
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_LBUTTONUP:
            return OnMouseButton(message, wParam, lParam);
        default:
            return Default(message, wParam, lParam);
    }
}
