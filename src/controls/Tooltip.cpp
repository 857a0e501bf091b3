#include "controls/Tooltip.h"

#include <commctrl.h>

#include "controls/ItemText.h"
#include "win/Window.h"

namespace controls {
namespace {

constexpr UINT_PTR kToolId = 1;

TTTOOLINFOW ToolOf(HWND control, wchar_t* text) {
    TTTOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.uFlags = 0;
    tool.hwnd = control;
    tool.uId = kToolId;
    tool.hinst = nullptr;
    tool.lpszText = text;
    GetClientRect(control, &tool.rect);
    return tool;
}

}  // namespace

ItemTooltip::~ItemTooltip() {
    if (m_tip != nullptr && IsWindow(m_tip))
        DestroyWindow(m_tip);
}

bool ItemTooltip::EnsureCreated(HWND control) {
    if (m_tip != nullptr && IsWindow(m_tip))
        return true;
    win::EnsureCommonControls();
    m_hasTool = false;
    m_tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, control, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    if (m_tip == nullptr)
        return false;
    SendMessageW(m_tip, TTM_ACTIVATE, FALSE, 0);
    return true;
}

void ItemTooltip::SetText(HWND control, const std::wstring& key) {
    SetPlainText(control, TooltipText(key));
}

void ItemTooltip::SetPlainText(HWND control, const std::wstring& text) {
    if (control == nullptr)
        return;
    m_text = text;
    // The tool-tip window is made when the pointer first comes over the
    // control: a page of many buttons would otherwise open a window for
    // each at once.
    if (m_tip != nullptr && IsWindow(m_tip))
        ApplyText(control);
}

void ItemTooltip::ApplyText(HWND control) {
    if (!m_hasTool) {
        TTTOOLINFOW tool = ToolOf(control, m_text.data());
        m_hasTool = SendMessageW(m_tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)) != FALSE;
    }
    TTTOOLINFOW tool = ToolOf(control, m_text.data());
    SendMessageW(m_tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(m_tip, TTM_ACTIVATE, TRUE, 0);
}

void ItemTooltip::Relay(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    // Without a text there is nothing to show.
    if (control == nullptr || m_text.empty())
        return;
    if (m_tip == nullptr || !IsWindow(m_tip)) {
        if (!EnsureCreated(control))
            return;
        ApplyText(control);
    }
    MSG msg = {};
    msg.hwnd = control;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = GetMessageTime();
    DWORD pos = GetMessagePos();
    msg.pt = POINT{static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
    SendMessageW(m_tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
}

}  // namespace controls
