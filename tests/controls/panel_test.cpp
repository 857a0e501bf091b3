// Panels: sized to the background, shaped by the mask (only pure white lies
// outside), painted, items found, shown and hidden by type, destroyed last
// made first; panels whose skin has no usable background.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control_support.h"
#include "controls/BitmapItem.h"
#include "controls/ItemFactories.h"
#include "controls/Panel.h"
#include "controls/PanelItems.h"
#include "controls/Picture.h"
#include "skin/NameTables.h"
#include "skin/SkinLoader.h"
#include "win/Gdi.h"

namespace {

constexpr int32_t kSolvan = 216;  // BITMAP_SOLVAN
constexpr int32_t kPlan = 217;    // BITMAP_TARNVIEWPLAN
constexpr int32_t kInfo = 224;    // TEXT_PROFILEINFO

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        names::BuildAllNameTables();
        m_dir = ctest::MakeScratchModuleDir(L"panel");
        ctest::WriteBmp(m_dir + L"skins\\panel-bg.bmp", 160, 120,
                        [](int x, int y) { return static_cast<uint32_t>((x * 256 / 160) << 16 | (y * 2)); });
        // White outside a frame of 10 pixels, one pixel of 255/255/254 in the
        // white area, and a white hole in the middle.
        ctest::WriteBmp(m_dir + L"skins\\panel-mask.bmp", 160, 120, [](int x, int y) -> uint32_t {
            if (x == 3 && y == 3)
                return 0xFFFFFE;
            if (x < 10 || y < 10 || x >= 150 || y >= 110)
                return 0xFFFFFF;
            if (x >= 70 && x < 90 && y >= 50 && y < 70)
                return 0xFFFFFF;
            return 0x000000;
        });
        ctest::WriteSolidBmp(m_dir + L"skins\\panel-white.bmp", 50, 40, 0xFFFFFF);
        ctest::WriteSolidBmp(m_dir + L"skins\\panel-grey.bmp", 50, 40, 0x808080);
        ctest::WriteSolidBmp(m_dir + L"skins\\panel-item.bmp", 30, 30, 0x00FF00);
    }

    void TearDown() override { ctest::RemoveScratchDir(m_dir); }

    std::wstring m_dir;
};

TEST_F(PanelTest, TakesTheBackgroundsSizeAndTheMasksShape) {
    ctest::WriteSkin(m_dir, L"Masked.xml",
                     R"(<GUIPANEL><BACKGROUND>panel-bg.bmp</BACKGROUND><MASK> panel-mask.bmp </MASK>
<BITMAPLIST><BITMAPITEM name="BITMAP_SOLVAN"><SBMN>panel-item.bmp</SBMN><RECT left="20" top="30" right="30" bottom="30"/></BITMAPITEM>
<BITMAPITEM name="BITMAP_TARNVIEWPLAN"><SBMN>panel-item.bmp</SBMN><RECT left="60" top="30" right="30" bottom="30"/></BITMAPITEM>
</BITMAPLIST></GUIPANEL>)");
    CGUIPanel panel(L"Masked.xml", 0, nullptr);
    HWND hwnd = panel.Create();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_TRUE(panel.IsCreated());
    RECT window = {};
    GetWindowRect(hwnd, &window);
    EXPECT_EQ(window.left, 0);
    EXPECT_EQ(window.top, 0);
    EXPECT_EQ(window.right - window.left, 160);
    EXPECT_EQ(window.bottom - window.top, 120);
    EXPECT_EQ(panel.PanelRect().right, 160);

    win::UniqueRgn region(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(GetWindowRgn(hwnd, region.get()), ERROR);
    EXPECT_FALSE(PtInRegion(region.get(), 0, 0)) << "white lies outside";
    EXPECT_TRUE(PtInRegion(region.get(), 3, 3)) << "255/255/254 lies inside";
    EXPECT_FALSE(PtInRegion(region.get(), 4, 3));
    EXPECT_TRUE(PtInRegion(region.get(), 10, 10));
    EXPECT_TRUE(PtInRegion(region.get(), 149, 109));
    EXPECT_FALSE(PtInRegion(region.get(), 150, 109));
    EXPECT_FALSE(PtInRegion(region.get(), 80, 60)) << "the hole";
    EXPECT_TRUE(PtInRegion(region.get(), 69, 60));

    // The background is painted at the client origin.
    ctest::Capture shot(hwnd);
    EXPECT_EQ(shot.At(0, 0), 0x000000u);
    EXPECT_EQ(shot.At(80, 10) >> 16, static_cast<uint32_t>(80 * 256 / 160));

    // Items: found by id, typed, by window; the plan view takes no mouse.
    CGUIItem* item = panel.FindItem(kSolvan);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(panel.FindItem(kSolvan, kItemText), nullptr);
    EXPECT_EQ(panel.FindItemByWindow(item->Window()), item);
    EXPECT_EQ(item->Owner(), &panel);
    EXPECT_EQ(item->Rect()->right, 50);
    EXPECT_TRUE(IsWindowEnabled(item->Window()));
    CGUIItem* plan = panel.FindItem(kPlan, kItemBitmap);
    ASSERT_NE(plan, nullptr);
    EXPECT_FALSE(IsWindowEnabled(plan->Window()));
    EXPECT_EQ(ctest::Capture(item->Window()).At(5, 5), 0x00FF00u);
}

TEST_F(PanelTest, MaskRegionExtremes) {
    HBITMAP white = skin::LoadPicture(L"panel-white.bmp");
    HBITMAP grey = skin::LoadPicture(L"panel-grey.bmp");
    ASSERT_TRUE(white && grey);
    win::UniqueRgn empty = controls::BuildMaskRegion(white);
    ASSERT_TRUE(empty);
    RECT box = {};
    EXPECT_EQ(GetRgnBox(empty.get(), &box), NULLREGION);
    win::UniqueRgn full = controls::BuildMaskRegion(grey);
    ASSERT_TRUE(full);
    EXPECT_EQ(GetRgnBox(full.get(), &box), SIMPLEREGION);
    EXPECT_EQ(box.right, 50);
    EXPECT_EQ(box.bottom, 40);
    EXPECT_FALSE(controls::BuildMaskRegion(nullptr));
}

TEST_F(PanelTest, MaskRegionOfManyRunsMatchesEveryPixel) {
    // 4000 runs a row pattern: more than one batch of rectangles.
    auto inside = [](int x, int y) { return ((x / 2) + y) % 3 != 0; };
    ctest::WriteBmp(m_dir + L"skins\\panel-runs.bmp", 120, 100,
                    [&](int x, int y) { return inside(x, y) ? 0x102030u : 0xFFFFFFu; });
    HBITMAP mask = skin::LoadPicture(L"panel-runs.bmp");
    ASSERT_NE(mask, nullptr);
    win::UniqueRgn region = controls::BuildMaskRegion(mask);
    ASSERT_TRUE(region);
    int wrong = 0;
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 120; ++x)
            wrong += (PtInRegion(region.get(), x, y) != FALSE) != inside(x, y) ? 1 : 0;
    }
    EXPECT_EQ(wrong, 0);
}

TEST_F(PanelTest, WithoutALoadableBackgroundNothingIsCreated) {
    ctest::WriteSkin(m_dir, L"NoBackground.xml", R"(<GUIPANEL><BACKGROUND>missing.bmp</BACKGROUND>
<BITMAPLIST><BITMAPITEM name="BITMAP_SOLVAN"><SBMN>panel-item.bmp</SBMN><RECT left="0" top="0" right="30" bottom="30"/></BITMAPITEM></BITMAPLIST>
</GUIPANEL>)");
    ctest::WriteSkin(m_dir, L"BadMask.xml",
                     R"(<GUIPANEL><BACKGROUND>panel-bg.bmp</BACKGROUND><MASK>missing.bmp</MASK>
<TEXTLIST><TEXTITEM name="TEXT_PROFILEINFO" textkey="x"><RECT left="0" top="0" right="30" bottom="30"/></TEXTITEM></TEXTLIST>
</GUIPANEL>)");
    ctest::WriteSkin(m_dir, L"NoMask.xml", R"(<GUIPANEL><BACKGROUND>panel-bg.bmp</BACKGROUND></GUIPANEL>)");

    for (const wchar_t* file : {L"NoBackground.xml", L"BadMask.xml", L"Missing.xml"}) {
        CGUIPanel panel(file, 0, nullptr);
        HWND hwnd = panel.Create();
        ASSERT_NE(hwnd, nullptr);
        EXPECT_TRUE(panel.Items().empty()) << "items of a panel without a usable background";
        EXPECT_EQ(panel.Background(), nullptr);
        RECT r = {};
        GetWindowRect(hwnd, &r);
        EXPECT_GT(r.right - r.left, 0) << "keeps the template's size";
        ShowWindow(hwnd, SW_SHOWNOACTIVATE);
        UpdateWindow(hwnd);  // paints with the dialog's own brush
        ctest::Pump();
    }

    CGUIPanel rectangular(L"NoMask.xml", 0, nullptr);
    HWND hwnd = rectangular.Create();
    ASSERT_NE(hwnd, nullptr);
    ASSERT_EQ(rectangular.Items().size(), 1u);
    win::UniqueRgn region(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(GetWindowRgn(hwnd, region.get()), ERROR) << "no mask: no window region";
}

TEST_F(PanelTest, PanelFromARectangle) {
    CGUIPanel panel(RECT{10, 10, 110, 60}, nullptr);
    HWND hwnd = panel.Create();
    ASSERT_NE(hwnd, nullptr);
    RECT r = {};
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right - r.left, 100);
    EXPECT_EQ(r.bottom - r.top, 50);
    EXPECT_TRUE(panel.Items().empty());
}

// Items of a test element, to watch the order of destruction.
std::vector<int32_t>* g_destroyed = nullptr;
class WatchedItem : public CGUIItem {
public:
    ~WatchedItem() override {
        if (g_destroyed != nullptr)
            g_destroyed->push_back(Id());
    }
};

TEST_F(PanelTest, ItemsAreDestroyedLastMadeFirstAndShownByType) {
    ctest::WriteSkin(m_dir, L"Watched.xml", R"(<GUIPANEL><BACKGROUND>panel-bg.bmp</BACKGROUND>
<BITMAPLIST><BITMAPITEM name="BITMAP_SOLVAN"><SBMN>panel-item.bmp</SBMN><RECT left="0" top="0" right="30" bottom="30"/></BITMAPITEM></BITMAPLIST>
<SLIDERLIST><DMARKER name="TEXT_DPI1"/><DMARKER name="TEXT_DPI2"/></SLIDERLIST>
<TEXTLIST><TEXTITEM name="TEXT_PROFILEINFO" textkey="x" windowid="BITMAP_SOLVAN"><RECT left="0" top="0" right="30" bottom="10"/></TEXTITEM></TEXTLIST>
</GUIPANEL>)");
    std::vector<int32_t> destroyed;
    g_destroyed = &destroyed;
    skin::RegisterItem(L"DMARKER", [](const XmlElement&, int32_t id, skin::SkinContext& context) {
        auto item = std::make_unique<WatchedItem>();
        item->SetId(id);
        item->SetType(kItemColourRangeSlider);
        context.Add(std::move(item));
    });
    {
        CGUIPanel panel(L"Watched.xml", 0, nullptr);
        HWND hwnd = panel.Create();
        ASSERT_NE(hwnd, nullptr);
        ASSERT_EQ(panel.Items().size(), 5u);
        CGUIItem* text = panel.FindItem(kInfo, kItemText);
        ASSERT_NE(text, nullptr);
        ShowWindow(hwnd, SW_SHOWNOACTIVATE);
        panel.ShowItem(text, false);
        EXPECT_FALSE(IsWindowVisible(text->Window()));
        panel.ShowItem(text, true);
        EXPECT_TRUE(IsWindowVisible(text->Window()));
        // A type the operation leaves alone.
        CGUIItem* marker = panel.FindItem(261);
        ASSERT_NE(marker, nullptr);
        marker->SetWindow(text->Window());
        panel.ShowItem(marker, false);
        EXPECT_TRUE(IsWindowVisible(text->Window())) << "type 9 is not shown or hidden";
        marker->SetWindow(nullptr);
        // Destroying the panel's window first leaves items with no window.
        DestroyWindow(hwnd);
        EXPECT_EQ(text->Window(), nullptr);
        EXPECT_EQ(panel.Handle(), nullptr);
    }
    controls::RegisterItemFactories();  // the real DMARKER back for the tests after this one
    g_destroyed = nullptr;
    EXPECT_EQ(destroyed, (std::vector<int32_t>{262, 261}));
}

TEST_F(PanelTest, CyclesOfPanelsLeakNoGdiObjects) {
    ctest::WriteSkin(m_dir, L"Cycle.xml",
                     R"(<GUIPANEL><BACKGROUND>panel-bg.bmp</BACKGROUND><MASK>panel-mask.bmp</MASK>
<FONTLIST><FONT name="FONT_ARIAL12" typeface="Arial" pitch="12"/></FONTLIST>
<BITMAPLIST><BITMAPITEM name="BITMAP_SOLVAN"><SBMN>panel-item.bmp</SBMN><SBMM>panel-mask.bmp</SBMM><RECT left="0" top="0" right="30" bottom="30"/></BITMAPITEM>
<BITMAPWINDOW name="BITMAPWIN_ASSIGNKEY" SBMM="1" tooltip="t"><SBMDS>panel-item.bmp</SBMDS><SBMN>panel-grey.bmp</SBMN><SBMM>panel-mask.bmp</SBMM><RECT left="40" top="0" right="50" bottom="40"/></BITMAPWINDOW></BITMAPLIST>
<TEXTLIST><TEXTITEM name="TEXT_PROFILEINFO" textkey="abc" fontid="FONT_ARIAL12" interactive="1"><RECT left="0" top="50" right="90" bottom="20"/></TEXTITEM></TEXTLIST>
</GUIPANEL>)");
    auto cycle = [] {
        CGUIPanel panel(L"Cycle.xml", 0, nullptr);
        HWND hwnd = panel.Create();
        ShowWindow(hwnd, SW_SHOWNOACTIVATE);
        UpdateWindow(hwnd);
        for (const auto& item : panel.Items()) {
            if (item->Window() != nullptr) {
                SendMessageW(item->Window(), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
                ctest::Capture shot(item->Window());
            }
        }
        ReleaseCapture();
        ctest::Pump();
    };
    cycle();  // pictures enter the cache once
    const int before = win::GdiObjectCount();
    ASSERT_GE(before, 0) << "the GDI handle table could not be read";
    for (int i = 0; i < 30; ++i)
        cycle();
    EXPECT_EQ(win::GdiObjectCount(), before);
}

TEST(GdiCount, SeesObjectsComeAndGo) {
    const int before = win::GdiObjectCount();
    ASSERT_GE(before, 0);
    std::vector<win::UniqueBrush> brushes;
    for (int i = 0; i < 5; ++i)
        brushes.emplace_back(CreateSolidBrush(RGB(i, 0, 0)));
    EXPECT_EQ(win::GdiObjectCount(), before + 5);
    brushes.clear();
    EXPECT_EQ(win::GdiObjectCount(), before);
}

}  // namespace
