#include "controls/EditItem.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "controls/BitmapWindow.h"
#include "skin/NameTables.h"
#include "win/RawInput.h"

namespace controls {

bool IsSwallowedKeyDown(UINT virtualKey) {
    switch (virtualKey) {
        case VK_BACK:
        case VK_TAB:
        case VK_PAUSE:
        case VK_CAPITAL:
        case VK_SPACE:
        case VK_HOME:
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN:
        case VK_LWIN:
        case VK_RWIN:
        case VK_APPS:
        case VK_NUMLOCK:
        case VK_SCROLL:
            return true;
        default:
            return false;
    }
}

}  // namespace controls

namespace {

bool IsDigitsOnlyKey(WPARAM key) {
    return key == VK_BACK || key == VK_LEFT || key == VK_RIGHT || key == VK_DELETE ||
           (key >= '0' && key <= '9') || (key >= VK_NUMPAD0 && key <= VK_NUMPAD9);
}

}  // namespace

// --- CEditItem ------------------------------------------------------------------

bool CEditItem::CreateWindowFor(HWND parent, const RECT& rect, int32_t id, void* owner,
                                const Colours& colours, DWORD extraStyle) {
    m_colours = colours;
    SetId(id);
    SetType(kItemEdit);
    SetOwner(owner);
    SetRect(rect);
    // Scrolling sideways lets a name run past the box; the limit, not the
    // box's width, decides how long it may be.
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL | extraStyle;
    HWND hwnd = CreateControl(0, L"EDIT", L"", style, rect, parent, static_cast<UINT_PTR>(id & 0xFFFF));
    SetWindow(hwnd);
    if (hwnd == nullptr)
        return false;
    m_background.reset(CreateSolidBrush(m_colours.background));
    SetFont(nullptr);  // and repaint with the new brush
    return true;
}

void CEditItem::SetFont(HFONT font) {
    m_font = font;
    if (Handle() != nullptr)
        SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void CEditItem::SetLimit(UINT characters) {
    if (Handle() != nullptr)
        SendMessageW(Handle(), EM_SETLIMITTEXT, characters, 0);
}

void CEditItem::SetBorderWidth(int32_t width) {
    if (width >= 1 && width <= 9)
        m_borderWidth = width;
}

std::wstring CEditItem::Text() const {
    if (Handle() == nullptr)
        return {};
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(Handle())) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(Handle(), text.data(), static_cast<int>(text.size()))));
    return text;
}

bool CEditItem::OnReflected(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (message != WM_CTLCOLOREDIT && message != WM_CTLCOLORSTATIC)
        return false;
    HDC dc = reinterpret_cast<HDC>(wParam);
    SetTextColor(dc, m_colours.text);
    SetBkColor(dc, m_colours.background);
    SetDCPenColor(dc, m_colours.border);
    SetDCBrushColor(dc, m_colours.border);
    result = reinterpret_cast<LRESULT>(m_background.get());
    return true;
}

bool CEditItem::FiltersOut(UINT message, WPARAM wParam) const {
    switch (message) {
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
            return true;  // the edit menu never opens from a click
        case WM_KEYDOWN:
            return m_digitsOnly != 0 && !IsDigitsOnlyKey(wParam);
        case WM_CHAR:
            return m_digitsOnly != 0 && wParam != VK_BACK && !(wParam >= L'0' && wParam <= L'9');
        case WM_CONTEXTMENU:
            return m_digitsOnly != 0;
        default:
            return false;
    }
}

LRESULT CEditItem::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (FiltersOut(message, wParam))
        return 0;
    if (message == WM_ERASEBKGND)
        return 1;  // the control paints its whole box with the background brush
    return Default(message, wParam, lParam);
}

CEditItem::Colours CEditItem::ColoursFrom(const XmlElement& element) {
    Colours colours;
    colours.text = skin::ColourAttribute(element, L"fontclr", colours.text);
    colours.hotText = skin::ColourAttribute(element, L"fontclrhi", colours.hotText);
    colours.background = skin::ColourAttribute(element, L"backclr", colours.background);
    colours.hotBackground = skin::ColourAttribute(element, L"backclrhi", colours.hotBackground);
    colours.border = skin::ColourAttribute(element, L"bdrclr", colours.border);
    return colours;
}

void CEditItem::ApplySkin(const XmlElement& element, int32_t id, const skin::SkinContext& context) {
    if (element.HasAttribute(L"bdrwidth"))
        SetBorderWidth(skin::NumberAttribute(element, L"bdrwidth"));
    if (HFONT font = skin::ItemFont(element, id, context))
        SetFont(font);
    if (element.HasAttribute(L"max")) {
        // 0 or less would lift the platform's limit altogether: ignored.
        if (int32_t max = skin::NumberAttribute(element, L"max"); max > 0)
            SetLimit(static_cast<UINT>(max));
    }
}

void CEditItem::FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context) {
    auto item = std::make_unique<CEditItem>();
    if (!item->CreateWindowFor(context.Parent(), skin::ItemRect(element, id), id, context.Owner(),
                               ColoursFrom(element)))
        return;
    item->ApplySkin(element, id, context);
    context.Add(std::move(item));
}

// --- CEditItemSingleKeyInput --------------------------------------------------------

CEditItemSingleKeyInput::~CEditItemSingleKeyInput() {
    // The window may still exist here (the base destroys it without letting
    // this class see WM_DESTROY).
    ReleaseRawKeyboard();
}

bool CEditItemSingleKeyInput::CreateWindowFor(HWND parent, const RECT& rect, int32_t id, void* owner,
                                              const Colours& colours) {
    // Read-only: the text is only ever the key's name; typing, pasting and
    // undo cannot change it. Read-only fields ask for WM_CTLCOLORSTATIC,
    // which the field answers the same way.
    if (!CEditItem::CreateWindowFor(parent, rect, id, owner, colours, ES_CENTER | ES_READONLY))
        return false;
    SetType(kItemSingleKeyEdit);
    return true;
}

bool CEditItemSingleKeyInput::RegisterRawKeyboard() {
    HWND hwnd = Handle();
    if (hwnd == nullptr)
        return false;
    win::RawInputRegistration& raw = win::ProgramRawInput();
    if (raw.IsRegistered())
        return raw.Target() == hwnd;
    raw.AddUsage(win::RawInputRegistration::kKeyboard);
    if (raw.Register(hwnd))
        return true;
    raw.Unregister();  // forget the usage the refused registration listed
    return false;
}

bool CEditItemSingleKeyInput::HoldsRawKeyboard() const {
    const win::RawInputRegistration& raw = win::ProgramRawInput();
    return Handle() != nullptr && raw.IsRegistered() && raw.Target() == Handle();
}

void CEditItemSingleKeyInput::ReleaseRawKeyboard() {
    if (HoldsRawKeyboard())
        win::ProgramRawInput().Unregister();
}

void CEditItemSingleKeyInput::ShowKeyName() {
    HWND hwnd = Handle();
    if (hwnd == nullptr)
        return;
    // The whole text becomes the name; the limit is opened to the name's
    // length for the replacement so that a short `max` cannot cut it.
    const LRESULT limit = SendMessageW(hwnd, EM_GETLIMITTEXT, 0, 0);
    SendMessageW(hwnd, EM_SETSEL, 0, -1);
    SendMessageW(hwnd, EM_SETLIMITTEXT, std::max<size_t>(m_key.name.size(), 1), 0);
    SendMessageW(hwnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(m_key.name.c_str()));
    SendMessageW(hwnd, EM_SETLIMITTEXT, static_cast<WPARAM>(limit), 0);
}

bool CEditItemSingleKeyInput::OnKeyMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    if (down && (lParam & (1 << 30)) != 0)
        return true;  // auto-repeat: the key is already shown
    m_key.virtualKey = static_cast<uint16_t>(controls::RefineKeyCode(static_cast<UINT>(wParam), lParam));
    m_key.scanCode = static_cast<uint16_t>((static_cast<UINT>(lParam) >> 16) & 0xFF);
    m_key.extended = (lParam & (1 << 24)) != 0 ? 1 : 0;
    m_key.keyUp = down ? kPressed : kReleased;
    names::KeyDisplayName(m_key.virtualKey, m_key.scanCode, m_key.extended != 0, m_key.name);
    if (down && controls::IsSwallowedKeyDown(static_cast<UINT>(wParam)))
        return true;
    ShowKeyName();
    return false;
}

void CEditItemSingleKeyInput::OnRawKeyboard(const RAWKEYBOARD& keyboard) {
    const bool release = (keyboard.Flags & RI_KEY_BREAK) != 0;
    const bool e0 = (keyboard.Flags & RI_KEY_E0) != 0;
    // A held key repeats its press: nothing new to show.
    if (!release && m_key.keyUp == kPressed && m_key.scanCode == keyboard.MakeCode &&
        m_key.extended == (e0 ? 1 : 0) && keyboard.VKey != 0xFF)
        return;
    UINT virtualKey = keyboard.VKey != 0xFF ? keyboard.VKey : m_key.virtualKey;
    const LPARAM flags =
        static_cast<LPARAM>((static_cast<UINT>(keyboard.MakeCode & 0xFF) << 16) | (e0 ? (1u << 24) : 0u));
    m_key.virtualKey = static_cast<uint16_t>(controls::RefineKeyCode(virtualKey, flags));
    m_key.scanCode = keyboard.MakeCode;
    m_key.keyUp = release ? kReleased : kPressed;
    m_key.extended = e0 ? 1 : 0;
    names::KeyDisplayName(m_key.virtualKey, m_key.scanCode, e0, m_key.name);
    // Not shown: no code, the Pause key's E1 sequence and its parts, and the
    // fake Shift presses that come with some E0 keys.
    if (m_key.virtualKey == 0 || (keyboard.Flags & RI_KEY_E1) != 0 || (e0 && keyboard.VKey == 0xFF) ||
        m_key.virtualKey == VK_PAUSE)
        return;
    ShowKeyName();
}

LRESULT CEditItemSingleKeyInput::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYUP:
            if (OnKeyMessage(message, wParam, lParam))
                return 0;
            break;
        case WM_CHAR:
        case WM_SYSCHAR:
        case WM_DEADCHAR:
        case WM_SYSDEADCHAR:
        case WM_PASTE:
        case WM_CUT:
        case WM_CLEAR:
        case WM_UNDO:
            return 0;  // the text is the key's name, nothing else
        case WM_INPUT: {
            std::vector<BYTE> buffer;
            if (win::ReadRawInput(lParam, buffer)) {
                const auto* input = reinterpret_cast<const RAWINPUT*>(buffer.data());
                if (input->header.dwType == RIM_TYPEKEYBOARD &&
                    buffer.size() >= offsetof(RAWINPUT, data) + sizeof(RAWKEYBOARD))
                    OnRawKeyboard(input->data.keyboard);
            }
            break;  // the platform's clean-up of the input
        }
        case WM_DESTROY:
            ReleaseRawKeyboard();
            break;
        default:
            break;
    }
    return CEditItem::HandleMessage(message, wParam, lParam);
}

void CEditItemSingleKeyInput::FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context) {
    auto item = std::make_unique<CEditItemSingleKeyInput>();
    if (!item->CreateWindowFor(context.Parent(), skin::ItemRect(element, id), id, context.Owner(),
                               ColoursFrom(element)))
        return;
    item->ApplySkin(element, id, context);
    item->RegisterRawKeyboard();
    context.Add(std::move(item));
}
