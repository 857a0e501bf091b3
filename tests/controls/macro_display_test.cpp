// The macro display and its recorder: rows and their texts, the row menu's
// commands and the messages they send, in-place delay editing, and recording
// from decoded raw-input records against a fake clock (plus once through
// real input).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "control_support.h"
#include "controls/ListPanelItem.h"
#include "macro/MacroDisplayItem.h"
#include "popups/ListPanel.h"
#include "skin/ControlIds.h"
#include "skin/NameTables.h"
#include "win/RawInput.h"

namespace {

constexpr uint32_t kDelayColour = 0x20A040;
constexpr uint32_t kDelaySelectedColour = 0xE0C020;
constexpr uint32_t kSelectedBack = 0x00FF00;  // GREEN

MacroEvent Key(uint16_t vk, bool release) {
    const uint32_t scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    return MacroEvent{kMacroEventKey, scan | (static_cast<uint32_t>(vk) << 16), release ? 1u : 255u};
}
MacroEvent Delay(uint32_t ms) {
    return MacroEvent{kMacroEventDelay, ms, ms};
}
MacroEvent Button(uint32_t button, bool release) {
    return MacroEvent{kMacroEventButton, button, release ? 1u : 255u};
}

RAWINPUT KeyRecord(uint16_t vk, uint16_t flags) {
    RAWINPUT input = {};
    input.header.dwType = RIM_TYPEKEYBOARD;
    input.data.keyboard.MakeCode = static_cast<USHORT>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input.data.keyboard.Flags = flags;
    input.data.keyboard.VKey = vk;
    return input;
}
RAWINPUT MouseRecord(uint16_t buttonFlags) {
    RAWINPUT input = {};
    input.header.dwType = RIM_TYPEMOUSE;
    input.data.mouse.usButtonFlags = buttonFlags;
    return input;
}

// The menu "opens" here: it answers the entry a test asked for by its text,
// and writes down what it was offered.
std::wstring g_choose;
std::vector<std::wstring> g_offered;
int FakeMenu(const controls::ListPanelRequest& request) {
    g_offered.clear();
    int found = -1;
    for (size_t i = 0; i < request.entries->size(); ++i) {
        g_offered.push_back((*request.entries)[i].text);
        if ((*request.entries)[i].text == g_choose)
            found = static_cast<int>(i);
    }
    return found;
}

class MacroDisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        names::BuildAllNameTables();
        m_dir = ctest::MakeScratchModuleDir(L"mdisp");
        ctest::WriteSolidBmp(m_dir + L"skins\\md-bg.bmp", 420, 320, 0x101010);
        const uint32_t colours[] = {0x4060F0, 0xF06040, kDelayColour, kDelaySelectedColour, 0x808000, 0x008080};
        const wchar_t* files[] = {L"kd", L"ku", L"clk", L"clkh", L"mse", L"mseh"};
        for (int i = 0; i < 6; ++i)
            ctest::WriteSolidBmp(m_dir + L"skins\\md-" + files[i] + L".bmp", 28, 18, colours[i]);
        ctest::WriteSolidBmp(m_dir + L"skins\\md-thumb.bmp", 12, 20, 0xC0C0C0);
        ctest::WriteSkin(m_dir, L"Macros.xml", R"(<?xml version="1.0"?>
<GUIPANEL><BACKGROUND>md-bg.bmp</BACKGROUND>
<MACRODISPLAY name="MACRO_DISPLAY" fontclr="WHITE" fontclrhi="BLACK" backclr="BLACK2" backclrhi="GREEN" bdrclr="MIDGREY" bdrwidth="1">
  <RECT left="10" top="10" right="300" bottom="200"/>
  <MDBMP_KEYDN>md-kd.bmp</MDBMP_KEYDN><MDBMP_KEYUP>md-ku.bmp</MDBMP_KEYUP>
  <MDBMP_CLK>md-clk.bmp</MDBMP_CLK><MDBMP_CLKH>md-clkh.bmp</MDBMP_CLKH>
  <MDBMP_MSE>md-mse.bmp</MDBMP_MSE><MDBMP_MSEH>md-mseh.bmp</MDBMP_MSEH>
  <VSCROLL><VSBMP_TMB>md-thumb.bmp</VSBMP_TMB></VSCROLL>
  <LISTCOLUMN name="LCITEM_MCREVENT_ICON" type="ICON" width="32"/>
  <LISTCOLUMN name="LCITEM_MCREVENT_DESCRIP" type="STATIC" width="0"/>
  <MDMENU kind="mouse"><LISTPANELITEM>$InsertDelay</LISTPANELITEM><LISTPANELITEM>$Delete</LISTPANELITEM></MDMENU>
  <MDMENU kind="other"><LISTPANELITEM>$InsertDelay</LISTPANELITEM><LISTPANELITEM>$Edit</LISTPANELITEM>
    <LISTPANELITEM>$Delete</LISTPANELITEM></MDMENU>
</MACRODISPLAY></GUIPANEL>)");
        m_panel = std::make_unique<ctest::RecordingPanel>(L"Macros.xml", 0, nullptr);
        HWND hwnd = m_panel->Create();
        ASSERT_NE(hwnd, nullptr);
        ctest::ShowAndActivate(hwnd);
        m_display = m_panel->FindItemAs<CMacroDisplayItem>(ctl::MACRO_DISPLAY, kItemMacroDisplay);
        ASSERT_NE(m_display, nullptr);
        m_display->Recorder().SetClock([this] { return m_now; });
        m_panel->seen.clear();
    }
    void TearDown() override {
        controls::SetListPanelRunner(nullptr);
        popups::InstallListPanel();
        m_panel.reset();
        win::ProgramRawInput().Unregister();
        ctest::RemoveScratchDir(m_dir);
    }
    // The 1724/1725 messages the panel received, as (message, wParam, lParam).
    std::vector<ctest::Message> Told() {
        std::vector<ctest::Message> told;
        for (const ctest::Message& m : m_panel->seen) {
            if (m.message == WMU_MACRO_EVENTS_CHANGED || m.message == WMU_MACRO_EDIT_KEY)
                told.push_back(m);
        }
        m_panel->seen.clear();
        return told;
    }
    void ExpectTold(std::vector<ctest::Expected> expected, const char* what) {
        ctest::ExpectSequence(Told(), expected, what);
    }
    ctest::Expected Changed() const { return {WMU_MACRO_EVENTS_CHANGED, 0, ctl::MACRO_DISPLAY, ctest::kBoth}; }

    std::wstring m_dir;
    std::unique_ptr<ctest::RecordingPanel> m_panel;
    CMacroDisplayItem* m_display = nullptr;
    uint32_t m_now = 1000;
};

TEST_F(MacroDisplayTest, RowsShowTheirTextsAndPicturesAndTheSelectionInTheSkinsColours) {
    ASSERT_TRUE(m_display->Show({Key('A', false), Delay(1234), Button(1, false), Button(2, true), Key('A', true)}));
    std::wstring aName;
    names::KeyDisplayName('A', static_cast<uint16_t>(MapVirtualKeyW('A', MAPVK_VK_TO_VSC)), false, aName);
    EXPECT_EQ(m_display->RowText(0), aName);
    EXPECT_EQ(m_display->RowText(1), L"1.234 sec delay");
    EXPECT_EQ(m_display->RowText(2), L"$LeftButtonDown");
    EXPECT_EQ(m_display->RowText(3), L"$RightButtonUp");
    EXPECT_EQ(m_display->RowImage(0), CMacroDisplayItem::kKeyDown);
    EXPECT_EQ(m_display->RowImage(4), CMacroDisplayItem::kKeyUp);
    EXPECT_EQ(m_display->RowImage(2), CMacroDisplayItem::kMouse);
    EXPECT_EQ(m_display->SelectedRow(), -1);
    ASSERT_NE(m_display->ScrollBar(), nullptr) << "VSCROLL gives the skinned bar";
    EXPECT_EQ(m_display->InnerWindow(), m_display->ScrollBar()->Handle());

    const int h = m_display->RowHeight();
    EXPECT_GE(h, CMacroDisplayItem::kImageHeight);
    {
        ctest::Capture capture(m_display->Handle());
        EXPECT_EQ(capture.At(5, h + h / 2), kDelayColour) << "delay picture in the icon column";
        EXPECT_NE(capture.At(150, h + 2), kSelectedBack);
    }
    m_display->Select(1);
    ctest::Pump();
    {
        ctest::Capture capture(m_display->Handle());
        EXPECT_EQ(capture.At(5, h + h / 2), kDelaySelectedColour) << "the selected delay's picture";
        EXPECT_EQ(capture.At(250, h + 1), kSelectedBack) << "the selected row's background";
    }
    // Recording: the selection is drawn in the normal colours, and nothing
    // reloads the list.
    ASSERT_TRUE(m_display->ToggleRecording());
    EXPECT_FALSE(m_display->Show({Delay(5)}));
    EXPECT_EQ(m_display->RowCount(), 0) << "recording starts empty";
    EXPECT_FALSE(m_display->ToggleRecording());
}

TEST_F(MacroDisplayTest, DelayEditsInPlaceKeepsTheOldDelayForZeroAndTellsTheParent) {
    m_display->Show({Key('A', false), Delay(1234), Button(1, false)});
    m_display->Select(1);
    ASSERT_TRUE(m_display->RunCommand(CMacroDisplayItem::kEdit));
    ASSERT_TRUE(m_display->IsEditing());
    HWND editor = m_display->Editor().Handle();
    EXPECT_EQ(m_display->Editor().Text(), L"1234") << "the editor shows milliseconds";
    // Digits only, seven at most.
    SetWindowTextW(editor, L"");
    for (wchar_t c : std::wstring(L"12a34567890"))
        SendMessageW(editor, WM_CHAR, c, 0);
    EXPECT_EQ(m_display->Editor().Text(), L"1234567");
    SetWindowTextW(editor, L"5");
    SendMessageW(editor, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_FALSE(m_display->IsEditing());
    EXPECT_EQ(m_display->RowText(1), L"0.005 sec delay");
    EXPECT_EQ(m_display->Events()[1], Delay(5));
    ExpectTold({Changed()}, "delay edited");

    for (const wchar_t* kept : {L"0", L""}) {
        ASSERT_TRUE(m_display->StartDelayEdit(1));
        SetWindowTextW(editor, kept);
        m_display->FinishDelayEdit(true);
        EXPECT_EQ(m_display->Events()[1], Delay(5)) << "\"" << (kept[0] ? "0" : "") << "\" keeps the delay";
    }
    ExpectTold({}, "nothing changed");

    // $Edit on a key row asks the parent; on a mouse row it does nothing.
    m_display->Select(0);
    EXPECT_TRUE(m_display->RunCommand(CMacroDisplayItem::kEdit));
    m_display->Select(2);
    EXPECT_FALSE(m_display->RunCommand(CMacroDisplayItem::kEdit));
    EXPECT_FALSE(m_display->IsEditing());
    ExpectTold({{WMU_MACRO_EDIT_KEY, 0, ctl::MACRO_DISPLAY, ctest::kBoth}}, "edit a key row");
}

TEST_F(MacroDisplayTest, InsertAndDeleteKeepTheSelectionWhereTheUserExpectsIt) {
    m_display->Show({Key('A', false), Key('A', true)});
    m_display->InsertDelay();  // nothing selected: at the top
    EXPECT_EQ(m_display->Events()[0], Delay(50));
    EXPECT_EQ(m_display->SelectedRow(), 0);
    m_display->SetDefaultDelay(120);
    m_display->Select(2);
    ASSERT_TRUE(m_display->RunCommand(CMacroDisplayItem::kInsertDelay));  // after the last row
    EXPECT_EQ(m_display->Events(), (MacroEvents{Delay(50), Key('A', false), Key('A', true), Delay(120)}));
    EXPECT_EQ(m_display->SelectedRow(), 3);
    ASSERT_TRUE(m_display->RunCommand(CMacroDisplayItem::kDelete));  // the last row
    EXPECT_EQ(m_display->SelectedRow(), -1) << "no row after the last";
    m_display->Select(1);
    ASSERT_TRUE(m_display->RunCommand(CMacroDisplayItem::kDelete));
    EXPECT_EQ(m_display->Events(), (MacroEvents{Delay(50), Key('A', true)}));
    EXPECT_EQ(m_display->SelectedRow(), 1) << "the next row";
    ExpectTold({Changed(), Changed(), Changed(), Changed()}, "insert, insert, delete, delete");

    // The row menu: the mouse rows' list has no $Edit; the choice is carried
    // out on the row clicked.
    controls::SetListPanelRunner(FakeMenu);
    m_display->Show({Key('A', false), Button(1, false), Button(1, true)});
    g_choose = CMacroDisplayItem::kDelete;
    const int h = m_display->RowHeight();
    SendMessageW(m_display->Handle(), WM_RBUTTONDOWN, 0, MAKELPARAM(100, h + h / 2));
    EXPECT_EQ(g_offered, (std::vector<std::wstring>{L"$InsertDelay", L"$Delete"}));
    EXPECT_EQ(m_display->Events(), (MacroEvents{Key('A', false), Button(1, true)}));
    ExpectTold({Changed()}, "menu delete");
    // No menu while recording.
    ASSERT_TRUE(m_display->ToggleRecording());
    m_display->OnRawInput(KeyRecord('A', RI_KEY_MAKE));
    ASSERT_EQ(m_display->RowCount(), 1);
    g_offered.clear();
    SendMessageW(m_display->Handle(), WM_RBUTTONDOWN, 0, MAKELPARAM(100, h / 2));
    EXPECT_TRUE(g_offered.empty());
    m_display->ToggleRecording();
}

TEST_F(MacroDisplayTest, RecorderKeepsRealPressesWithTheirGapsAndDropsWhatIsNotAKeyOrAButton) {
    // A holder of the registration (the single-key field) gets it back after.
    win::RawInputRegistration& raw = win::ProgramRawInput();
    raw.AddUsage(win::RawInputRegistration::kKeyboard);
    ASSERT_TRUE(raw.Register(m_panel->Handle()));
    HWND button = CreateWindowExW(0, L"BUTTON", L"Stop", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 320, 250, 80, 30,
                                  m_panel->Handle(), nullptr, nullptr, nullptr);
    ASSERT_NE(button, nullptr);
    m_display->SetRecordButton(button);

    ASSERT_TRUE(m_display->ToggleRecording());
    EXPECT_EQ(raw.Target(), m_display->Handle());
    ASSERT_EQ(raw.Records().size(), 2u);
    EXPECT_EQ(raw.Records()[0].usUsage, 6);
    EXPECT_EQ(raw.Records()[0].dwFlags, 0x130u);
    EXPECT_EQ(raw.Records()[1].usUsage, 2);
    EXPECT_EQ(raw.Records()[1].dwFlags, 0x100u);

    m_display->OnRawInput(KeyRecord('A', RI_KEY_MAKE));
    m_now += 500;
    m_display->OnRawInput(KeyRecord('A', RI_KEY_MAKE));  // repeat
    m_now += 19500;
    m_display->OnRawInput(KeyRecord('A', RI_KEY_BREAK));
    m_display->OnRawInput(KeyRecord(VK_PAUSE, RI_KEY_MAKE));
    m_display->OnRawInput(KeyRecord(VK_CONTROL, RI_KEY_MAKE | RI_KEY_E1));
    m_display->OnRawInput(MouseRecord(RI_MOUSE_WHEEL));
    m_display->OnRawInput(MouseRecord(RI_MOUSE_LEFT_BUTTON_DOWN | RI_MOUSE_RIGHT_BUTTON_DOWN));
    m_now += 0x1000000 + 77;
    m_display->OnRawInput(MouseRecord(RI_MOUSE_LEFT_BUTTON_DOWN));
    m_now += 10;
    // The stopping click on the record button: its press comes before the
    // button has the capture, its release while it has it.
    m_display->OnRawInput(MouseRecord(RI_MOUSE_LEFT_BUTTON_UP));
    m_now += 10;
    m_display->OnRawInput(MouseRecord(RI_MOUSE_LEFT_BUTTON_DOWN));
    SetCapture(button);
    m_display->OnRawInput(MouseRecord(RI_MOUSE_LEFT_BUTTON_UP));
    ReleaseCapture();

    const MacroEvents expected = {Key('A', false), Delay(20000), Key('A', true), Delay(0xFFFFFF), Button(1, false),
                                  Delay(10), Button(1, true)};
    MacroEvents whileRecording = expected;
    whileRecording.push_back(Delay(10));
    whileRecording.push_back(Button(1, false));
    EXPECT_EQ(m_display->Events(), whileRecording) << "the stopping press is there until recording stops";
    EXPECT_FALSE(m_display->ToggleRecording());
    EXPECT_EQ(raw.Target(), m_panel->Handle()) << "the displaced holder has the registration back";
    EXPECT_EQ(raw.Usages(), std::vector<uint16_t>{6});
    EXPECT_EQ(m_display->Events(), expected) << "the page copies them after stopping";
    DestroyWindow(button);
}

TEST_F(MacroDisplayTest, DelayOptionsAndTheEventLimit) {
    m_display->SetInsertDefaultDelay(true);
    m_display->SetDefaultDelay(100);
    ASSERT_TRUE(m_display->ToggleRecording());
    for (uint16_t flags : {RI_MOUSE_LEFT_BUTTON_DOWN, RI_MOUSE_LEFT_BUTTON_UP, RI_MOUSE_BUTTON_4_DOWN}) {
        m_now += 7000;
        m_display->OnRawInput(MouseRecord(flags));
    }
    EXPECT_EQ(m_display->Events(),
              (MacroEvents{Button(1, false), Delay(100), Button(1, true), Delay(100), Button(25, false)}));
    m_display->ToggleRecording();

    m_display->SetInsertDefaultDelay(false);
    m_display->SetIgnoreDelays(true);
    int told = 0;
    m_display->SetOnLimit([&told] { ++told; });
    ASSERT_TRUE(m_display->ToggleRecording());
    const size_t limit = macro::CMacroRecorder::kMaxEvents;
    for (size_t i = 0; i < limit + 10; ++i)
        m_display->OnRawInput(KeyRecord('B', i % 2 ? RI_KEY_BREAK : RI_KEY_MAKE));
    EXPECT_EQ(m_display->Events().size(), limit) << "no delays, and nothing past the limit";
    EXPECT_TRUE(m_display->LimitReached());
    EXPECT_EQ(told, 1);
    m_display->ToggleRecording();
    ctest::Pump();
    EXPECT_EQ(m_display->TopRow(), static_cast<int>(limit) - m_display->VisibleRows()) << "the view followed the end";
}

// Pumps until `done` holds (at most two seconds) or, without one, a while.
void Settle(const std::function<bool()>& done = nullptr) {
    for (int i = 0; i < (done ? 130 : 8); ++i) {
        if (done && done())
            return;
        ctest::Pump();
        Sleep(15);
    }
}

// A user's click at a point of a window through SendInput: the pointer
// moves there first, then presses and releases (absolute positions).
void RealClick(HWND hwnd, POINT client, const std::function<bool()>& done) {
    ClientToScreen(hwnd, &client);
    const int64_t width = GetSystemMetrics(SM_CXSCREEN);
    const int64_t height = GetSystemMetrics(SM_CYSCREEN);
    INPUT inputs[3] = {};
    for (INPUT& in : inputs) {
        in.type = INPUT_MOUSE;
        in.mi.dx = static_cast<LONG>((client.x * 65536 + width - 1) / width);
        in.mi.dy = static_cast<LONG>((client.y * 65536 + height - 1) / height);
    }
    inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, inputs, sizeof(INPUT));
    Settle();
    SendInput(2, inputs + 1, sizeof(INPUT));
    Settle(done);
}

TEST_F(MacroDisplayTest, RecordsRealKeysAndClicksThroughRawInputButNotTheRecordButton) {
    HWND button = CreateWindowExW(0, L"BUTTON", L"Stop", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 320, 250, 80, 30,
                                  m_panel->Handle(), nullptr, nullptr, nullptr);
    ASSERT_NE(button, nullptr);
    ctest::ShowAndActivate(m_panel->Handle());
    SetFocus(m_display->Handle());
    m_display->SetIgnoreDelays(true);
    m_display->SetRecordButton(button);
    ASSERT_TRUE(m_display->ToggleRecording());
    std::vector<INPUT> inputs(2);
    for (int i = 0; i < 2; ++i) {
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = 'K';
        inputs[i].ki.wScan = static_cast<WORD>(MapVirtualKeyW('K', MAPVK_VK_TO_VSC));
        inputs[i].ki.dwFlags = i ? KEYEVENTF_KEYUP : 0;
    }
    SendInput(2, inputs.data(), sizeof(INPUT));
    Settle([this] { return m_display->RowCount() >= 2; });
    // Beside the list, on the panel; then on the record button, until the
    // panel hears the button's click.
    RealClick(m_panel->Handle(), POINT{380, 60}, [this] { return m_display->RowCount() >= 4; });
    m_panel->seen.clear();
    RealClick(button, POINT{20, 10}, [this] {
        return std::any_of(m_panel->seen.begin(), m_panel->seen.end(),
                           [](const ctest::Message& m) { return m.message == WM_COMMAND; });
    });
    m_display->ToggleRecording();
    EXPECT_EQ(m_display->Events(), (MacroEvents{Key('K', false), Key('K', true), Button(1, false), Button(1, true)}));
    DestroyWindow(button);
}

TEST_F(MacroDisplayTest, WheelScrollsByRowsAndTheBarFollows) {
    MacroEvents many(10000, Delay(10));
    ASSERT_TRUE(m_display->Show(many));
    EXPECT_EQ(m_display->TopRow(), 10000 - m_display->VisibleRows()) << "the rows were made visible as added";
    m_display->ScrollTo(0);
    const int thumb = m_display->ScrollBar()->ThumbTop();
    SendMessageW(m_display->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-360)), 0);
    ctest::Pump();
    EXPECT_EQ(m_display->TopRow(), 3);
    m_display->ScrollTo(9999);
    EXPECT_EQ(m_display->TopRow(), 10000 - m_display->VisibleRows());
    EXPECT_GT(m_display->ScrollBar()->ThumbTop(), thumb);
    SendMessageW(m_display->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
    ctest::Pump();
    EXPECT_EQ(m_display->TopRow(), 10000 - m_display->VisibleRows() - 1);
}

}  // namespace
