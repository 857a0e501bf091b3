#include "controls/DPIStageWindow.h"

#include <cstdio>
#include <memory>

#include "controls/ItemText.h"
#include "controls/Picture.h"
#include "skin/ControlIds.h"
#include "win/Gdi.h"
#include "win/MemDC.h"

namespace {

bool SameName(const std::wstring& a, const wchar_t* b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b, -1, TRUE) == CSTR_EQUAL;
}

using Text = CDPIStageWindow::Text;
using Picture = CDPIStageWindow::Picture;

struct TextName {
    const wchar_t* name;
    Text role;
};
constexpr TextName kTextNames[] = {{L"HEADING", Text::kHeading}, {L"DPI", Text::kValue},
                                   {L"DPIX", Text::kXValue},     {L"DPIY", Text::kYValue},
                                   {L"X", Text::kX},             {L"Y", Text::kY}};

struct PictureName {
    const wchar_t* name;
    Picture role;
};
constexpr PictureName kPictureNames[] = {{L"DPIFRAME", Picture::kFrame},
                                         {L"DPIFRAMESELECTED", Picture::kFrameSelected},
                                         {L"DPIWIN", Picture::kValue},
                                         {L"DPIWINX", Picture::kXValue},
                                         {L"DPIWINY", Picture::kYValue}};

int32_t StageOfId(int32_t id) {
    if (id >= ctl::DPISTAGEWINDOW_01 && id <= ctl::DPISTAGEWINDOW_05)
        return id - ctl::DPISTAGEWINDOW_01 + 1;
    return 0;
}

}  // namespace

bool CDPIStageWindow::CreateWindowFor(HWND parent, const RECT& rect, int32_t id, int32_t stage, void* owner) {
    if (!RegisterClass(kClassName))
        return false;
    SetId(id);
    SetType(kItemDpiStageWindow);
    SetOwner(owner);
    SetRect(rect);
    m_stage = stage;
    HWND hwnd = Create(0, kClassName, L"", WS_CHILD | WS_VISIBLE, rect, parent);
    SetWindow(hwnd);
    return hwnd != nullptr;
}

void CDPIStageWindow::SetText(Text role, const std::wstring& text, const RECT& rect) {
    if (role == Text::kCount)
        return;
    m_texts[Index(role)] = TextArea{controls::ItemText(text, controls::kCapsNone), rect};
    Repaint();
}

void CDPIStageWindow::SetPicture(Picture role, HBITMAP picture, HBITMAP mask, const RECT& rect) {
    if (role == Picture::kCount)
        return;
    m_parts[Index(role)] = Part{picture, mask, rect};
    Repaint();
}

void CDPIStageWindow::SetFont(HFONT font) {
    m_font = font;
    if (Handle() != nullptr)
        SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void CDPIStageWindow::SetValue(int32_t value) {
    if (value != m_value) {
        m_value = value;
        Repaint();
    }
}

void CDPIStageWindow::SetXValue(int32_t value) {
    if (value != m_xValue) {
        m_xValue = value;
        Repaint();
    }
}

void CDPIStageWindow::SetYValue(int32_t value) {
    if (value != m_yValue) {
        m_yValue = value;
        Repaint();
    }
}

void CDPIStageWindow::SetSeparateXY(bool separate) {
    if (separate != m_separateXY) {
        m_separateXY = separate;
        Repaint();
    }
}

void CDPIStageWindow::SetSelected(bool selected) {
    if (selected != m_selected) {
        m_selected = selected;
        Repaint();
    }
}

void CDPIStageWindow::SetStageEnabled(bool enabled) {
    m_enabled = enabled;  // nothing shows it
}

void CDPIStageWindow::SetInUse(bool inUse) {
    if (inUse != m_inUse) {
        m_inUse = inUse;
        Repaint();
    }
}

void CDPIStageWindow::Repaint() {
    // With erasing: a tile that stops being in use turns black.
    if (Handle() != nullptr)
        InvalidateRect(Handle(), nullptr, TRUE);
}

void CDPIStageWindow::DrawLabel(HDC dc, Text role, UINT format) {
    TextArea& area = m_texts[Index(role)];
    if (area.text.empty())
        return;
    RECT rect = area.rect;
    DrawTextW(dc, area.text.c_str(), static_cast<int>(area.text.size()), &rect, format | DT_NOPREFIX);
}

void CDPIStageWindow::DrawValueWindow(HDC dc, Picture role, int32_t value) {
    const Part& part = m_parts[Index(role)];
    const RECT& at = part.rect;
    const int width = at.right - at.left;
    const int height = at.bottom - at.top;
    if (m_selected)
        controls::DrawPicture(dc, m_selectedValue, at.left, at.top, width, height);
    else
        controls::DrawMaskedPicture(dc, part.picture, part.mask, at.left, at.top, width, height);
    // The number sits on black inside the window's edge.
    RECT inner = {at.left + 3, at.top + 2, at.right - 3, at.bottom - 2};
    if (inner.right <= inner.left || inner.bottom <= inner.top)
        return;
    FillRect(dc, &inner, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    wchar_t number[16] = {};
    const int length = swprintf(number, 16, L"%d", value);
    if (length > 0)
        DrawTextW(dc, number, length, &inner, DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
}

void CDPIStageWindow::Paint(HDC dc) {
    if (!m_inUse)
        return;
    RECT client = {};
    GetClientRect(Handle(), &client);
    win::MemDC memory(dc, &client);
    FillRect(memory, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));

    const Part& selectedFrame = m_parts[Index(Picture::kFrameSelected)];
    const Part& frame =
        m_selected && selectedFrame.picture != nullptr ? selectedFrame : m_parts[Index(Picture::kFrame)];
    controls::DrawMaskedPicture(memory, frame.picture, frame.mask, frame.rect.left, frame.rect.top,
                                frame.rect.right - frame.rect.left, frame.rect.bottom - frame.rect.top);

    win::SaveDCGuard saved(memory);
    win::UniqueFont fallback;
    controls::PrepareItemText(memory, m_font, controls::TextColourOr(m_textColour), fallback);
    DrawLabel(memory, Text::kHeading, m_textFormat | DT_CENTER);
    if (m_separateXY) {
        DrawLabel(memory, Text::kXValue, m_textFormat);
        DrawLabel(memory, Text::kYValue, m_textFormat);
        DrawLabel(memory, Text::kX, m_textFormat | DT_CENTER);
        DrawLabel(memory, Text::kY, m_textFormat | DT_CENTER);
        DrawValueWindow(memory, Picture::kXValue, m_xValue);
        DrawValueWindow(memory, Picture::kYValue, m_yValue);
    } else {
        DrawLabel(memory, Text::kValue, m_textFormat);
        DrawValueWindow(memory, Picture::kValue, m_value);
    }
    // The saved state is restored (font deselected) before the fallback goes.
}

void CDPIStageWindow::OnClicked() {
    if (!m_enabled || m_selected)
        return;
    m_selected = true;
    HWND hwnd = Handle();
    SendMessageW(GetParent(hwnd), WMU_DPISTAGE_SELECTED, static_cast<WPARAM>(m_stage), static_cast<LPARAM>(Id()));
    // The parent may have closed the popup meanwhile.
    if (!IsWindow(hwnd))
        return;
    SetFocus(hwnd);
    Repaint();
}

LRESULT CDPIStageWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST)
        m_tooltip.Relay(Handle(), message, wParam, lParam);
    switch (message) {
        case WM_PAINT: {
            win::PaintScope scope(Handle());
            Paint(scope.get());
            return 0;
        }
        case WM_PRINTCLIENT:
            Paint(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_ERASEBKGND: {
            // A selected tile is always composed whole over its own black.
            if (!m_selected) {
                RECT client = {};
                GetClientRect(Handle(), &client);
                FillRect(reinterpret_cast<HDC>(wParam), &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            }
            return 1;
        }
        case WM_LBUTTONUP: {
            LRESULT result = Default(message, wParam, lParam);
            OnClicked();
            return result;
        }
        case WM_KILLFOCUS:
            Repaint();
            return Default(message, wParam, lParam);
        default:
            return Default(message, wParam, lParam);
    }
}

void CDPIStageWindow::FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context) {
    auto item = std::make_unique<CDPIStageWindow>();
    if (!item->CreateWindowFor(context.Parent(), skin::OwnItemRect(element, id), id, StageOfId(id),
                               context.Owner()))
        return;
    for (const XmlElement* area : element.FindAll(L"TEXTAREA")) {
        for (const TextName& known : kTextNames) {
            if (SameName(area->Attribute(L"name"), known.name)) {
                item->SetText(known.role, area->Attribute(L"textkey"), skin::ReadRect(area->FindFirst(L"RECT")));
                break;
            }
        }
    }
    for (const XmlElement* bitmap : element.FindAll(L"BITMAP")) {
        for (const PictureName& known : kPictureNames) {
            if (SameName(bitmap->Attribute(L"name"), known.name)) {
                item->SetPicture(known.role, skin::LoadPicture(skin::ChildText(*bitmap, L"BMP")),
                                 skin::LoadPicture(skin::ChildText(*bitmap, L"BMPMASK")),
                                 skin::ReadRect(bitmap->FindFirst(L"RECT")));
                break;
            }
        }
    }
    item->SetSelectedValuePicture(skin::LoadPicture(kSelectedValuePicture));
    item->SetTextColour(skin::ColourAttribute(element, L"fontclr", 0));
    if (HFONT font = skin::ItemFont(element, id, context))
        item->SetFont(font);
    bool hasTooltip = false;
    std::wstring tooltip = skin::OverriddenAttribute(element, id, L"tooltip", &hasTooltip);
    if (hasTooltip && !tooltip.empty())
        item->SetTooltip(tooltip);
    context.Add(std::move(item));
}
