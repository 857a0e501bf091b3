// Bitmap windows (key fields): frames by state, focus taken and given back on
// clicks, released keys posted to the panel with refined codes.
#include <windows.h>

#include <gtest/gtest.h>

#include "control_support.h"
#include "controls/BitmapWindow.h"
#include "skin/NameTables.h"

namespace {

constexpr int32_t kAssignKey = 328;  // BITMAPWIN_ASSIGNKEY

constexpr uint32_t kFrame = 0xC00000;
constexpr uint32_t kHotFrame = 0x00C000;
constexpr uint32_t kSelectedFrame = 0x0000C0;
constexpr uint32_t kInner = 0xC0C000;

LPARAM KeyFlags(UINT scanCode, bool extended, bool up) {
    LPARAM flags = 1 | (static_cast<LPARAM>(scanCode) << 16);
    if (extended)
        flags |= 1 << 24;
    if (up)
        flags |= static_cast<LPARAM>(3u << 30);
    return flags;
}

class BitmapWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        names::BuildAllNameTables();
        m_dir = ctest::MakeScratchModuleDir(L"bitmapwin");
        ctest::WriteSolidBmp(m_dir + L"skins\\bw-bg.bmp", 300, 200, 0x101010);
        ctest::WriteSolidBmp(m_dir + L"skins\\bw-frame.bmp", 80, 60, kFrame);
        ctest::WriteSolidBmp(m_dir + L"skins\\bw-hot.bmp", 80, 60, kHotFrame);
        ctest::WriteSolidBmp(m_dir + L"skins\\bw-selected.bmp", 80, 60, kSelectedFrame);
        ctest::WriteSolidBmp(m_dir + L"skins\\bw-inner.bmp", 40, 20, kInner);
        ctest::WriteSkin(m_dir, L"KeyField.xml", R"(<GUIPANEL>
  <BACKGROUND>bw-bg.bmp</BACKGROUND>
  <BITMAPLIST>
    <BITMAPWINDOW name="BITMAPWIN_ASSIGNKEY" tooltip="press\na key" justify="C">
      <SBMDS>bw-inner.bmp</SBMDS><SBMN>bw-frame.bmp</SBMN><SBMO>bw-hot.bmp</SBMO><SBMD>bw-selected.bmp</SBMD>
      <RECT left="20" top="20" right="80" bottom="60"/>
    </BITMAPWINDOW>
    <BITMAPWINDOW name="BITMAPWIN_ASSIGNKEY"><SBMN>bw-frame.bmp</SBMN><RECT left="0" top="0" right="8" bottom="8"/></BITMAPWINDOW>
  </BITMAPLIST>
</GUIPANEL>)");
    }

    void TearDown() override { ctest::RemoveScratchDir(m_dir); }

    std::wstring m_dir;
};

TEST_F(BitmapWindowTest, FramesFollowTheStateAndTheInnerPictureSitsInTheMargins) {
    ctest::RecordingPanel panel(L"KeyField.xml", 0, nullptr);
    HWND hwnd = panel.Create();
    ASSERT_NE(hwnd, nullptr);
    ctest::ShowAndActivate(hwnd);
    // The second window lacks its required inner picture.
    ASSERT_EQ(panel.Items().size(), 2u) << "background and one bitmap window";
    auto* field = panel.FindItemAs<CBitmapWindow>(kAssignKey, kItemBitmapWindow);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->Margins().cx, 20);
    EXPECT_EQ(field->Margins().cy, 20);
    EXPECT_EQ(field->Tooltip().Text(), L"press a key");

    ctest::Capture idle(field->Handle());
    EXPECT_EQ(idle.At(1, 1), kFrame);
    EXPECT_EQ(idle.At(40, 30), kInner);
    EXPECT_EQ(idle.At(19, 30), kFrame) << "left margin";
    EXPECT_EQ(idle.At(60, 30), kFrame) << "right margin";

    SendMessageW(field->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(field->IsHot());
    EXPECT_EQ(ctest::Capture(field->Handle()).At(1, 1), kHotFrame);

    SendMessageW(field->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(field->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ASSERT_TRUE(field->IsSelected());
    EXPECT_EQ(ctest::Capture(field->Handle()).At(1, 1), kSelectedFrame);

    field->SetCaption(L"ctrl");
    ctest::Capture caption(field->Handle());
    EXPECT_EQ(caption.Count(kInner), 0) << "a caption replaces the inner picture";
    EXPECT_GT(caption.Count(0xFEFEFE, 40), 0) << "caption in the default colour";
    ReleaseCapture();
}

TEST_F(BitmapWindowTest, SecondClickGivesTheFocusBack) {
    ctest::RecordingPanel panel(L"KeyField.xml", 0, nullptr);
    HWND hwnd = panel.Create();
    ASSERT_NE(hwnd, nullptr);
    ctest::ShowAndActivate(hwnd);
    HWND other = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 200, 150, 60, 20, hwnd, nullptr,
                                 nullptr, nullptr);
    SetFocus(other);
    ASSERT_EQ(GetFocus(), other);
    auto* field = panel.FindItemAs<CBitmapWindow>(kAssignKey, kItemBitmapWindow);
    ASSERT_NE(field, nullptr);

    SendMessageW(field->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(field->IsSelected());
    EXPECT_EQ(GetFocus(), field->Handle());
    EXPECT_EQ(SendMessageW(field->Handle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS, DLGC_WANTALLKEYS);

    SendMessageW(field->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_FALSE(field->IsSelected());
    EXPECT_EQ(GetFocus(), other);

    // Losing the focus while selected returns the field to idle.
    SendMessageW(field->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ASSERT_TRUE(field->IsSelected());
    SetFocus(other);
    EXPECT_FALSE(field->IsSelected());
    EXPECT_FALSE(field->IsHot());
    DestroyWindow(other);
}

TEST_F(BitmapWindowTest, ReleasedKeysArePostedWithRefinedCodes) {
    ctest::RecordingPanel panel(L"KeyField.xml", 0, nullptr);
    HWND hwnd = panel.Create();
    ASSERT_NE(hwnd, nullptr);
    ctest::ShowAndActivate(hwnd);
    auto* field = panel.FindItemAs<CBitmapWindow>(kAssignKey, kItemBitmapWindow);
    ASSERT_NE(field, nullptr);
    HWND key = field->Handle();
    SendMessageW(key, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ctest::Pump();
    panel.seen.clear();

    struct Press {
        UINT message;
        UINT vk;
        UINT scan;
        bool extended;
    };
    const Press presses[] = {
        {WM_KEYUP, VK_CONTROL, 0x1D, true}, {WM_KEYUP, VK_CONTROL, 0x1D, false},
        {WM_SYSKEYUP, VK_MENU, 0x38, true}, {WM_SYSKEYUP, VK_MENU, 0x38, false},
        {WM_KEYUP, VK_SHIFT, 0x2A, false},  {WM_KEYUP, VK_SHIFT, 0x36, false},
        {WM_KEYUP, VK_SHIFT, 0x00, false},  {WM_KEYUP, VK_RETURN, 0x1C, true},
        {WM_KEYUP, VK_RETURN, 0x1C, false}, {WM_KEYUP, 'A', 0x1E, false},
    };
    for (const Press& p : presses) {
        // Key downs are swallowed: only the releases are reported.
        SendMessageW(key, p.message == WM_KEYUP ? WM_KEYDOWN : WM_SYSKEYDOWN, p.vk,
                     KeyFlags(p.scan, p.extended, false));
        SendMessageW(key, p.message, p.vk, KeyFlags(p.scan, p.extended, true));
    }
    ctest::Pump();
    const auto from = reinterpret_cast<LPARAM>(key);
    ctest::ExpectSequence(panel.seen,
                          {
                              {WMU_KEYCAPTURED, 163, from, ctest::kBoth},  // right Control
                              {WMU_KEYCAPTURED, 162, from, ctest::kBoth},  // left Control
                              {WMU_KEYCAPTURED, 165, from, ctest::kBoth},  // right Alt
                              {WMU_KEYCAPTURED, 164, from, ctest::kBoth},  // left Alt
                              {WMU_KEYCAPTURED, 160, from, ctest::kBoth},  // left Shift
                              {WMU_KEYCAPTURED, 161, from, ctest::kBoth},  // right Shift
                              {WMU_KEYCAPTURED, 16, from, ctest::kBoth},   // Shift of another scan code
                              {WMU_KEYCAPTURED, 108, from, ctest::kBoth},  // keypad Enter
                              {WMU_KEYCAPTURED, 13, from, ctest::kBoth},   // main Enter
                              {WMU_KEYCAPTURED, 'A', from, ctest::kBoth},
                          },
                          "released keys");
}

TEST_F(BitmapWindowTest, RealKeyPressesThroughTheInputQueue) {
    ctest::RecordingPanel panel(L"KeyField.xml", 0, nullptr);
    HWND hwnd = panel.Create();
    ASSERT_NE(hwnd, nullptr);
    ctest::ShowAndActivate(hwnd);
    auto* field = panel.FindItemAs<CBitmapWindow>(kAssignKey, kItemBitmapWindow);
    ASSERT_NE(field, nullptr);
    SendMessageW(field->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ASSERT_EQ(GetFocus(), field->Handle());
    panel.seen.clear();

    // Right Control, as the keyboard driver delivers it: posted key messages
    // go through the thread's queue like real input.
    PostMessageW(field->Handle(), WM_KEYDOWN, VK_CONTROL, KeyFlags(0x1D, true, false));
    PostMessageW(field->Handle(), WM_KEYUP, VK_CONTROL, KeyFlags(0x1D, true, true));
    PostMessageW(field->Handle(), WM_KEYUP, VK_RETURN, KeyFlags(0x1C, true, true));
    ctest::Pump();
    const auto from = reinterpret_cast<LPARAM>(field->Handle());
    ctest::ExpectSequence(
        panel.seen, {{WMU_KEYCAPTURED, 163, from, ctest::kBoth}, {WMU_KEYCAPTURED, 108, from, ctest::kBoth}},
        "posted key messages");
}

}  // namespace
