// Sensitivity-stage tiles from a skin: one notification per selecting click,
// none from selected or disabled tiles; what a tile paints in each state.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "control_support.h"
#include "controls/DPIStageWindow.h"
#include "skin/ControlIds.h"
#include "skin/NameTables.h"
#include "skin/ResourceCache.h"
#include "win/Gdi.h"

namespace {

constexpr uint32_t kFrame = 0xC00000;
constexpr uint32_t kFrameSelected = 0x0000C0;
constexpr uint32_t kValueWin = 0x00C000;
constexpr uint32_t kXWin = 0xC0C000;
constexpr uint32_t kYWin = 0x00C0C0;
constexpr uint32_t kSelectedWin = 0xC000C0;
constexpr uint32_t kUntouched = 0x123456;

// Value windows as the skin below places them (corner form).
constexpr RECT kValueRect = {14, 46, 90, 74};
constexpr RECT kXRect = {22, 32, 98, 60};
constexpr RECT kYRect = {22, 66, 98, 94};

using Pixels = std::vector<uint32_t>;

// The black field inside a value window, where the number is written.
Pixels Field(const ctest::Capture& capture, const RECT& window) {
    Pixels out;
    for (int y = window.top + 2; y < window.bottom - 2; ++y)
        for (int x = window.left + 3; x < window.right - 3; ++x)
            out.push_back(capture.At(x, y));
    return out;
}

int Lit(const Pixels& pixels) {
    int n = 0;
    for (uint32_t p : pixels)
        n += ((p >> 16) & 0xFF) > 0x60 && ((p >> 8) & 0xFF) > 0x60 && (p & 0xFF) > 0x60 ? 1 : 0;
    return n;
}

int LitIn(const ctest::Capture& capture, const RECT& area) {
    Pixels pixels;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            pixels.push_back(capture.At(x, y));
    return Lit(pixels);
}

// A pixel of a picture as the resource cache holds it: the cache keeps the
// first "stageSelected.bmp" any test of the run asked for.
uint32_t CachedPixel(const wchar_t* name, int x, int y) {
    HBITMAP picture = CResourceCache::Instance().Get(name, kResourcePicture)->Bitmap();
    win::UniqueDC dc(CreateCompatibleDC(nullptr));
    if (picture == nullptr || !dc)
        return 0xFFFFFFFF;
    win::SelectGuard select(dc.get(), picture);
    return ctest::Rgb(GetPixel(dc.get(), x, y));
}

// What WM_ERASEBKGND leaves at the tile's centre on a DC filled with
// kUntouched.
uint32_t AfterErase(HWND hwnd) {
    uint32_t* bits = nullptr;
    win::UniqueBitmap section(win::CreateBitmap32(104, 120, &bits));
    win::UniqueDC dc(CreateCompatibleDC(nullptr));
    if (!section || !dc || bits == nullptr)
        return 0xFFFFFFFF;
    win::SelectGuard select(dc.get(), section.get());
    RECT all = {0, 0, 104, 120};
    win::UniqueBrush brush(CreateSolidBrush(RGB(0x12, 0x34, 0x56)));
    FillRect(dc.get(), &all, brush.get());
    SendMessageW(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.get()), 0);
    GdiFlush();
    return bits[60 * 104 + 52] & 0xFFFFFF;
}

class DPIStageTest : public ::testing::Test {
protected:
    void SetUp() override {
        names::BuildAllNameTables();
        m_dir = ctest::MakeScratchModuleDir(L"dpistage");
        const std::wstring skins = m_dir + L"skins\\";
        ctest::WriteSolidBmp(skins + L"st-bg.bmp", 400, 200, 0x101010);
        ctest::WriteSolidBmp(skins + L"st-frame.bmp", 104, 120, kFrame);
        ctest::WriteSolidBmp(skins + L"st-frame-sel.bmp", 104, 120, kFrameSelected);
        // The frame's mask leaves its left 20 columns out.
        ctest::WriteBmp(skins + L"st-frame-mask.bmp", 104, 120,
                        [](int x, int) { return x < 20 ? 0xFFFFFFu : 0x000000u; });
        ctest::WriteSolidBmp(skins + L"st-win.bmp", 76, 28, kValueWin);
        ctest::WriteSolidBmp(skins + L"st-winx.bmp", 76, 28, kXWin);
        ctest::WriteSolidBmp(skins + L"st-winy.bmp", 76, 28, kYWin);
        ctest::WriteSolidBmp(skins + L"stageSelected.bmp", 76, 28, kSelectedWin);
        // Tile 2 names a part's RECT before its own; tile 4 spells its part
        // names in lower case and declares one the tile does not know.
        ctest::WriteSkin(m_dir, L"Stages.xml", R"(<GUIPANEL>
  <BACKGROUND>st-bg.bmp</BACKGROUND>
  <DPISTAGELIST>
    <DPISTAGEWINDOW name="DPISTAGEWINDOW_02" tooltip="pick\nme">
      <BITMAP name="DPIFRAME"><BMP>st-frame.bmp</BMP><BMPMASK>st-frame-mask.bmp</BMPMASK><RECT left="0" top="0" right="104" bottom="120"/></BITMAP>
      <RECT left="10" top="10" right="104" bottom="120"/>
      <BITMAP name="DPIFRAMESELECTED"><BMP>st-frame-sel.bmp</BMP><RECT left="0" top="0" right="104" bottom="120"/></BITMAP>
      <BITMAP name="DPIWIN"><BMP>st-win.bmp</BMP><RECT left="14" top="46" right="76" bottom="28"/></BITMAP>
      <BITMAP name="DPIWINX"><BMP>st-winx.bmp</BMP><RECT left="22" top="32" right="76" bottom="28"/></BITMAP>
      <BITMAP name="DPIWINY"><BMP>st-winy.bmp</BMP><RECT left="22" top="66" right="76" bottom="28"/></BITMAP>
      <TEXTAREA name="HEADING" textkey="Stage 2"><RECT left="0" top="2" right="104" bottom="22"/></TEXTAREA>
    </DPISTAGEWINDOW>
    <DPISTAGEWINDOW name="DPISTAGEWINDOW_04">
      <RECT left="130" top="10" right="104" bottom="120"/>
      <BITMAP name="dpiFrame"><BMP>st-frame.bmp</BMP><RECT left="0" top="0" right="104" bottom="120"/></BITMAP>
      <BITMAP name="DPIWINZ"><BMP>st-win.bmp</BMP><RECT left="0" top="0" right="104" bottom="120"/></BITMAP>
      <TEXTAREA name="heading" textkey="Stage 4"><RECT left="0" top="2" right="104" bottom="22"/></TEXTAREA>
    </DPISTAGEWINDOW>
  </DPISTAGELIST>
</GUIPANEL>)");
    }

    void TearDown() override { ctest::RemoveScratchDir(m_dir); }

    std::wstring m_dir;
};

TEST_F(DPIStageTest, OnlyAClickThatSelectsAnEnabledTileIsReported) {
    ctest::RecordingPanel panel(L"Stages.xml", 0, nullptr);
    panel.filter = [](UINT m) { return m == WMU_DPISTAGE_SELECTED; };
    HWND hwnd = panel.Create();
    ASSERT_NE(hwnd, nullptr);
    ctest::ShowAndActivate(hwnd);
    auto* two = panel.FindItemAs<CDPIStageWindow>(ctl::DPISTAGEWINDOW_02, kItemDpiStageWindow);
    auto* four = panel.FindItemAs<CDPIStageWindow>(ctl::DPISTAGEWINDOW_04, kItemDpiStageWindow);
    ASSERT_NE(two, nullptr);
    ASSERT_NE(four, nullptr);
    EXPECT_EQ(two->StageNumber(), 2);
    EXPECT_EQ(four->StageNumber(), 4);
    EXPECT_EQ(four->TextOf(CDPIStageWindow::Text::kHeading), L"Stage 4") << "part names ignore case";
    EXPECT_EQ(two->Tooltip().Text(), L"pick me");
    // The tile's own RECT, not the one of the part declared before it.
    RECT placed = {};
    GetWindowRect(two->Handle(), &placed);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(placed.left, 10);
    EXPECT_EQ(placed.top, 10);
    EXPECT_EQ(placed.right - placed.left, 104);
    EXPECT_EQ(placed.bottom - placed.top, 120);

    HWND other = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 300, 150, 60, 20, hwnd, nullptr,
                                 nullptr, nullptr);
    SetFocus(other);
    four->SetStageEnabled(false);
    for (auto* tile : {two, four})
        tile->SetInUse(true);
    ctest::Capture unknownPart(four->Handle());
    EXPECT_EQ(unknownPart.At(50, 60), kFrame) << "the part of an unknown name is not drawn";
    EXPECT_EQ(unknownPart.Count(kValueWin), 0);

    auto click = [](CDPIStageWindow* tile) {
        SendMessageW(tile->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 30));
        SendMessageW(tile->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(30, 30));
        ReleaseCapture();
        ctest::Pump();
    };
    click(four);
    EXPECT_FALSE(four->IsSelected()) << "a disabled tile cannot be chosen";
    EXPECT_EQ(GetFocus(), other);

    click(two);
    EXPECT_TRUE(two->IsSelected());
    EXPECT_EQ(GetFocus(), two->Handle());
    click(two);  // already selected: nothing
    SetFocus(other);
    EXPECT_TRUE(two->IsSelected()) << "losing the focus keeps the choice";

    // Only the popup deselects; then the tile can be chosen again.
    two->SetSelected(false);
    click(two);
    ctest::ExpectSequence(panel.seen,
                          {{WMU_DPISTAGE_SELECTED, 2, ctl::DPISTAGEWINDOW_02, ctest::kBoth},
                           {WMU_DPISTAGE_SELECTED, 2, ctl::DPISTAGEWINDOW_02, ctest::kBoth}},
                          "stage notifications");
    DestroyWindow(other);
}

TEST_F(DPIStageTest, PaintsItsStateAndNumbersOnlyWhileInUse) {
    ctest::RecordingPanel panel(L"Stages.xml", 0, nullptr);
    HWND hwnd = panel.Create();
    ASSERT_NE(hwnd, nullptr);
    ctest::ShowAndActivate(hwnd);
    auto* tile = panel.FindItemAs<CDPIStageWindow>(ctl::DPISTAGEWINDOW_02, kItemDpiStageWindow);
    ASSERT_NE(tile, nullptr);
    HWND h = tile->Handle();
    tile->SetValue(800);

    ctest::Capture idle(h, kUntouched);
    EXPECT_EQ(idle.Count(kUntouched), idle.Width() * idle.Height()) << "not in use: nothing painted";
    EXPECT_EQ(AfterErase(h), 0x000000u) << "an unselected tile erases to black";

    tile->SetInUse(true);
    ctest::Capture single(h, kUntouched);
    EXPECT_EQ(single.Count(kUntouched), 0) << "composed whole";
    EXPECT_EQ(single.At(100, 110), kFrame);
    EXPECT_EQ(single.At(5, 110), 0x000000u) << "the mask keeps the frame off its left columns";
    EXPECT_EQ(single.At(kValueRect.left, kValueRect.top + 5), kValueWin);
    EXPECT_EQ(single.Count(kXWin) + single.Count(kYWin), 0);
    EXPECT_GT(LitIn(single, RECT{20, 2, 84, 24}), 0) << "heading";
    const Pixels field800 = Field(single, kValueRect);
    EXPECT_GT(Lit(field800), 0);
    EXPECT_EQ(single.At(kValueRect.left + 3, kValueRect.top + 2), 0x000000u) << "numbers sit on black";

    tile->SetValue(1600);
    const Pixels field1600 = Field(ctest::Capture(h, kUntouched), kValueRect);
    EXPECT_NE(field1600, field800);
    EXPECT_GT(Lit(field1600), Lit(field800)) << "four digits light more than three";

    // Separate axes: X 800, Y 1600, each in its own window, drawn as the
    // single value was (the windows have the same size).
    tile->SetXValue(800);
    tile->SetYValue(1600);
    tile->SetSeparateXY(true);
    ctest::Capture split(h, kUntouched);
    EXPECT_EQ(split.Count(kValueWin), 0) << "no single-value window";
    EXPECT_EQ(split.At(kXRect.left, kXRect.top + 5), kXWin);
    EXPECT_EQ(split.At(kYRect.left, kYRect.top + 5), kYWin);
    EXPECT_EQ(Field(split, kXRect), field800);
    EXPECT_EQ(Field(split, kYRect), field1600);

    // Selected: the selected frame, and both value windows from the shared
    // selected picture; a selected tile does not erase.
    tile->SetSelected(true);
    const uint32_t selectedEdge = CachedPixel(CDPIStageWindow::kSelectedValuePicture, 0, 5);
    ASSERT_NE(selectedEdge, 0xFFFFFFFFu);
    ASSERT_NE(selectedEdge, kFrameSelected);
    ctest::Capture chosen(h, kUntouched);
    EXPECT_EQ(chosen.At(5, 110), kFrameSelected);
    EXPECT_EQ(chosen.At(kXRect.left, kXRect.top + 5), selectedEdge);
    EXPECT_EQ(chosen.At(kYRect.left, kYRect.top + 5), selectedEdge);
    EXPECT_EQ(chosen.Count(kXWin) + chosen.Count(kYWin), 0);
    EXPECT_EQ(Field(chosen, kYRect), field1600);
    EXPECT_EQ(AfterErase(h), kUntouched);

    tile->SetSeparateXY(false);
    ctest::Capture back(h, kUntouched);
    EXPECT_EQ(back.At(kValueRect.left, kValueRect.top + 5), selectedEdge);
    EXPECT_EQ(back.At(kXRect.left, kXRect.top + 5), kFrameSelected) << "one value window only";
    EXPECT_EQ(back.Count(kValueWin) + back.Count(kXWin) + back.Count(kYWin), 0);
    EXPECT_EQ(Field(back, kValueRect), field1600);
}

}  // namespace
