#include "controls/BitmapBtn.h"

#include <memory>
#include <vector>

#include "controls/Picture.h"
#include "skin/LangTable.h"
#include "skin/NameTables.h"
#include "win/Gdi.h"
#include "win/MemDC.h"

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

UINT ButtonDrawFormat(Justify justify, bool multiline) {
    UINT format = DT_EDITCONTROL | DT_MODIFYSTRING;
    if (justify == Justify::kCentre)
        format |= DT_CENTER;
    else if (justify == Justify::kRight)
        format |= DT_RIGHT;
    format |= multiline ? (DT_WORDBREAK | DT_VCENTER) : (DT_SINGLELINE | DT_WORDBREAK | DT_VCENTER);
    return format;
}

void ActivateTopLevel(HWND hwnd) {
    HWND top = GetAncestor(hwnd, GA_ROOT);
    if (top != nullptr && GetActiveWindow() != top)
        SetActiveWindow(top);
}

std::wstring FaceFile(const XmlElement& element, int32_t id, const wchar_t* face) {
    if (const LangOverride* replaced = lang::OverrideOf(id, face)) {
        std::wstring name = skin::Trim(replaced->BitmapName());
        if (!name.empty())
            return name;
    }
    return skin::ChildText(element, face);
}

}  // namespace controls

namespace {

COLORREF FaceColour(const XmlElement& element, const wchar_t* face) {
    const XmlElement* child = element.FindFirst(face);
    return child != nullptr ? skin::ColourAttribute(*child, L"fontclr", 0) : 0;
}

}  // namespace

bool CBitmapBtn::CreateWindowFor(HWND parent, const RECT& rect, int32_t id, void* owner,
                                 controls::Justify justify, bool multiline, bool isCheckBox) {
    SetId(id);
    SetType(kItemButton);
    SetOwner(owner);
    SetRect(rect);
    m_isCheckBox = isCheckBox;
    m_drawFormat = controls::ButtonDrawFormat(justify, multiline);
    DWORD align = BS_LEFT;
    if (justify == controls::Justify::kCentre)
        align = BS_CENTER;
    else if (justify == controls::Justify::kRight)
        align = BS_RIGHT;
    const DWORD style = WS_CHILD | WS_VISIBLE | BS_OWNERDRAW | BS_MULTILINE | BS_VCENTER | align;
    HWND hwnd = CreateControl(0, L"BUTTON", L"", style, rect, parent, static_cast<UINT_PTR>(id & 0xFFFF));
    SetWindow(hwnd);
    if (hwnd == nullptr)
        return false;
    SetWindowLongPtrW(hwnd, GWL_STYLE,
                      GetWindowLongPtrW(hwnd, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_TABSTOP));
    return true;
}

void CBitmapBtn::SetChecked(int32_t checked) {
    if (checked == m_checked)
        return;
    m_checked = checked;
    Invalidate();
}

void CBitmapBtn::SetCaption(const std::wstring& text, int32_t caps) {
    std::wstring shown;
    if (!lang::Resolve(text, shown))
        shown = text;
    // The break first: upper case would turn backslash + n into backslash + N.
    controls::FirstLineBreak(shown);
    controls::ApplyCaps(shown, caps);
    m_caption = std::move(shown);
    Invalidate();
}

void CBitmapBtn::SetPictures(const controls::FacePictures& faces, HBITMAP mask, const RECT& pictureRect) {
    if (mask != nullptr && Handle() != nullptr)
        controls::ApplyMaskRegion(Handle(), mask);
    m_faces.Cut(faces, pictureRect.left, pictureRect.top, pictureRect.right - pictureRect.left,
                pictureRect.bottom - pictureRect.top);
    if (Handle() != nullptr) {
        const LONG_PTR style = GetWindowLongPtrW(Handle(), GWL_STYLE);
        SetWindowLongPtrW(Handle(), GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_BORDER | WS_TABSTOP));
    }
    Invalidate();
}

void CBitmapBtn::SetFont(HFONT font) {
    m_font = font;
    if (Handle() != nullptr)
        SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

controls::Face CBitmapBtn::ChooseFace(bool pressed, bool disabled) const {
    using controls::Face;
    if (m_isCheckBox) {
        // A check box never shows its disabled face.
        if (m_checked)
            return Face::kDown;
        return m_hot.Hot() ? Face::kOver : Face::kNormal;
    }
    if (m_checked || pressed)
        return Face::kDown;
    if (m_hot.Hot())
        return Face::kOver;
    return disabled ? Face::kDisabled : Face::kNormal;
}

COLORREF CBitmapBtn::ChooseTextColour(bool pressed, bool disabled) const {
    COLORREF colour = m_colours.normal;
    if (m_checked || pressed)
        colour = m_colours.down;
    else if (m_hot.Hot())
        colour = m_colours.over;
    else if (disabled)
        colour = m_colours.disabled;
    return controls::TextColourOr(colour);
}

void CBitmapBtn::Paint(HDC dc, bool pressed, bool disabled) {
    RECT client = {};
    GetClientRect(Handle(), &client);
    HBITMAP picture = m_faces.Get(ChooseFace(pressed, disabled));
    if (m_caption.empty()) {
        controls::DrawPicture(dc, picture, 0, 0, client.right, client.bottom);
        return;
    }
    win::MemDC memory(dc, &client);
    controls::DrawPicture(memory, picture, 0, 0, client.right, client.bottom);
    win::SaveDCGuard saved(memory);
    win::UniqueFont fallback;
    HFONT font = m_font;
    if (font == nullptr) {
        fallback = controls::MakeDefaultFont();
        font = fallback.get();
    }
    if (font != nullptr)
        SelectObject(memory, font);
    SetBkMode(memory, TRANSPARENT);
    SetTextColor(memory, ChooseTextColour(pressed, disabled));
    // The modify-string flag lets DrawText write into the text: draw a copy
    // with room for the ellipsis it may add.
    std::vector<wchar_t> text(m_caption.begin(), m_caption.end());
    text.resize(m_caption.size() + 5, L'\0');
    RECT area = client;
    DrawTextW(memory, text.data(), static_cast<int>(m_caption.size()), &area, m_drawFormat);
}

void CBitmapBtn::PaintCurrent(HDC dc) {
    const bool pressed = (SendMessageW(Handle(), BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
    Paint(dc, pressed, !IsWindowEnabled(Handle()));
}

void CBitmapBtn::Invalidate() {
    if (Handle() != nullptr)
        InvalidateRect(Handle(), nullptr, FALSE);
}

void CBitmapBtn::ClickCheckBox() {
    controls::ActivateTopLevel(Handle());
    if (m_togglesOnClick != 0)
        m_checked = m_checked ? 0 : 1;
    Invalidate();
    SendMessageW(GetParent(Handle()), WM_COMMAND, MAKEWPARAM(Id() & 0xFFFF, 0),
                 reinterpret_cast<LPARAM>(Handle()));
}

bool CBitmapBtn::OnReflected(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
    if (message != WM_DRAWITEM)
        return false;
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    Paint(item->hDC, (item->itemState & ODS_SELECTED) != 0, (item->itemState & ODS_DISABLED) != 0);
    result = TRUE;
    return true;
}

LRESULT CBitmapBtn::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST)
        m_tooltip.Relay(Handle(), message, wParam, lParam);
    switch (message) {
        case WM_PAINT: {
            // Painted here rather than through the parent, so the button looks
            // the same on any parent.
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
            m_hot.OnMouseMove(Handle(), wParam, lParam, *this, true);
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
            // A quick second click is a click like the first (an owner-drawn
            // button would otherwise report a double click instead).
            if (m_isCheckBox) {
                ClickCheckBox();
                return 0;
            }
            controls::ActivateTopLevel(Handle());
            return Default(WM_LBUTTONDOWN, wParam, lParam);
        case WM_LBUTTONUP: {
            if (m_isCheckBox)
                return 0;
            LRESULT result = Default(message, wParam, lParam);
            Invalidate();
            return result;
        }
        default:
            return Default(message, wParam, lParam);
    }
}

void CBitmapBtn::FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context) {
    const bool dynamic = skin::FlagAttribute(element, L"dynamic");
    controls::FacePictures faces;
    HBITMAP mask = nullptr;
    if (!dynamic) {
        faces.normal = skin::LoadPicture(controls::FaceFile(element, id, L"SBMN"));
        faces.over = skin::LoadPicture(controls::FaceFile(element, id, L"SBMO"));
        faces.down = skin::LoadPicture(controls::FaceFile(element, id, L"SBMD"));
        faces.disabled = skin::LoadPicture(controls::FaceFile(element, id, L"SBMDS"));
        if (!faces.normal || !faces.over || !faces.down || !faces.disabled)
            return;
        const std::wstring maskFile = controls::FaceFile(element, id, L"SBMM");
        if (!maskFile.empty()) {
            mask = skin::LoadPicture(maskFile);
            if (mask == nullptr)
                return;
        }
    }

    HWND parent = context.Parent();
    void* owner = context.Owner();
    const int32_t windowId = names::ControlId(element.Attribute(L"windowid").c_str());
    if (CGUIItem* host = context.Find(windowId, kItemBitmap); host != nullptr && host->Window() != nullptr) {
        parent = host->Window();
        owner = host;
    }
    const RECT rect = skin::ItemRect(element, id);
    const bool multiline = skin::ParseNumber(skin::OverriddenAttribute(element, id, L"multiline")) != 0;
    auto button = std::make_unique<CBitmapBtn>();
    if (!button->CreateWindowFor(parent, rect, id, owner,
                                 controls::ParseJustify(element.Attribute(L"justify")), multiline,
                                 skin::FlagAttribute(element, L"ischeckbox")))
        return;

    if (!dynamic) {
        int width = rect.right - rect.left;
        int height = rect.bottom - rect.top;
        if (const XmlElement* size = element.FindFirst(L"BMPSZ")) {
            // A size that is missing or not positive keeps the button's own.
            if (int32_t w = skin::NumberAttribute(*size, L"width"); w > 0)
                width = w;
            if (int32_t h = skin::NumberAttribute(*size, L"height"); h > 0)
                height = h;
        }
        button->SetPictures(faces, mask, RECT{0, 0, width, height});
        button->SetTextColours(
            controls::FaceColours{FaceColour(element, L"SBMN"), FaceColour(element, L"SBMO"),
                                  FaceColour(element, L"SBMD"), FaceColour(element, L"SBMDS")});
    }
    if (HFONT font = skin::ItemFont(element, id, context))
        button->SetFont(font);
    const int32_t caps = controls::ParseCaps(skin::OverriddenAttribute(element, id, L"caps"));
    button->SetCaption(element.Attribute(L"caption"), caps);
    bool hasTooltip = false;
    const std::wstring tooltip = skin::OverriddenAttribute(element, id, L"tooltip", &hasTooltip);
    if (hasTooltip && !tooltip.empty())
        button->SetTooltip(tooltip);
    context.Add(std::move(button));
}
