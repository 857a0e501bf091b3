// Support for control tests: a scratch module directory with generated
// pictures and skin files, a panel that records the messages it receives
// (compared with expected tables, in the style of Wine's message tests), and
// pixel reads through WM_PRINTCLIENT.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "controls/Panel.h"

namespace ctest {

// --- files ---------------------------------------------------------------------

// A fresh folder under %TEMP% with xml\, skins\, fonts\ and lang\; made the
// module directory.
std::wstring MakeScratchModuleDir(const wchar_t* tag);
// Removes the folder made above. Fonts and pictures the process's resource
// cache holds open may keep a file; those are left.
void RemoveScratchDir(const std::wstring& dir);
void WriteFile(const std::wstring& path, const std::string& bytes);
void WriteSkin(const std::wstring& moduleDir, const wchar_t* name, const std::string& xml);
// A 24-bit BMP; pixel(x, y) answers 0x00RRGGBB, y = 0 being the top row.
void WriteBmp(const std::wstring& path, int width, int height,
              const std::function<uint32_t(int, int)>& pixel);
void WriteSolidBmp(const std::wstring& path, int width, int height, uint32_t rgb);

// --- messages --------------------------------------------------------------------

struct Message {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

enum Match : unsigned { kMessageOnly = 0, kWParam = 1, kLParam = 2, kBoth = 3 };
struct Expected {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    unsigned match;
};

// Compares what was seen with the table, message by message.
void ExpectSequence(const std::vector<Message>& seen, const std::vector<Expected>& expected,
                    const char* what);

// A panel that records the notifications its items send it.
class RecordingPanel : public CGUIPanel {
public:
    using CGUIPanel::CGUIPanel;
    std::vector<Message> seen;
    // Which messages are recorded; the default: WM_COMMAND and the private
    // notifications of the controls (0x400 and above).
    std::function<bool(UINT)> filter = [](UINT m) { return m == WM_COMMAND || (m >= WM_USER && m < 0x8000); };

protected:
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        if (filter(message))
            seen.push_back(Message{message, wParam, lParam});
        return CGUIPanel::HandleMessage(message, wParam, lParam, result);
    }
};

// Runs every queued message of the thread.
void Pump();
// Shows the panel's window, brings it to the front and pumps.
void ShowAndActivate(HWND hwnd);

// --- pixels ------------------------------------------------------------------------

// The window's client area as drawn by WM_PRINTCLIENT over a background of
// `fill`; pixels as 0x00RRGGBB.
class Capture {
public:
    Capture(HWND hwnd, uint32_t fill = 0x000000);
    uint32_t At(int x, int y) const;
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // How many pixels lie within `tolerance` of the colour on each channel.
    int Count(uint32_t rgb, int tolerance = 0) const;

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<uint32_t> m_pixels;
};

// A COLORREF (0x00BBGGRR) as 0x00RRGGBB.
inline uint32_t Rgb(COLORREF c) {
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

}  // namespace ctest
