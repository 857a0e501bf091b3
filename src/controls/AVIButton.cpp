#include "controls/AVIButton.h"

#include <commctrl.h>

#include <memory>

#include "controls/Picture.h"
#include "win/Gdi.h"
#include "win/ModuleDir.h"

bool CAVIButton::CreateWindowFor(HWND parent, const RECT& rect, int32_t id, void* owner) {
    SetId(id);
    SetType(kItemAviButton);
    SetOwner(owner);
    SetRect(rect);
    HWND hwnd = CreateControl(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, rect, parent,
                              static_cast<UINT_PTR>(id & 0xFFFF));
    SetWindow(hwnd);
    if (hwnd == nullptr)
        return false;
    // The button lies over what the skin placed beneath it (the logo): above
    // its siblings it takes the clicks, and its clip is seen.
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return true;
}

std::wstring CAVIButton::VideoFile() const {
    return m_videoPath.empty() ? m_videoPath : app::ModuleFile(L"skins\\", m_videoPath);
}

void CAVIButton::SetStillPicture(HBITMAP picture) {
    m_still = controls::CopyPicture(picture);
    if (Handle() != nullptr)
        InvalidateRect(Handle(), nullptr, FALSE);
}

bool CAVIButton::Play() {
    if (Handle() == nullptr)
        return false;
    if (m_animation == nullptr) {
        win::EnsureCommonControls();
        RECT area = {};
        GetClientRect(Handle(), &area);
        OffsetRect(&area, 1, 1);
        // The timer style keeps the playing on this thread.
        m_animation = CreateWindowExW(0, ANIMATE_CLASSW, nullptr, WS_CHILD | WS_VISIBLE | ACS_TIMER,
                                      area.left, area.top, area.right - area.left, area.bottom - area.top,
                                      Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
        if (m_animation == nullptr)
            return false;
        // A clip that cannot be opened leaves the control empty; nothing is
        // reported.
        const std::wstring file = VideoFile();
        m_clipOpened = !file.empty() && Animate_Open(m_animation, file.c_str()) != FALSE;
        m_playing = 1;
        InvalidateRect(Handle(), nullptr, FALSE);
    }
    if (!m_clipOpened)
        return false;
    return Animate_Play(m_animation, 0, -1, 1) != FALSE;
}

void CAVIButton::Paint(HDC dc) {
    // While the animation control exists the clip covers the button.
    if (m_animation != nullptr || !m_still)
        return;
    RECT client = {};
    GetClientRect(Handle(), &client);
    const SIZE picture = win::BitmapSize(m_still.get());
    // From a window slightly left of and above the picture's centre.
    const int x = picture.cx / 2 - client.right / 2 - 10;
    const int y = picture.cy / 2 - client.bottom / 2 - 5;
    win::UniqueDC memory(CreateCompatibleDC(dc));
    if (!memory)
        return;
    win::SelectGuard select(memory.get(), m_still.get());
    BitBlt(dc, 0, 0, client.right, client.bottom, memory.get(), x, y, SRCCOPY);
}

bool CAVIButton::OnReflected(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
    if (message != WM_DRAWITEM)
        return false;
    Paint(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hDC);
    result = TRUE;
    return true;
}

LRESULT CAVIButton::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT painted = 0;
    if (win::HandlePaintMessage(Handle(), message, wParam, painted, [this](HDC dc) { Paint(dc); }))
        return painted;
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
            // The click is the button's own: the platform's button-clicked
            // notification never arises, so the parent hears nothing.
            return 0;
        case WM_LBUTTONDBLCLK:
            Play();
            return 0;
        case WM_COMMAND:
            // The animation control reports when the clip starts and stops.
            if (m_animation != nullptr && reinterpret_cast<HWND>(lParam) == m_animation) {
                if (HIWORD(wParam) == ACN_START)
                    m_clipRunning = true;
                else if (HIWORD(wParam) == ACN_STOP)
                    m_clipRunning = false;
                return 0;
            }
            return Default(message, wParam, lParam);
        default:
            return Default(message, wParam, lParam);
    }
}

void CAVIButton::FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context) {
    auto button = std::make_unique<CAVIButton>();
    if (!button->CreateWindowFor(context.Parent(), skin::ItemRect(element, id), id, context.Owner()))
        return;
    button->SetVideoPath(skin::ChildText(element, L"VIDEO"));
    button->SetSoundPath(skin::ChildText(element, L"SOUND"));
    context.Add(std::move(button));
}
