// Sliders from a skin, driven by the mouse messages, keys and wheel turns
// they get: what each reports to the page, where its thumbs and knobs stand,
// and what the colour-range slider paints where it is clicked.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "control_support.h"
#include "controls/APMSlider.h"
#include "controls/DMarker.h"
#include "controls/ItemFactories.h"
#include "controls/SliderHMulti.h"
#include "controls/VertSlider.h"
#include "skin/ControlIds.h"
#include "skin/NameTables.h"
#include "win/Gdi.h"

namespace {

constexpr uint32_t kTrack = 0x203040;
constexpr uint32_t kThumb = 0xC0C000;
constexpr uint32_t kHotThumb = 0x00C0C0;
constexpr uint32_t kKey = 0xFF00FF;
constexpr uint32_t kEmptyBar = 0x404040;
constexpr uint32_t kFullBar = 0x00E000;
constexpr uint32_t kSheet = 0xE00000;  // the full-bar sheet outside the bar

// The multi-stage slider: 310 pixels, thumbs 16 wide, range 1-32, so a step
// is 10 pixels and value v sits at x = (v - 1) * 10.
constexpr int kStep = 10;
constexpr int kHalfThumb = 8;

bool IsSliderMessage(UINT m) {
    return m == WMU_SLIDERCHANGED || m == WMU_MARKERCHANGED || m == WMU_RANGECLICKED;
}

// Where a window stands in another's client area.
RECT PlaceIn(HWND child, HWND parent) {
    RECT at = {};
    GetWindowRect(child, &at);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&at), 2);
    return at;
}

// A mouse message to a thumb for a point of its slider's client area, in
// the thumb's own coordinates as they are now.
void ThumbMouse(HWND thumb, UINT message, int sliderX, int y = 10) {
    const RECT at = PlaceIn(thumb, GetParent(thumb));
    const WPARAM keys = message == WM_LBUTTONUP ? 0 : MK_LBUTTON;
    SendMessageW(thumb, message, keys, MAKELPARAM(sliderX - at.left, y));
}

int CentreOf(const CPHSlider* thumb) {
    return PlaceIn(thumb->Handle(), GetParent(thumb->Handle())).left + thumb->Width() / 2;
}

// Press on the thumb's centre, move to x, release there: the value shown
// after the move.
int32_t DragTo(CPHSlider* thumb, int x) {
    HWND h = thumb->Handle();
    ThumbMouse(h, WM_LBUTTONDOWN, CentreOf(thumb));
    ThumbMouse(h, WM_MOUSEMOVE, x);
    const int32_t shown = thumb->Value();
    ThumbMouse(h, WM_LBUTTONUP, x);
    return shown;
}

// Which of the four blended range colours a pixel shows (each channel
// within 1), or -1.
int RangeShown(uint32_t pixel, const uint32_t (&shown)[4]) {
    for (int i = 0; i < 4; ++i) {
        bool close = true;
        for (int shift : {0, 8, 16}) {
            const int a = static_cast<int>((pixel >> shift) & 0xFF);
            const int b = static_cast<int>((shown[i] >> shift) & 0xFF);
            close = close && a - b <= 1 && b - a <= 1;
        }
        if (close)
            return i;
    }
    return -1;
}

std::vector<ctest::Message> Only(const std::vector<ctest::Message>& seen, UINT message) {
    std::vector<ctest::Message> out;
    for (const ctest::Message& m : seen)
        if (m.message == message)
            out.push_back(m);
    return out;
}

class SliderTest : public ::testing::Test {
protected:
    void SetUp() override {
        names::BuildAllNameTables();
        controls::RegisterItemFactories();
        m_dir = ctest::MakeScratchModuleDir(L"sliders");
        const std::wstring skins = m_dir + L"skins\\";
        ctest::WriteSolidBmp(skins + L"sl-bg.bmp", 420, 260, 0x101010);
        ctest::WriteSolidBmp(skins + L"sl-track.bmp", 330, 40, kTrack);
        // Thumbs with 3 x 3 corners in the colour key.
        auto thumb = [](uint32_t body) {
            return [body](int x, int y) {
                const bool corner = (x < 3 || x > 12) && (y < 3 || y > 16);
                return corner ? kKey : body;
            };
        };
        ctest::WriteBmp(skins + L"sl-thumb.bmp", 16, 20, thumb(kThumb));
        ctest::WriteBmp(skins + L"sl-thumb-hot.bmp", 16, 20, thumb(kHotThumb));
        ctest::WriteSolidBmp(skins + L"sl-apmtrack.bmp", 320, 20, 0xFFFFFF);
        ctest::WriteSolidBmp(skins + L"sl-apmthumb.bmp", 10, 20, 0x808080);
        ctest::WriteSolidBmp(skins + L"sl-knob.bmp", 20, 30, 0xA0A0A0);
        ctest::WriteSolidBmp(skins + L"sl-empty.bmp", 200, 12, kEmptyBar);
        // A panel-sized sheet: the bar's own place holds the full bar.
        ctest::WriteBmp(skins + L"sl-full.bmp", 420, 260, [](int x, int y) {
            return x >= 20 && x < 220 && y >= 200 && y < 212 ? kFullBar : kSheet;
        });
        ctest::WriteSkin(m_dir, L"Sliders.xml", R"(<GUIPANEL>
  <BACKGROUND>sl-bg.bmp</BACKGROUND>
  <BITMAPLIST>
    <BITMAPITEM name="BITMAP_SLSENSTRK_XY"><SBMN>sl-track.bmp</SBMN><RECT left="10" top="10" right="330" bottom="40"/></BITMAPITEM>
    <BITMAPITEM name="BITMAP_APM_SLIDER"><SBMN>sl-apmtrack.bmp</SBMN><RECT left="10" top="80" right="320" bottom="20"/></BITMAPITEM>
  </BITMAPLIST>
  <SLIDERLIST>
    <VSLIDER name="SLIDER_SCROLL" file="sl-knob.bmp"><RECT left="360" top="20" right="20" bottom="130"/></VSLIDER>
    <HSLIDERM name="SLIDER_DPI_MULTI" trackid="BITMAP_SLSENSTRK_XY" interactive="1">
      <RECT left="5" top="4" right="310" bottom="24"/>
      <SBMN>sl-thumb.bmp</SBMN><SBMO>sl-thumb-hot.bmp</SBMO>
      <STAGES>
        <STAGE tooltip="first\nstage">SLIDER_DPI_MULTI_STAGE1</STAGE>
        <STAGE>SLIDER_DPI_MULTI_STAGE2</STAGE>
        <STAGE>SLIDER_DPI_MULTI_STAGE3</STAGE>
      </STAGES>
    </HSLIDERM>
    <HSLIDERM name="SLIDER_DPI_MULTI_POPUP" trackid="BITMAP_SLSENSTRK_XY">
      <RECT left="5" top="28" right="310" bottom="12"/>
      <SBMN>sl-thumb.bmp</SBMN>
      <STAGES>
        <STAGE>SLIDER_DPI_MULTI_X_STAGE1</STAGE><STAGE>SLIDER_DPI_MULTI_X_STAGE2</STAGE>
        <STAGE>SLIDER_DPI_MULTI_X_STAGE3</STAGE><STAGE>SLIDER_DPI_MULTI_X_STAGE4</STAGE>
        <STAGE>SLIDER_DPI_MULTI_X_STAGE5</STAGE><STAGE>SLIDER_DPI_MULTI_Y_STAGE1</STAGE>
        <STAGE>SLIDER_DPI_MULTI_Y_STAGE2</STAGE>
      </STAGES>
    </HSLIDERM>
    <HSLIDERM name="SLIDER_DPI_MULTI_X" trackid="BITMAP_SLSENSTRK_XY" interactive="1">
      <RECT left="5" top="4" right="310" bottom="24"/><SBMN>sl-thumb.bmp</SBMN>
    </HSLIDERM>
    <HSLIDERM name="SLIDER_DPI_MULTI_Y" trackid="BITMAP_NOSUCHTRACK" interactive="1">
      <RECT left="5" top="4" right="310" bottom="24"/><SBMN>sl-thumb.bmp</SBMN>
      <STAGES><STAGE>SLIDER_DPI_MULTI_Y_STAGE3</STAGE></STAGES>
    </HSLIDERM>
    <HSLIDERM name="SLIDER_ID_SENSX" trackid="SLIDER_SCROLL" interactive="1">
      <RECT left="5" top="4" right="310" bottom="24"/><SBMN>sl-thumb.bmp</SBMN>
      <STAGES><STAGE>SLIDER_DPI_MULTI_Y_STAGE4</STAGE></STAGES>
    </HSLIDERM>
    <HSLIDERMAPM name="SLIDER_APM_MULTI" trackid="BITMAP_APM_SLIDER">
      <RECT left="0" top="0" right="320" bottom="20"/>
      <SBMN>sl-apmthumb.bmp</SBMN><SBMO>sl-apmthumb.bmp</SBMO>
    </HSLIDERMAPM>
    <DMARKER name="SLIDER_SENSITIVITY">
      <RECT left="20" top="200" right="200" bottom="12"/><SBMN>sl-empty.bmp</SBMN><MARK>sl-full.bmp</MARK>
    </DMARKER>
  </SLIDERLIST>
</GUIPANEL>)");
    }

    void TearDown() override { ctest::RemoveScratchDir(m_dir); }

    // The panel, shown, recording only what the sliders report.
    HWND Open(ctest::RecordingPanel& panel) {
        panel.filter = IsSliderMessage;
        HWND hwnd = panel.Create();
        if (hwnd != nullptr)
            ctest::ShowAndActivate(hwnd);
        return hwnd;
    }

    std::wstring m_dir;
};

TEST_F(SliderTest, MultiStageThumbsFollowTheDragAndADropKeepsWhatItShowed) {
    ctest::RecordingPanel panel(L"Sliders.xml", 0, nullptr);
    HWND hwnd = Open(panel);
    ASSERT_NE(hwnd, nullptr);

    // Skin: no STAGES, an unknown track, a track that is no bitmap item: no
    // slider; seven stages make five thumbs; thumbs stay out of the list.
    EXPECT_EQ(panel.FindItem(ctl::SLIDER_DPI_MULTI_X), nullptr);
    EXPECT_EQ(panel.FindItem(ctl::SLIDER_DPI_MULTI_Y), nullptr);
    EXPECT_EQ(panel.FindItem(ctl::SLIDER_ID_SENSX), nullptr);
    EXPECT_EQ(panel.FindItem(ctl::SLIDER_DPI_MULTI_STAGE1), nullptr);
    EXPECT_EQ(FindSliderOfThumb(panel.Items(), ctl::SLIDER_DPI_MULTI_STAGE3),
              panel.FindItem(ctl::SLIDER_DPI_MULTI, kItemMultiSlider));
    EXPECT_EQ(FindSliderOfThumb(panel.Items(), ctl::SLIDER_DPI_MULTI_Y_STAGE1), nullptr) << "the sixth stage";
    auto* seven = panel.FindItemAs<CSliderHMulti>(ctl::SLIDER_DPI_MULTI_POPUP, kItemMultiSlider);
    ASSERT_NE(seven, nullptr);
    EXPECT_EQ(seven->ThumbCount(), 5u);
    EXPECT_EQ(seven->Thumb(5), nullptr);
    EXPECT_FALSE(seven->IsEnabled()) << "not interactive";

    auto* slider = panel.FindItemAs<CSliderHMulti>(ctl::SLIDER_DPI_MULTI, kItemMultiSlider);
    ASSERT_NE(slider, nullptr);
    HWND track = panel.FindItem(ctl::BITMAP_SLSENSTRK_XY, kItemBitmap)->Window();
    HWND sliderWindow = slider->Handle();
    EXPECT_EQ(GetParent(sliderWindow), track);
    ASSERT_EQ(slider->ThumbCount(), 3u);
    const int32_t stageIds[] = {ctl::SLIDER_DPI_MULTI_STAGE1, ctl::SLIDER_DPI_MULTI_STAGE2,
                                ctl::SLIDER_DPI_MULTI_STAGE3};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(slider->Thumb(i)->Id(), stageIds[i]);
        EXPECT_EQ(slider->Thumb(i)->Type(), kItemSliderThumb);
        EXPECT_EQ(slider->Thumb(i)->Value(), static_cast<int32_t>(i) + 3);
        EXPECT_EQ(CentreOf(slider->Thumb(i)), (static_cast<int>(i) + 2) * kStep);
    }
    EXPECT_EQ(slider->Thumb(0)->Tooltip().Text(), L"first stage");
    EXPECT_TRUE(slider->Thumb(1)->Tooltip().Text().empty());

    CPHSlider* thumb = slider->Thumb(0);
    HWND h = thumb->Handle();
    // Shaped by its colour key, painted from its own picture.
    win::UniqueRgn shape(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(GetWindowRgn(h, shape.get()), ERROR);
    EXPECT_FALSE(PtInRegion(shape.get(), 0, 0));
    EXPECT_FALSE(PtInRegion(shape.get(), 15, 19));
    EXPECT_TRUE(PtInRegion(shape.get(), 3, 0));
    EXPECT_TRUE(PtInRegion(shape.get(), 8, 10));
    EXPECT_EQ(ctest::Capture(h).At(8, 10), kThumb);
    EXPECT_EQ(ctest::Capture(sliderWindow).At(150, 12), kTrack);

    // The sweep: one press, the pointer from left of the track to beyond
    // its end. The centre follows the pointer along the track, the value
    // climbs one step per 10 pixels and is reported once per change.
    thumb->SetValue(1);
    EXPECT_EQ(PlaceIn(h, sliderWindow).left, -kHalfThumb);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    panel.seen.clear();
    ThumbMouse(h, WM_LBUTTONDOWN, 0);
    EXPECT_TRUE(thumb->IsDragging());
    EXPECT_EQ(GetCapture(), h);
    EXPECT_EQ(ctest::Capture(h).At(8, 10), kHotThumb) << "a dragged thumb shows its hot picture";
    int32_t last = thumb->Value();
    for (int x = -30; x <= 340; ++x) {
        ThumbMouse(h, WM_MOUSEMOVE, x);
        EXPECT_EQ(CentreOf(thumb), std::clamp(x, 0, 310)) << "x " << x;
        const int32_t value = thumb->Value();
        EXPECT_GE(value, last) << "x " << x;
        if (x >= 0 && x <= 310 && x % kStep == 0) {
            EXPECT_EQ(value, x / kStep + 1) << "x " << x;
        }
        last = value;
        if (x == 100) {
            // A move redraws the thumb and the track it uncovers, never
            // the panel or the track item.
            EXPECT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE));
            EXPECT_FALSE(GetUpdateRect(track, nullptr, FALSE));
            RECT dirty = {};
            if (GetUpdateRect(sliderWindow, &dirty, FALSE)) {
                EXPECT_LE(dirty.right - dirty.left, 2 * 16 + 2);
            }
        }
        if (x % 50 == 0 || x == 99)
            RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
    EXPECT_EQ(thumb->Value(), 32) << "the track end shows the maximum";
    ThumbMouse(h, WM_LBUTTONUP, 315);
    ctest::Pump();
    EXPECT_EQ(thumb->Value(), 32) << "a drop at the track end keeps the maximum it showed";
    EXPECT_EQ(PlaceIn(h, sliderWindow).left, 302);
    EXPECT_FALSE(thumb->IsDragging());
    EXPECT_NE(GetCapture(), h);
    std::vector<ctest::Expected> climb;
    for (int32_t v = 2; v <= 32; ++v)
        climb.push_back({WMU_SLIDERCHANGED, static_cast<WPARAM>(v), ctl::SLIDER_DPI_MULTI_STAGE1, ctest::kBoth});
    climb.push_back({WMU_SLIDERCHANGED, 32, ctl::SLIDER_DPI_MULTI_STAGE1, ctest::kBoth});
    ctest::ExpectSequence(panel.seen, climb, "drag sweep");

    // Pressed off its centre and released without moving: the value stays,
    // and the drop is still reported.
    panel.seen.clear();
    ThumbMouse(h, WM_LBUTTONDOWN, 310 + 6);
    ThumbMouse(h, WM_LBUTTONUP, 310 + 6);
    ctest::Pump();
    EXPECT_EQ(thumb->Value(), 32);
    ctest::ExpectSequence(panel.seen, {{WMU_SLIDERCHANGED, 32, ctl::SLIDER_DPI_MULTI_STAGE1, ctest::kBoth}},
                          "release without a move");

    // Drops everywhere along and past the track store what the drag showed
    // and settle the thumb on it.
    for (int x = -25; x <= 345; x += 7) {
        const int32_t shown = DragTo(thumb, x);
        EXPECT_EQ(thumb->Value(), shown) << "dropped at " << x;
        EXPECT_EQ(CentreOf(thumb), (shown - 1) * kStep) << "dropped at " << x;
    }
    EXPECT_EQ(DragTo(thumb, -60), 1);
    EXPECT_EQ(PlaceIn(h, sliderWindow).left, -kHalfThumb);

    // A cap range of [5, 9]: a value of 12 stores 9, and no drag leaves it.
    thumb->SetCapRange(9, 5);
    thumb->SetValue(12);
    EXPECT_EQ(thumb->Value(), 9);
    EXPECT_EQ(CentreOf(thumb), 8 * kStep);
    ctest::Pump();
    panel.seen.clear();
    ThumbMouse(h, WM_LBUTTONDOWN, CentreOf(thumb));
    for (int x : {-100, 0, 45, 130, 400, 60}) {
        ThumbMouse(h, WM_MOUSEMOVE, x);
        EXPECT_GE(thumb->Value(), 5);
        EXPECT_LE(thumb->Value(), 9);
        EXPECT_GE(CentreOf(thumb), 4 * kStep);
        EXPECT_LE(CentreOf(thumb), 8 * kStep);
    }
    ThumbMouse(h, WM_LBUTTONUP, 400);
    ctest::Pump();
    EXPECT_EQ(thumb->Value(), 9);
    for (const ctest::Message& m : panel.seen) {
        EXPECT_GE(static_cast<int32_t>(m.wParam), 5);
        EXPECT_LE(static_cast<int32_t>(m.wParam), 9);
    }
    thumb->SetCapRange(1, 32);

    // A release on the bare track moves the first thumb only, wherever the
    // others are.
    thumb->SetValue(1);
    panel.seen.clear();
    SendMessageW(sliderWindow, WM_LBUTTONUP, 0, MAKELPARAM(155, 12));
    ctest::Pump();
    EXPECT_EQ(thumb->Value(), 16);
    EXPECT_EQ(slider->Thumb(1)->Value(), 4);
    EXPECT_EQ(slider->Thumb(2)->Value(), 5);
    ctest::ExpectSequence(panel.seen, {{WMU_SLIDERCHANGED, 16, ctl::SLIDER_DPI_MULTI_STAGE1, ctest::kBoth}},
                          "track click");

    // A page that makes itself the owner gets the reports instead.
    ctest::RecordingPanel page(RECT{0, 0, 20, 20}, nullptr);
    page.filter = IsSliderMessage;
    ASSERT_NE(page.Create(), nullptr);
    slider->SetOwner(page.Handle());
    panel.seen.clear();
    SendMessageW(slider->Thumb(2)->Handle(), WM_KEYDOWN, VK_RIGHT, 0);
    ctest::Pump();
    EXPECT_TRUE(panel.seen.empty());
    ctest::ExpectSequence(page.seen, {{WMU_SLIDERCHANGED, 6, ctl::SLIDER_DPI_MULTI_STAGE3, ctest::kBoth}},
                          "owner");

    // A slider that is not interactive ignores the mouse, keys and wheel.
    CPHSlider* deaf = seven->Thumb(0);
    const int32_t before = deaf->Value();
    ThumbMouse(deaf->Handle(), WM_LBUTTONDOWN, CentreOf(deaf));
    ThumbMouse(deaf->Handle(), WM_MOUSEMOVE, 250);
    ThumbMouse(deaf->Handle(), WM_LBUTTONUP, 250);
    SendMessageW(deaf->Handle(), WM_KEYDOWN, VK_END, 0);
    SendMessageW(deaf->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    SendMessageW(seven->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(250, 6));
    ctest::Pump();
    EXPECT_EQ(deaf->Value(), before);
    EXPECT_FALSE(deaf->IsDragging());
    EXPECT_TRUE(panel.seen.empty());
}

TEST_F(SliderTest, KeysAndTheWheelStepWithinTheCapRange) {
    ctest::RecordingPanel panel(L"Sliders.xml", 0, nullptr);
    ASSERT_NE(Open(panel), nullptr);
    auto* slider = panel.FindItemAs<CSliderHMulti>(ctl::SLIDER_DPI_MULTI, kItemMultiSlider);
    ASSERT_NE(slider, nullptr);
    CPHSlider* thumb = slider->Thumb(1);
    HWND h = thumb->Handle();
    EXPECT_NE(SendMessageW(h, WM_GETDLGCODE, 0, 0) & DLGC_WANTARROWS, 0);
    EXPECT_NE(GetWindowLongW(h, GWL_STYLE) & WS_TABSTOP, 0);

    // Every key is reported like a drop, moved or not. A page is a fifth of
    // the range (31 / 5 = 6 steps).
    struct KeyStep {
        WPARAM key;
        int32_t value;
    };
    const KeyStep keys[] = {{VK_HOME, 1},  {VK_LEFT, 1},  {VK_RIGHT, 2},  {VK_END, 32},  {VK_UP, 32},
                            {VK_NEXT, 26}, {VK_DOWN, 25}, {VK_PRIOR, 31}, {VK_PRIOR, 32}, {VK_NEXT, 26}};
    std::vector<ctest::Expected> expected;
    for (const KeyStep& step : keys) {
        SendMessageW(h, WM_KEYDOWN, step.key, 0);
        EXPECT_EQ(thumb->Value(), step.value) << "key " << step.key;
        EXPECT_EQ(CentreOf(thumb), (step.value - 1) * kStep);
        expected.push_back({WMU_SLIDERCHANGED, static_cast<WPARAM>(step.value), ctl::SLIDER_DPI_MULTI_STAGE2,
                            ctest::kBoth});
    }
    ctest::Pump();
    ctest::ExpectSequence(panel.seen, expected, "keys");

    // Within caps: the ends are the cap range's.
    thumb->SetCapRange(5, 9);
    SendMessageW(h, WM_KEYDOWN, VK_HOME, 0);
    EXPECT_EQ(thumb->Value(), 5);
    SendMessageW(h, WM_KEYDOWN, VK_PRIOR, 0);
    EXPECT_EQ(thumb->Value(), 9);
    ctest::Pump();

    // Ten thousand wheel turns of every size, whole notches and parts of
    // them: one step per notch, never outside [5, 9], each change reported.
    panel.seen.clear();
    const int deltas[] = {WHEEL_DELTA, -WHEEL_DELTA, 2 * WHEEL_DELTA, -3 * WHEEL_DELTA, 60, -60, 40, 10 * WHEEL_DELTA};
    uint32_t seed = 12345;
    int rest = 0;
    int32_t model = thumb->Value();
    size_t changes = 0;
    for (int i = 0; i < 10000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const int delta = deltas[(seed >> 16) % 8];
        SendMessageW(h, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(delta))), 0);
        rest += delta;
        const int notches = rest / WHEEL_DELTA;
        rest -= notches * WHEEL_DELTA;
        const int32_t next = std::clamp(model + notches, 5, 9);
        changes += next != model ? 1 : 0;
        model = next;
        ASSERT_EQ(thumb->Value(), model) << "turn " << i;
        if (i % 100 == 0)
            ctest::Pump();
    }
    ctest::Pump();
    EXPECT_GT(changes, 100u);
    const auto reports = Only(panel.seen, WMU_SLIDERCHANGED);
    EXPECT_EQ(reports.size(), changes);
    for (const ctest::Message& m : reports) {
        EXPECT_GE(static_cast<int32_t>(m.wParam), 5);
        EXPECT_LE(static_cast<int32_t>(m.wParam), 9);
        EXPECT_EQ(m.lParam, ctl::SLIDER_DPI_MULTI_STAGE2);
    }
    EXPECT_EQ(CentreOf(thumb), (thumb->Value() - 1) * kStep);

    // A new range keeps every value inside it.
    slider->SetRange(40, 10);
    EXPECT_EQ(slider->Minimum(), 10);
    EXPECT_EQ(slider->Maximum(), 40);
    for (size_t i = 0; i < slider->ThumbCount(); ++i) {
        EXPECT_GE(slider->Thumb(i)->Value(), 10);
        EXPECT_EQ(slider->Thumb(i)->CapMaximum(), 40);
    }
    SendMessageW(h, WM_KEYDOWN, VK_END, 0);
    EXPECT_EQ(thumb->Value(), 40);
    EXPECT_EQ(CentreOf(thumb), 310);
}

TEST_F(SliderTest, ColourRangesAreReportedAsPaintedAndThumbsKeepTheirOrder) {
    ctest::RecordingPanel panel(L"Sliders.xml", 0, nullptr);
    ASSERT_NE(Open(panel), nullptr);
    auto* apm = panel.FindItemAs<CAPMSlider>(ctl::SLIDER_APM_MULTI, kItemColourRangeSlider);
    ASSERT_NE(apm, nullptr);
    HWND h = apm->Handle();
    EXPECT_EQ(GetParent(h), panel.FindItem(ctl::BITMAP_APM_SLIDER)->Window());

    // Fresh: no thumbs, one black colour under the white track at 50/255.
    EXPECT_EQ(apm->ThumbCount(), 0u);
    EXPECT_EQ(apm->Colours(), std::vector<COLORREF>{0});
    ctest::Capture fresh(h);
    EXPECT_EQ(fresh.Count(0x323232, 1), fresh.Width() * fresh.Height());

    // Three thumbs, reset: evenly spread, grey ranges.
    const int32_t ids[] = {ctl::SLIDER_APM_MULTI_STAGE1, ctl::SLIDER_APM_MULTI_STAGE2, ctl::SLIDER_ACCEL_STAGE1};
    for (int32_t id : ids)
        ASSERT_NE(apm->AddThumb(id), nullptr);
    apm->Reset();
    EXPECT_EQ(apm->Thumb(0)->Value(), 8);
    EXPECT_EQ(apm->Thumb(1)->Value(), 15);
    EXPECT_EQ(apm->Thumb(2)->Value(), 22);
    EXPECT_EQ(apm->Colours(), (std::vector<COLORREF>{RGB(0, 0, 0), RGB(32, 32, 32), RGB(64, 64, 64)}));

    // Thumbs at 8, 16 and 24; four colours. Every column of the track
    // reports, when clicked, the range whose colour it shows.
    apm->Thumb(1)->SetValue(16);
    apm->Thumb(2)->SetValue(24);
    apm->ApplyNeighbourCaps();
    apm->SetColours({RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(0, 0, 0)});
    const uint32_t shown[] = {0xFF3232, 0x32FF32, 0x3232FF, 0x323232};
    ctest::Capture ranges(h);
    ASSERT_EQ(ranges.Width(), 320);
    for (int x = 0; x < 320; ++x) {
        const int painted = RangeShown(ranges.At(x, 10), shown);
        ASSERT_GE(painted, 0) << "column " << x << " shows 0x" << std::hex << ranges.At(x, 10);
        panel.seen.clear();
        SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(x, 10));
        ctest::Pump();
        ctest::ExpectSequence(panel.seen,
                              {{WMU_RANGECLICKED, static_cast<WPARAM>(painted), ctl::SLIDER_APM_MULTI, ctest::kBoth}},
                              "range click");
    }
    // Value v is painted at x = 5 + (v - 1) * 10: 20 lies in range 2, 30 in
    // range 3, and 8 begins range 1.
    const std::pair<int, WPARAM> clicks[] = {{195, 2}, {295, 3}, {75, 1}, {74, 0}};
    for (const auto& [x, range] : clicks) {
        panel.seen.clear();
        SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(x, 10));
        ctest::Pump();
        ctest::ExpectSequence(panel.seen, {{WMU_RANGECLICKED, range, ctl::SLIDER_APM_MULTI, ctest::kBoth}}, "value");
    }
    // The thumbs stand on the range edges.
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(CentreOf(apm->Thumb(i)), 5 + (apm->Thumb(i)->Value() - 1) * 10);

    // The middle thumb cannot pass its neighbours, and may meet them.
    CPHSlider* middle = apm->Thumb(1);
    panel.seen.clear();
    EXPECT_EQ(DragTo(middle, -100), 8);
    EXPECT_EQ(middle->Value(), 8);
    EXPECT_EQ(DragTo(middle, 400), 24);
    EXPECT_EQ(middle->Value(), 24);
    ctest::Pump();
    const auto moved = Only(panel.seen, WMU_SLIDERCHANGED);
    ASSERT_FALSE(moved.empty());
    for (const ctest::Message& m : moved) {
        EXPECT_EQ(m.lParam, ctl::SLIDER_APM_MULTI_STAGE2);
        EXPECT_GE(static_cast<int32_t>(m.wParam), 8);
        EXPECT_LE(static_cast<int32_t>(m.wParam), 24);
    }
    EXPECT_EQ(moved.back().wParam, 24u);
    // The ranges follow: range 1 now reaches to the third thumb, range 2 is
    // empty.
    ctest::Capture after(h);
    EXPECT_EQ(after.At(200, 10), shown[1]);
    EXPECT_EQ(after.Count(shown[2], 1), 0);

    // Without the caps it passes.
    apm->SetNeighbourCaps(false);
    EXPECT_EQ(DragTo(middle, 400), 32);
}

TEST_F(SliderTest, VerticalKnobAndLevelBarReportWhereTheyAreLet) {
    ctest::RecordingPanel panel(L"Sliders.xml", 0, nullptr);
    HWND hwnd = Open(panel);
    ASSERT_NE(hwnd, nullptr);

    // The knob: 30 high on a track from 20 to 150, so its top runs 20-120.
    auto* knob = panel.FindItemAs<CVertSlider>(ctl::SLIDER_SCROLL, kItemVertSlider);
    ASSERT_NE(knob, nullptr);
    HWND k = knob->Handle();
    auto top = [&] { return static_cast<int>(PlaceIn(k, hwnd).top); };
    EXPECT_EQ(PlaceIn(k, hwnd).left, 360);
    EXPECT_EQ(top(), 120) << "value 0 at the bottom";
    // Press 12 pixels into the knob, move: it keeps that grab point.
    auto drag = [&](int dy) {
        SendMessageW(k, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 12));
        SendMessageW(k, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 12 + dy));
        const int reached = top();
        SendMessageW(k, WM_LBUTTONUP, 0, MAKELPARAM(5, 12 + dy));
        return reached;
    };
    EXPECT_EQ(drag(-37), 83);
    EXPECT_EQ(knob->Value(), 37);
    EXPECT_EQ(top(), 83) << "on the value it reported";
    EXPECT_EQ(drag(-500), 20);
    EXPECT_EQ(knob->Value(), 100);
    EXPECT_EQ(drag(-50), 20) << "stays on the track";
    EXPECT_EQ(drag(50), 70);
    EXPECT_EQ(knob->Value(), 50);
    EXPECT_EQ(drag(500), 120);
    EXPECT_EQ(knob->Value(), 0);
    // With limits 10-90 the ends report 90 and 10, and the knob settles on
    // what it reported.
    knob->SetLimits(90, 10);
    EXPECT_EQ(drag(-500), 20);
    EXPECT_EQ(knob->Value(), 90);
    EXPECT_EQ(top(), 30);
    EXPECT_EQ(drag(500), 120);
    EXPECT_EQ(knob->Value(), 10);
    EXPECT_EQ(top(), 110);
    EXPECT_NE(GetCapture(), k);
    ctest::Pump();
    ctest::ExpectSequence(panel.seen,
                          {{WMU_SLIDERCHANGED, 37, ctl::SLIDER_SCROLL, ctest::kBoth},
                           {WMU_SLIDERCHANGED, 100, ctl::SLIDER_SCROLL, ctest::kBoth},
                           {WMU_SLIDERCHANGED, 100, ctl::SLIDER_SCROLL, ctest::kBoth},
                           {WMU_SLIDERCHANGED, 50, ctl::SLIDER_SCROLL, ctest::kBoth},
                           {WMU_SLIDERCHANGED, 0, ctl::SLIDER_SCROLL, ctest::kBoth},
                           {WMU_SLIDERCHANGED, 90, ctl::SLIDER_SCROLL, ctest::kBoth},
                           {WMU_SLIDERCHANGED, 10, ctl::SLIDER_SCROLL, ctest::kBoth}},
                          "knob drops");

    // The level bar: 200 pixels for 0-10.
    auto* bar = panel.FindItemAs<CDMarker>(ctl::SLIDER_SENSITIVITY, kItemMarker);
    ASSERT_NE(bar, nullptr);
    HWND b = bar->Handle();
    EXPECT_NE(GetWindowLongW(b, GWL_STYLE) & WS_TABSTOP, 0);
    panel.seen.clear();
    SendMessageW(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 6));
    SendMessageW(b, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(150, 6));
    EXPECT_EQ(bar->Value(), 7) << "a drag shows the value without reporting it";
    ctest::Pump();
    EXPECT_TRUE(panel.seen.empty());
    SendMessageW(b, WM_LBUTTONUP, 0, MAKELPARAM(100, 6));
    EXPECT_EQ(bar->Value(), 5) << "half way";
    EXPECT_NE(GetCapture(), b);
    ctest::Capture half(b);
    EXPECT_EQ(half.At(0, 6), kFullBar);
    EXPECT_EQ(half.At(99, 6), kFullBar);
    EXPECT_EQ(half.At(100, 6), kEmptyBar);
    EXPECT_EQ(half.At(199, 6), kEmptyBar);
    // A release left of the bar's edge, without a press on it, reports 0.
    SendMessageW(b, WM_LBUTTONUP, 0, MAKELPARAM(-20, 6));
    EXPECT_EQ(bar->Value(), 0);
    EXPECT_EQ(ctest::Capture(b).Count(kFullBar), 0);
    SendMessageW(b, WM_LBUTTONUP, 0, MAKELPARAM(500, 6));
    EXPECT_EQ(ctest::Capture(b).Count(kFullBar), 200 * 12) << "the full bar is cut from its sheet";
    ctest::Pump();
    ctest::ExpectSequence(panel.seen,
                          {{WMU_MARKERCHANGED, 5, ctl::SLIDER_SENSITIVITY, ctest::kBoth},
                           {WMU_MARKERCHANGED, 0, ctl::SLIDER_SENSITIVITY, ctest::kBoth},
                           {WMU_MARKERCHANGED, 10, ctl::SLIDER_SENSITIVITY, ctest::kBoth}},
                          "bar releases");

    // A drag that loses the capture is over; a bar that is not enabled
    // takes nothing.
    SendMessageW(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 6));
    ReleaseCapture();
    EXPECT_FALSE(bar->IsDragging());
    SendMessageW(b, WM_MOUSEMOVE, 0, MAKELPARAM(40, 6));
    EXPECT_EQ(bar->Value(), 10);
    bar->SetEnabled(false);
    panel.seen.clear();
    SendMessageW(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 6));
    SendMessageW(b, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(40, 6));
    SendMessageW(b, WM_LBUTTONUP, 0, MAKELPARAM(40, 6));
    ctest::Pump();
    EXPECT_EQ(bar->Value(), 10);
    EXPECT_TRUE(panel.seen.empty());
}

}  // namespace
