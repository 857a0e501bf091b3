// The performance and lighting pages in the real main window over the
// emulated mouse: sensitivity for both axes and X and Y apart, acceleration,
// polling and lights through their controls, then on the mouse after Apply;
// the stages popup driven as a user would, cancelled and confirmed; and a
// profile whose stages are out of shape shown and written back in shape.
#include "app_support.h"

#include <string>
#include <vector>

#include "app/Manual.h"
#include "app/pages/PerformancePage.h"
#include "controls/BitmapBtn.h"
#include "controls/DPIStageWindow.h"
#include "controls/PHSlider.h"
#include "controls/SliderHMulti.h"
#include "controls/TextItem.h"
#include "popups/DPIStagesPopup.h"

namespace {

using namespace apptest;

constexpr int kPerformance = 2;
constexpr int kLighting = 5;
constexpr UINT kSliderChanged = 0x446;
using Seen = std::vector<std::wstring>;

// A real click on a skinned button: check boxes toggle, then the command goes out.
void Press(CGUIItem* item) {
    ASSERT_NE(item, nullptr);
    SendMessageW(item->Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    SendMessageW(item->Window(), WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
}

bool Visible(CGUIItem* item) {
    return item != nullptr && IsWindowVisible(item->Window()) != FALSE;
}

class PerformancePageTest : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        m_window.SwitchPage(kPagePerformance);
        m_page = m_window.PerformancePage();
        ASSERT_NE(m_page, nullptr);
        ASSERT_TRUE(m_config.GetSensitivityRange(m_min, m_max, m_step));
        ASSERT_GT(m_step, 0);
    }
    CGUIItem* Item(int page, int32_t id) { return ::FindItem(m_window.PageItems(page), id); }
    CBitmapBtn* Button(int page, int32_t id) { return dynamic_cast<CBitmapBtn*>(Item(page, id)); }
    CSliderHMulti* Slider(int32_t id) { return dynamic_cast<CSliderHMulti*>(Item(kPerformance, id)); }
    std::wstring Text(int page, int32_t id) {
        auto* text = dynamic_cast<CTextItem*>(Item(page, id));
        return text != nullptr ? text->GetText() : L"<missing>";
    }
    // A thumb moved by the user: it stands at the position, and its slider
    // tells the main window.
    void Move(int32_t thumbId, int32_t position) {
        for (int32_t slider : {ctl::SLIDER_DPI_MULTI, ctl::SLIDER_DPI_MULTI_X, ctl::SLIDER_DPI_MULTI_Y,
                               ctl::SLIDER_ID_ACCEL}) {
            CSliderHMulti* s = Slider(slider);
            if (s != nullptr && s->Thumb(0) != nullptr && s->Thumb(0)->Id() == thumbId)
                s->Thumb(0)->SetValue(position);
        }
        SendMessageW(m_hwnd, kSliderChanged, static_cast<WPARAM>(position), thumbId);
    }

    CPerformancePage* m_page = nullptr;
    int32_t m_min = 0, m_max = 0, m_step = 0;
};

TEST_F(PerformancePageTest, EveryControlWritesTheProfileAndTheMouseGetsIt) {
    // Both axes: a thumb at position 16 is 16 steps.
    Move(ctl::SLIDER_DPI_MULTI_STAGE1, 16);
    EXPECT_EQ(16 * m_step, m_config.GetSensitivity());
    EXPECT_EQ(std::to_wstring(16 * m_step), Text(kPerformance, ctl::TEXT_DPIVALUE1));
    EXPECT_TRUE(Visible(Slider(ctl::SLIDER_DPI_MULTI)));
    EXPECT_FALSE(Visible(Slider(ctl::SLIDER_DPI_MULTI_X)));

    // X and Y apart start from the shared value and take their own.
    Press(Button(kPerformance, ctl::BUTTON_ENABLEXY));
    ASSERT_TRUE(m_config.GetSeparateXY());
    EXPECT_EQ(16 * m_step, m_config.GetSensitivityX());
    EXPECT_EQ(16 * m_step, m_config.GetSensitivityY());
    EXPECT_FALSE(Visible(Slider(ctl::SLIDER_DPI_MULTI)));
    EXPECT_TRUE(Visible(Slider(ctl::SLIDER_DPI_MULTI_X)));
    EXPECT_TRUE(Visible(Slider(ctl::SLIDER_DPI_MULTI_Y)));
    Move(ctl::SLIDER_DPI_MULTI_X_STAGE1, 24);
    Move(ctl::SLIDER_DPI_MULTI_Y_STAGE1, 12);
    EXPECT_EQ(24 * m_step, m_config.GetSensitivityX());
    EXPECT_EQ(12 * m_step, m_config.GetSensitivityY());
    EXPECT_EQ(std::to_wstring(24 * m_step), Text(kPerformance, ctl::TEXT_DPIVALUE1));
    EXPECT_EQ(std::to_wstring(12 * m_step), Text(kPerformance, ctl::TEXT_DPIVALUE2));
    // Another page and back: the layout stays the one the box says.
    m_window.SwitchPage(kPageLighting);
    m_window.SwitchPage(kPagePerformance);
    EXPECT_FALSE(Visible(Slider(ctl::SLIDER_DPI_MULTI)));
    EXPECT_TRUE(Visible(Slider(ctl::SLIDER_DPI_MULTI_X)));
    // Back to one value: it takes X's.
    Press(Button(kPerformance, ctl::BUTTON_ENABLEXY));
    EXPECT_FALSE(m_config.GetSeparateXY());
    EXPECT_EQ(24 * m_step, m_config.GetSensitivity());
    EXPECT_TRUE(Visible(Slider(ctl::SLIDER_DPI_MULTI)));
    EXPECT_FALSE(Visible(Slider(ctl::SLIDER_DPI_MULTI_Y)));
    // A thumb that is none of the page's changes nothing.
    Move(ctl::SLIDER_DPI_MULTI_POPUP, 3);
    EXPECT_EQ(24 * m_step, m_config.GetSensitivity());

    // Acceleration takes the level its slider shows when switched on.
    CSliderHMulti* accel = Slider(ctl::SLIDER_ID_ACCEL);
    ASSERT_NE(accel, nullptr);
    ASSERT_NE(accel->Thumb(0), nullptr);
    const bool wasOn = m_config.GetAccelerationEnabled();
    if (wasOn)
        Press(Button(kPerformance, ctl::BUTTON_ENABLEACCELERATION));
    accel->Thumb(0)->SetValue(7);
    Press(Button(kPerformance, ctl::BUTTON_ENABLEACCELERATION));
    EXPECT_TRUE(m_config.GetAccelerationEnabled());
    EXPECT_EQ(7, m_config.GetAccelerationLevel());
    EXPECT_TRUE(Visible(accel));
    EXPECT_FALSE(Visible(Slider(ctl::SLIDER_ID_ACCELDISB)));
    Move(ctl::SLIDER_ACCEL_STAGE1, 9);
    EXPECT_EQ(9, m_config.GetAccelerationLevel());
    Move(ctl::SLIDER_ACCEL_STAGE1, 7);

    // The polling buttons name the mouse's intervals and act as one group:
    // a second click on the chosen one keeps it chosen.
    const int offered = m_mouse.GetPollingRateCount();
    ASSERT_GE(offered, 3);
    const int32_t rates[] = {ctl::BUTTON_RATE1, ctl::BUTTON_RATE2, ctl::BUTTON_RATE3};
    for (int i = 0; i < 3; ++i) {
        CBitmapBtn* rate = Button(kPerformance, rates[i]);
        ASSERT_NE(rate, nullptr);
        EXPECT_EQ(0u, rate->Caption().find(std::to_wstring(m_mouse.GetPollingRate(i)))) << i;
        EXPECT_GT(rate->Caption().size(), std::to_wstring(m_mouse.GetPollingRate(i)).size()) << "with its unit";
    }
    Press(Button(kPerformance, ctl::BUTTON_RATE3));
    Press(Button(kPerformance, ctl::BUTTON_RATE3));
    EXPECT_EQ(2, m_config.GetPollingRateChoice());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(i == 2 ? 1 : 0, Button(kPerformance, rates[i])->GetChecked()) << i;

    // The lights: each pair is one choice.
    m_window.SwitchPage(kPageLighting);
    Press(Button(kLighting, ctl::GLOW_LEDOFF));
    Press(Button(kLighting, ctl::SCROLL_LEDON));
    EXPECT_FALSE(m_config.GetUnderGlowLight());
    EXPECT_TRUE(m_config.GetScrollLight());
    EXPECT_EQ(0, Button(kLighting, ctl::GLOW_LEDON)->GetChecked());
    EXPECT_EQ(1, Button(kLighting, ctl::GLOW_LEDOFF)->GetChecked());
    // The versions follow their labels.
    std::wstring firmware;
    ASSERT_TRUE(m_mouse.GetFirmwareVersion(firmware));
    const std::wstring shown = Text(kLighting, ctl::TEXT_FIRMWAREVER);
    EXPECT_EQ(L": " + firmware, shown.substr(shown.size() - firmware.size() - 2));

    ApplyAndWait();
    CVellConfig held;
    ASSERT_TRUE(ReadMouse(held));
    EXPECT_EQ(24 * m_step, held.GetSensitivity());
    EXPECT_FALSE(held.GetSeparateXY());
    EXPECT_TRUE(held.GetAccelerationEnabled());
    EXPECT_EQ(7, held.GetAccelerationLevel());
    EXPECT_EQ(2, held.GetPollingRateChoice());
    EXPECT_FALSE(held.GetUnderGlowLight());
    EXPECT_TRUE(held.GetScrollLight());

    // The displays' boxes; Reset (confirmed) gives the profile its defaults back.
    ScriptedPopups popups(m_hwnd);
    const bool dpiOsd = m_config.GetDpiOsd();
    m_window.SwitchPage(kPagePerformance);
    Press(Button(kPerformance, ctl::BUTTON_ENABLE_DPI_OSD));
    EXPECT_NE(dpiOsd, m_config.GetDpiOsd());
    m_window.SwitchPage(kPageLighting);
    const bool profileOsd = m_config.GetProfileOsd();
    Press(Button(kLighting, ctl::BUTTON_ENABLE_PROFILE_OSD));
    EXPECT_NE(profileOsd, m_config.GetProfileOsd());
    popups.Ok();
    Press(Button(kLighting, ctl::BUTTON_RESET));
    EXPECT_EQ(Seen({L"RestorePopup.xml"}), popups.Seen());
    EXPECT_TRUE(m_config.GetUnderGlowLight());
    EXPECT_EQ(1, Button(kLighting, ctl::GLOW_LEDON)->GetChecked()) << "the page shows the defaults";
}

TEST_F(PerformancePageTest, TheStagesPopupKeepsEditsOnlyOnOkAndNeverLeavesTheRange) {
    ScriptedPopups popups(m_hwnd);
    ASSERT_EQ(5, m_config.GetStageCount());
    const DpiStagesRecord before = m_page->StagesOfProfile();

    // What a user does in the popup: five stages, one, then three; the
    // second tile; its thumb to both ends and to 16 steps.
    std::vector<std::wstring> seenCounts;
    auto edit = [&](CGUIPanel& popup) {
        auto click = [&](int32_t id) {
            CGUIItem* item = popup.FindItem(id);
            ASSERT_NE(item, nullptr) << id;
            SendMessageW(popup.Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(item->Window()));
        };
        auto count = [&] {
            auto* text = dynamic_cast<CTextItem*>(popup.FindItem(CDPIStagesPopup::kCountText));
            seenCounts.push_back(text != nullptr ? text->GetText() : L"?");
        };
        for (int i = 0; i < 7; ++i)
            click(CDPIStagesPopup::kMoreButton);
        count();
        for (int i = 0; i < 7; ++i)
            click(CDPIStagesPopup::kFewerButton);
        count();
        click(CDPIStagesPopup::kMoreButton);
        click(CDPIStagesPopup::kMoreButton);
        count();
        CGUIItem* tile = popup.FindItem(CDPIStagesPopup::kFirstTile + 1);
        ASSERT_NE(tile, nullptr);
        SendMessageW(tile->Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
        SendMessageW(tile->Window(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
        PumpUntil([] { return false; }, 50);
        for (int32_t position : {0, 999, 16})
            SendMessageW(popup.Handle(), kSliderChanged, static_cast<WPARAM>(position), CDPIStagesPopup::kBothThumb);
        count();
    };
    popups.Do(edit, false);
    ASSERT_FALSE(m_page->EditStages());
    EXPECT_EQ((std::vector<std::wstring>{L"5", L"1", L"3", L"3"}), seenCounts);
    const DpiStagesRecord untouched = m_page->StagesOfProfile();
    EXPECT_EQ(before.inUse, untouched.inUse) << "cancelled";
    EXPECT_EQ(before.active, untouched.active);
    EXPECT_EQ(before.stages, untouched.stages);

    popups.Do(edit, true);
    ASSERT_TRUE(m_page->EditStages());
    EXPECT_EQ(Seen({L"DPIStagesPopup.xml", L"DPIStagesPopup.xml"}), popups.Seen());
    EXPECT_EQ(3, m_config.GetStagesInUse());
    EXPECT_EQ(2, m_config.GetActiveStage());
    EXPECT_EQ(16 * m_step, m_config.GetStageValue(2));
    EXPECT_EQ(16 * m_step, m_config.GetSensitivity()) << "the active stage is the sensitivity";

    // Reducing the stages below the active one makes the last in use active.
    popups.Do([&](CGUIPanel& popup) {
        for (int i = 0; i < 2; ++i)
            SendMessageW(popup.Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                         reinterpret_cast<LPARAM>(popup.FindItem(CDPIStagesPopup::kFewerButton)->Window()));
    }, true);
    ASSERT_TRUE(m_page->EditStages());
    EXPECT_EQ(1, m_config.GetStagesInUse());
    EXPECT_EQ(1, m_config.GetActiveStage());

    // A profile out of shape, as a damaged or foreign mouse may give it:
    // values off the step and out of range, no stage in use, the active
    // stage past the end. The popup shows it in shape and OK writes it so.
    m_config.SetStageValue(1, m_min + m_step / 2 + 1);
    m_config.SetStageX(2, m_max + 12345);
    m_config.SetStageY(3, -7);
    m_config.SetStagesInUse(0);
    m_config.SetActiveStage(9);
    const DpiStagesRecord shaped = m_page->StagesOfProfile();
    EXPECT_GE(shaped.inUse, 1u);
    EXPECT_LE(shaped.inUse, shaped.stages.size());
    EXPECT_GE(shaped.active, 1);
    EXPECT_LE(shaped.active, static_cast<int32_t>(shaped.inUse));
    int activeCount = 0;
    for (const DpiStageEntry& entry : shaped.stages) {
        for (int32_t value : {entry.value, entry.x, entry.y}) {
            EXPECT_GE(value, m_min);
            EXPECT_LE(value, m_max);
            EXPECT_EQ(0, value % m_step) << value;
        }
        activeCount += entry.active ? 1 : 0;
    }
    EXPECT_EQ(1, activeCount);
    popups.Ok();
    ASSERT_TRUE(m_page->EditStages());
    ApplyAndWait();
    CVellConfig held;
    ASSERT_TRUE(ReadMouse(held));
    EXPECT_GE(held.GetStagesInUse(), 1);
    EXPECT_GE(held.GetActiveStage(), 1);
    EXPECT_LE(held.GetActiveStage(), held.GetStagesInUse());
    for (int32_t stage = 1; stage <= held.GetStageCount(); ++stage)
        EXPECT_EQ(0, held.GetStageValue(stage) % m_step) << stage;
}

// A mouse whose values are off the page's step (another program's, an
// older firmware's): the page shows them on the step, and the next Apply
// goes through.
TEST_F(PerformancePageTest, AMouseOutOfShapeIsShownInRangeAndWrittenBackValid) {
    ScriptedPopups popups(m_hwnd);  // a failed write would say so in a popup
    std::string state = ReadBytes(m_state);
    auto replaceField = [&](const std::string& key, const std::string& value) {
        const size_t at = state.find("\n" + key + "=");
        ASSERT_NE(std::string::npos, at) << key;
        const size_t end = state.find('\n', at + 1);
        state.replace(at + 1, end - at - 1, key + "=" + value + "\r");
    };
    replaceField("stages", "1234x1234 150x5600 5550x100");
    replaceField("activeStage", "3");
    replaceField("current", "1234x5550");
    WriteBytes(m_state, state);
    ASSERT_TRUE(m_mouse.Synchronize(&m_config, SyncDirection::Read, kSectionsAll));
    m_page->Refresh();
    m_window.SwitchPage(kPageLighting);
    m_window.SwitchPage(kPagePerformance);

    // Shown within the range, on the step.
    EXPECT_TRUE(m_config.GetSeparateXY());
    for (int32_t id : {ctl::TEXT_DPIVALUE1, ctl::TEXT_DPIVALUE2}) {
        const int shown = _wtoi(Text(kPerformance, id).c_str());
        EXPECT_GE(shown, m_min) << id;
        EXPECT_LE(shown, m_max) << id;
        EXPECT_EQ(0, shown % m_step) << id;
    }
    EXPECT_GE(m_config.GetActiveStage(), 1);
    EXPECT_LE(m_config.GetActiveStage(), m_config.GetStageCount());

    // Apply goes through, and the mouse holds values it accepts.
    ASSERT_TRUE(m_window.Apply());
    ASSERT_TRUE(PumpUntil([&] { return !m_window.WritePending(); }));
    PumpUntil([] { return false; }, 300);
    EXPECT_TRUE(popups.Seen().empty()) << "the write failed";
    CVellConfig held;
    ASSERT_TRUE(ReadMouse(held));
    EXPECT_EQ(1234, held.GetSensitivityX());
    EXPECT_EQ(5550, held.GetSensitivityY());
    EXPECT_EQ(3, held.GetStagesInUse());
    EXPECT_EQ(3, held.GetActiveStage());
    EXPECT_EQ(1234, held.GetStageValue(1)) << "a value off the step is still one the mouse takes";
}

// The lighting page's manual links open the manual at a chapter: the
// address must keep "#chapter" as its fragment wherever the program lives.
TEST(ManualLink, TheChapterSurvivesSpacesAndSignsInThePath) {
    const std::wstring address =
        app::ManualAddress(L"C:\\Program Files\\Tarn 100%\\Manuals\\de\\index.html", L"updating");
    EXPECT_EQ(L"file:///C:/Program%20Files/Tarn%20100%25/Manuals/de/index.html#updating", address);
    EXPECT_EQ(std::wstring::npos, address.find(L' '));
    const std::wstring plain = app::ManualAddress(L"C:\\Tarn\\Manuals\\index.html", nullptr);
    EXPECT_EQ(L"file:///C:/Tarn/Manuals/index.html", plain);
}

}  // namespace
