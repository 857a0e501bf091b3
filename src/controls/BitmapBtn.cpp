#include "controls/BitmapBtn.h"

#include <memory>
#include <vector>

#include "controls/Picture.h"
#include "skin/LangTable.h"
#include "skin/NameTables.h"
#include "win/Gdi.h"
#include "win/MemDC.h"

namespace controls {

UINT ButtonDrawFormat(Justify justify, bool multiline) {
    UINT format = DT_EDITCONTROL | DT_MODIFYSTRING;
    if (justify == Justify::kCentre)
        format |= DT_CENTER;
    else if (justify == Justify::kRight)
        format |= DT_RIGHT;
    format |= multiline ? (DT_WORDBREAK | DT_VCENTER) : (DT_SINGLELINE | DT_WORDBREAK | DT_VCENTER);
    return format;
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
    m_isCheckBox = isCheckBox;
    m_drawFormat = controls::ButtonDrawFormat(justify, multiline);
    DWORD align = BS_LEFT;
    if (justify == controls::Justify::kCentre)
        align = BS_CENTER;
    else if (justify == controls::Justify::kRight)
        align = BS_RIGHT;
    if (!CreateButton(parent, rect, id, owner, kItemButton, BS_MULTILINE | BS_VCENTER | align))
        return false;
    controls::DropStyles(Handle(), WS_TABSTOP);
    return true;
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
    controls::DropStyles(Handle(), WS_BORDER | WS_TABSTOP);
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
    return PushButtonFace(pressed, disabled);
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
    controls::PrepareItemText(memory, m_font, ChooseTextColour(pressed, disabled), fallback);
    // The modify-string flag lets DrawText write into the text: draw a copy
    // with room for the ellipsis it may add.
    std::vector<wchar_t> text(m_caption.begin(), m_caption.end());
    text.resize(m_caption.size() + 5, L'\0');
    RECT area = client;
    DrawTextW(memory, text.data(), static_cast<int>(m_caption.size()), &area, m_drawFormat);
}

void CBitmapBtn::ClickCheckBox() {
    controls::ActivateTopLevel(Handle());
    if (m_togglesOnClick != 0)
        m_checked = m_checked ? 0 : 1;
    Invalidate();
    NotifyParent();
}

LRESULT CBitmapBtn::OnMouseButton(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_isCheckBox) {
        // The check box answers the press itself (a quick second click
        // counts too); the release has nothing left to do.
        if (message != WM_LBUTTONUP)
            ClickCheckBox();
        return 0;
    }
    LRESULT result = CFacedButton::OnMouseButton(message, wParam, lParam);
    if (message == WM_LBUTTONUP)
        Invalidate();
    return result;
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
