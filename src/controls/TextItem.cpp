#include "controls/TextItem.h"

#include <memory>

#include "controls/CheckBoxLink.h"
#include "controls/ItemText.h"
#include "skin/LangTable.h"
#include "skin/NameTables.h"
#include "win/Gdi.h"

bool CTextItem::CreateWindowFor(HWND parent, const RECT& rect, int32_t id, void* owner,
                                const Options& options) {
    m_options = options;
    SetId(id);
    SetType(kItemText);
    SetOwner(owner);
    SetRect(rect);
    DWORD style = WS_CHILD | WS_VISIBLE | SS_OWNERDRAW;
    if (options.interactive)
        style |= SS_NOTIFY;
    HWND hwnd = CreateControl(0, L"STATIC", L"", style, rect, parent);
    SetWindow(hwnd);
    return hwnd != nullptr;
}

void CTextItem::SetText(const std::wstring& text) {
    std::wstring shown;
    if (!lang::Resolve(text, shown))
        shown = text;
    controls::FirstLineBreak(shown);
    m_text = std::move(shown);
    Repaint();
}

void CTextItem::SetPlainText(const std::wstring& text) {
    m_text = text;
    Repaint();
}

void CTextItem::SetText(const std::wstring& text, int32_t caps) {
    m_text = controls::ItemText(text, caps);
    Repaint();
}

void CTextItem::SetFont(HFONT font) {
    m_font = font;
    if (Handle() != nullptr)
        SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void CTextItem::SetLinkedCheckBox(ICheckBoxLink* checkBox) {
    m_checkBox = checkBox != nullptr && checkBox->IsCheckBox() ? checkBox : nullptr;
}

COLORREF CTextItem::CurrentColour() const {
    if (m_hot.Hot() && m_options.hotTextColour != 0)
        return m_options.hotTextColour;
    return controls::TextColourOr(m_options.textColour);
}

void CTextItem::Paint(HDC dc, const RECT& client) {
    win::SaveDCGuard saved(dc);
    win::UniqueFont fallback;
    controls::PrepareItemText(dc, m_font, CurrentColour(), fallback);
    if (m_options.drawFormat != 0) {
        RECT area = {0, 0, client.right - client.left, client.bottom - client.top};
        if ((m_options.drawFormat & DT_WORDBREAK) != 0)
            area.right -= controls::kInkOverhang;
        DrawTextW(dc, m_text.c_str(), static_cast<int>(m_text.size()), &area, m_options.drawFormat);
    } else {
        RECT at = {client.left + 5, client.top + 2, client.right, client.bottom};
        DrawTextW(dc, m_text.c_str(), static_cast<int>(m_text.size()), &at, DT_SINGLELINE | DT_NOCLIP);
    }
    // The saved state is restored (font deselected) before the fallback goes.
}

void CTextItem::Repaint() {
    HWND hwnd = Handle();
    if (hwnd == nullptr)
        return;
    HWND parent = GetParent(hwnd);
    RECT area = {};
    GetWindowRect(hwnd, &area);
    if (parent == nullptr) {
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        return;
    }
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
    RedrawWindow(parent, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

LRESULT CTextItem::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            win::PaintScope paint(Handle());
            RECT client = {};
            GetClientRect(Handle(), &client);
            Paint(paint.get(), client);
            return 0;
        }
        case WM_PRINTCLIENT: {
            RECT client = {};
            GetClientRect(Handle(), &client);
            Paint(reinterpret_cast<HDC>(wParam), client);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;  // what lies behind is the parent's picture
        case WM_LBUTTONDOWN: {
            HWND top = GetAncestor(Handle(), GA_ROOT);
            if (top != nullptr && GetActiveWindow() != top)
                SetActiveWindow(top);
            return Default(message, wParam, lParam);
        }
        case WM_LBUTTONUP: {
            // A disabled box takes no click, neither on itself nor on its text.
            if (m_checkBox != nullptr && IsWindowEnabled(m_checkBox->CheckBoxWindow())) {
                if (m_checkBox->TogglesOnClick())
                    m_checkBox->SetChecked(m_checkBox->GetChecked() ? 0 : 1);
                SendMessageW(GetParent(Handle()), WM_COMMAND, MAKEWPARAM(Id() & 0xFFFF, 0),
                             reinterpret_cast<LPARAM>(m_checkBox->CheckBoxWindow()));
                Repaint();
            }
            return Default(message, wParam, lParam);
        }
        case WM_MOUSEMOVE: {
            LRESULT result = Default(message, wParam, lParam);
            m_hot.OnMouseMove(Handle(), wParam, lParam, *this);
            return result;
        }
        case WM_CAPTURECHANGED:
            m_hot.OnCaptureChanged(Handle(), *this);
            return Default(message, wParam, lParam);
        default:
            return Default(message, wParam, lParam);
    }
}

void CTextItem::FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context) {
    HWND parent = context.Parent();
    void* owner = context.Owner();
    int32_t windowId = names::ControlId(element.Attribute(L"windowid").c_str());
    if (CGUIItem* host = context.Find(windowId, kItemBitmap); host != nullptr && host->Window() != nullptr) {
        parent = host->Window();
        owner = host;
    }
    const bool multiline = skin::ParseNumber(skin::OverriddenAttribute(element, id, L"multiline")) == 1;
    Options options;
    options.drawFormat =
        controls::TextDrawFormat(controls::ParseJustify(element.Attribute(L"justify")), multiline);
    options.interactive = skin::FlagAttribute(element, L"interactive");
    options.textColour = skin::ColourAttribute(element, L"fontclr", 0);
    options.hotTextColour = skin::ColourAttribute(element, L"fontclrhi", 0);

    auto item = std::make_unique<CTextItem>();
    if (!item->CreateWindowFor(parent, skin::ItemRect(element, id), id, owner, options))
        return;
    const int32_t caps = controls::ParseCaps(skin::OverriddenAttribute(element, id, L"caps"));
    item->m_text = controls::ItemText(element.Attribute(L"textkey"), caps);
    if (HFONT font = skin::ItemFont(element, id, context))
        item->SetFont(font);
    int32_t checkBoxId = names::ControlId(element.Attribute(L"checkboxid").c_str());
    if (auto* button = dynamic_cast<ICheckBoxLink*>(context.Find(checkBoxId, kItemButton)))
        item->SetLinkedCheckBox(button);
    context.Add(std::move(item));
}
