// Edit items: colours answered by the field itself, the skin's limits and
// border width, digits-only filtering of real typing, the swallowed context
// menu; the single-key field's refined key codes, swallowed keys, auto-repeat
// and raw keyboard input; the program's raw-input registration.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "control_support.h"
#include "controls/EditItem.h"
#include "skin/NameTables.h"
#include "win/Gdi.h"
#include "win/Handles.h"
#include "win/RawInput.h"

namespace {

constexpr int32_t kNameEdit = 333;   // EDITCTRL_POPUP_NAMEENTRY
constexpr int32_t kKeyEdit = 334;    // EDITCTRL_POPUP_SINGLEKEYENTRY
constexpr int32_t kDelayEdit = 335;  // EDITCTRL_DEFAULT_DELAY

LPARAM KeyFlags(UINT scanCode, bool extended, bool up, bool repeat = false) {
    LPARAM flags = 1 | (static_cast<LPARAM>(scanCode) << 16);
    if (extended)
        flags |= 1 << 24;
    if (repeat || up)
        flags |= 1 << 30;
    if (up)
        flags |= static_cast<LPARAM>(1u << 31);
    return flags;
}

std::wstring NameOf(UINT virtualKey, UINT scanCode, bool extended) {
    std::wstring name;
    names::KeyDisplayName(static_cast<uint16_t>(virtualKey), static_cast<uint16_t>(scanCode), extended, name);
    return name;
}

// Types through the system's input queue, so the keys go the whole way: key
// messages, translation into characters, the field.
void Type(const std::vector<WORD>& keys, WORD modifier = 0) {
    std::vector<INPUT> inputs;
    auto add = [&](WORD vk, bool up) {
        INPUT in = {};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
        in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(in);
    };
    if (modifier != 0)
        add(modifier, false);
    for (WORD vk : keys) {
        add(vk, false);
        add(vk, true);
    }
    if (modifier != 0)
        add(modifier, true);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    for (int i = 0; i < 5; ++i) {
        ctest::Pump();
        Sleep(10);
    }
}

// Whether the edit menu showed while `action` ran; a menu that does show is
// closed again, so a failing check cannot hang the run.
bool MenuOpenedDuring(const std::function<void()>& action) {
    static bool s_seen;
    s_seen = false;
    UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
        HWND menu = FindWindowW(L"#32768", nullptr);
        if (menu != nullptr && IsWindowVisible(menu)) {
            s_seen = true;
            EndMenu();
        }
    });
    action();
    for (int i = 0; i < 10; ++i) {
        ctest::Pump();
        Sleep(20);
    }
    KillTimer(nullptr, timer);
    return s_seen;
}

class EditItemTest : public ::testing::Test {
protected:
    void SetUp() override {
        names::BuildAllNameTables();
        m_dir = ctest::MakeScratchModuleDir(L"edit");
        ctest::WriteSolidBmp(m_dir + L"skins\\ed-bg.bmp", 300, 200, 0x202020);
        ctest::WriteSkin(m_dir, L"Edits.xml", R"(<GUIPANEL><BACKGROUND>ed-bg.bmp</BACKGROUND>
<EDITCTRLLIST>
  <EDITCTRL name="EDITCTRL_POPUP_NAMEENTRY" max="12" fontclr="RED" backclr="BLUE" bdrclr="GREEN" bdrwidth="5">
    <RECT left="10" top="10" right="200" bottom="24"/></EDITCTRL>
  <EDITCTRL name="EDITCTRL_DEFAULT_DELAY" bdrwidth="10"><RECT left="10" top="50" right="100" bottom="24"/></EDITCTRL>
  <EDITCTRLSK name="EDITCTRL_POPUP_SINGLEKEYENTRY" max="3" backclr="BLACK" fontclr="WHITE" bdrwidth="0">
    <RECT left="10" top="90" right="200" bottom="24"/></EDITCTRLSK>
</EDITCTRLLIST></GUIPANEL>)");
        m_panel = std::make_unique<ctest::RecordingPanel>(L"Edits.xml", 0, nullptr);
        HWND hwnd = m_panel->Create();
        ASSERT_NE(hwnd, nullptr);
        ctest::ShowAndActivate(hwnd);
        m_name = m_panel->FindItemAs<CEditItem>(kNameEdit, kItemEdit);
        m_delay = m_panel->FindItemAs<CEditItem>(kDelayEdit, kItemEdit);
        m_key = m_panel->FindItemAs<CEditItemSingleKeyInput>(kKeyEdit, kItemSingleKeyEdit);
        ASSERT_NE(m_name, nullptr);
        ASSERT_NE(m_delay, nullptr);
        ASSERT_NE(m_key, nullptr);
    }

    void TearDown() override {
        m_panel.reset();
        ctest::RemoveScratchDir(m_dir);
    }

    void Focus(HWND field) {
        SetForegroundWindow(m_panel->Handle());
        SetFocus(field);
        ctest::Pump();
    }

    std::wstring m_dir;
    std::unique_ptr<ctest::RecordingPanel> m_panel;
    CEditItem* m_name = nullptr;
    CEditItem* m_delay = nullptr;
    CEditItemSingleKeyInput* m_key = nullptr;
};

TEST_F(EditItemTest, SkinAttributesSetLimitsBorderAndTheColoursTheFieldAnswers) {
    EXPECT_EQ(SendMessageW(m_name->Handle(), EM_GETLIMITTEXT, 0, 0), 12);
    EXPECT_EQ(m_name->BorderWidth(), 5);
    EXPECT_EQ(m_delay->BorderWidth(), 1) << "10 is out of range";
    EXPECT_EQ(m_key->BorderWidth(), 1) << "0 is out of range";
    EXPECT_EQ(GetWindowLongW(m_name->Handle(), GWL_ID), kNameEdit);
    EXPECT_EQ(GetWindowLongW(m_name->Handle(), GWL_STYLE) & WS_BORDER, 0);
    EXPECT_NE(GetWindowLongW(m_key->Handle(), GWL_STYLE) & ES_CENTER, 0);
    EXPECT_EQ(m_key->Text(), L"") << "the key field starts empty";

    // The colour request goes to the panel, which hands it to the field.
    win::UniqueDC dc(CreateCompatibleDC(nullptr));
    LRESULT brush = SendMessageW(m_panel->Handle(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc.get()),
                                 reinterpret_cast<LPARAM>(m_name->Handle()));
    ASSERT_NE(brush, 0);
    LOGBRUSH logBrush = {};
    ASSERT_NE(GetObjectW(reinterpret_cast<HBRUSH>(brush), sizeof(logBrush), &logBrush), 0);
    EXPECT_EQ(logBrush.lbColor, RGB(0, 0, 255));
    EXPECT_EQ(GetTextColor(dc.get()), RGB(255, 0, 0));
    EXPECT_EQ(GetBkColor(dc.get()), RGB(0, 0, 255));
    EXPECT_EQ(GetDCPenColor(dc.get()), RGB(0, 255, 0));
    EXPECT_EQ(GetDCBrushColor(dc.get()), RGB(0, 255, 0));
    // Defaults: white text on black, white border.
    SendMessageW(m_panel->Handle(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc.get()),
                 reinterpret_cast<LPARAM>(m_delay->Handle()));
    EXPECT_EQ(GetTextColor(dc.get()), RGB(255, 255, 255));
    EXPECT_EQ(GetBkColor(dc.get()), RGB(0, 0, 0));
    // The read-only key field asks with the static request.
    EXPECT_NE(SendMessageW(m_panel->Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                           reinterpret_cast<LPARAM>(m_key->Handle())),
              0);

    // On screen the box is the background colour.
    SetWindowTextW(m_name->Handle(), L"");
    RedrawWindow(m_name->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    win::WindowDC screen(m_name->Handle());
    EXPECT_EQ(GetPixel(screen.get(), 150, 12), RGB(0, 0, 255));
}

TEST_F(EditItemTest, DigitsOnlyTakesDigitsAndTheEditingKeysOnly) {
    // The key field's raw keyboard input stops the key messages of the
    // whole program; gone with its window, they come back.
    DestroyWindow(m_key->Handle());
    ASSERT_FALSE(win::ProgramRawInput().IsRegistered());
    m_delay->SetDigitsOnly(1);
    Focus(m_delay->Handle());
    ASSERT_EQ(GetFocus(), m_delay->Handle());
    Type({'1', '2', 'A', VK_SPACE, VK_OEM_MINUS, '3'});
    EXPECT_EQ(m_delay->Text(), L"123");
    Type({VK_LEFT, VK_LEFT, VK_DELETE});
    EXPECT_EQ(m_delay->Text(), L"13");
    Type({VK_BACK});
    EXPECT_EQ(m_delay->Text(), L"3");

    // Pasting with Ctrl+V or Shift+Insert brings nothing in.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, 8 * sizeof(wchar_t));
    wcscpy(static_cast<wchar_t*>(GlobalLock(data)), L"x9y");
    GlobalUnlock(data);
    SetClipboardData(CF_UNICODETEXT, data);
    CloseClipboard();
    Type({'V'}, VK_CONTROL);
    Type({VK_INSERT}, VK_SHIFT);
    EXPECT_EQ(m_delay->Text(), L"3");

    EXPECT_FALSE(MenuOpenedDuring([&] {
        SendMessageW(m_delay->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(m_delay->Handle()), -1);
    }));

    // A field without the flag takes everything.
    Focus(m_name->Handle());
    Type({'A', '1', VK_SPACE, 'B'});
    std::wstring typed = m_name->Text();
    CharLowerW(typed.data());  // Caps Lock is the desktop's business
    EXPECT_EQ(typed, L"a1 b");
}

TEST_F(EditItemTest, RightClickNeverOpensTheEditMenu) {
    EXPECT_FALSE(MenuOpenedDuring([&] {
        SendMessageW(m_name->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
        SendMessageW(m_name->Handle(), WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    }));
}

TEST_F(EditItemTest, SingleKeyFieldShowsRefinedKeysAndSwallowsTheListedOnes) {
    HWND field = m_key->Handle();
    struct Case {
        UINT vk;
        UINT scan;
        bool extended;
        UINT refined;
    };
    const Case cases[] = {
        {VK_CONTROL, 0x1D, false, VK_LCONTROL},
        {VK_CONTROL, 0x1D, true, VK_RCONTROL},
        {VK_MENU, 0x38, false, VK_LMENU},
        {VK_MENU, 0x38, true, VK_RMENU},
        {VK_SHIFT, 0x2A, false, VK_LSHIFT},
        {VK_SHIFT, 0x36, false, VK_RSHIFT},
        {VK_RETURN, 0x1C, true, VK_SEPARATOR},
        {VK_RETURN, 0x1C, false, VK_RETURN},
        {'K', 0x25, false, 'K'},
    };
    for (const Case& c : cases) {
        const UINT down = c.vk == VK_MENU ? WM_SYSKEYDOWN : WM_KEYDOWN;
        SendMessageW(field, down, c.vk, KeyFlags(c.scan, c.extended, false));
        const std::wstring expected = NameOf(c.refined, c.scan, c.extended);
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(m_key->Text(), expected) << "key " << c.vk << " scan " << c.scan;
        EXPECT_EQ(m_key->Key().virtualKey, c.refined);
        EXPECT_EQ(m_key->Key().scanCode, c.scan);
        EXPECT_EQ(m_key->Key().extended, c.extended ? 1 : 0);
        EXPECT_EQ(m_key->Key().keyUp, CEditItemSingleKeyInput::kPressed);
        EXPECT_EQ(m_key->Key().name, expected);
    }
    // An auto-repeat changes nothing, not even the record.
    const std::wstring shown = m_key->Text();
    SendMessageW(field, WM_KEYDOWN, 'Q', KeyFlags(0x10, false, false, true));
    EXPECT_EQ(m_key->Text(), shown);
    EXPECT_EQ(m_key->Key().virtualKey, 'K');

    // Swallowed on the way down, shown when released.
    const UINT swallowed[] = {VK_BACK,  VK_TAB,  VK_PAUSE, VK_CAPITAL, VK_SPACE, VK_HOME,    VK_LEFT,  VK_UP,
                              VK_RIGHT, VK_DOWN, VK_LWIN,  VK_RWIN,    VK_APPS,  VK_NUMLOCK, VK_SCROLL};
    for (UINT vk : swallowed) {
        SendMessageW(field, WM_KEYDOWN, 'K', KeyFlags(0x25, false, false));
        const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
        SendMessageW(field, WM_KEYDOWN, vk, KeyFlags(scan, false, false));
        EXPECT_EQ(m_key->Text(), NameOf('K', 0x25, false)) << "key " << vk << " pressed";
    }
    SendMessageW(field, WM_KEYUP, VK_SPACE, KeyFlags(0x39, false, true));
    EXPECT_EQ(m_key->Text(), NameOf(VK_SPACE, 0x39, false));
    EXPECT_EQ(m_key->Key().keyUp, CEditItemSingleKeyInput::kReleased);
    // The name of a long key is shown whole although the skin's limit is 3,
    // and the limit is back afterwards.
    EXPECT_GT(m_key->Text().size(), 3u);
    EXPECT_EQ(SendMessageW(field, EM_GETLIMITTEXT, 0, 0), 3);

    // Characters, pastes and undo never edit the name.
    SendMessageW(field, WM_CHAR, L'z', KeyFlags(0x2C, false, false));
    SendMessageW(field, WM_PASTE, 0, 0);
    SendMessageW(field, WM_UNDO, 0, 0);
    EXPECT_EQ(m_key->Text(), NameOf(VK_SPACE, 0x39, false));
}

TEST_F(EditItemTest, SingleKeyFieldTakesRawKeyboardInput) {
    // The skin loader made the field the target of the raw keyboard input.
    const win::RawInputRegistration& raw = win::ProgramRawInput();
    ASSERT_TRUE(raw.IsRegistered());
    EXPECT_EQ(raw.Target(), m_key->Handle());
    ASSERT_EQ(raw.Records().size(), 1u);
    EXPECT_EQ(raw.Records()[0].usUsagePage, 1);
    EXPECT_EQ(raw.Records()[0].usUsage, 6);
    EXPECT_EQ(raw.Records()[0].dwFlags, 0x130u);

    // Print Screen makes no key messages: only raw input shows it.
    Focus(m_key->Handle());
    Type({VK_SNAPSHOT});
    EXPECT_EQ(m_key->Key().virtualKey, VK_SNAPSHOT);
    EXPECT_FALSE(m_key->Text().empty());
    EXPECT_EQ(m_key->Text(), m_key->Key().name);

    // Records the field shows and those it only notes.
    RAWKEYBOARD key = {};
    key.MakeCode = 0x1E;
    key.VKey = 'A';
    key.Flags = RI_KEY_MAKE;
    m_key->OnRawKeyboard(key);
    const std::wstring shownA = NameOf('A', 0x1E, false);
    EXPECT_EQ(m_key->Text(), shownA);
    EXPECT_EQ(m_key->Key().keyUp, CEditItemSingleKeyInput::kPressed);

    RAWKEYBOARD rightControl = {};
    rightControl.MakeCode = 0x1D;
    rightControl.VKey = VK_CONTROL;
    rightControl.Flags = RI_KEY_BREAK | RI_KEY_E0;
    m_key->OnRawKeyboard(rightControl);
    EXPECT_EQ(m_key->Key().virtualKey, VK_RCONTROL);
    EXPECT_EQ(m_key->Key().keyUp, CEditItemSingleKeyInput::kReleased);
    EXPECT_EQ(m_key->Text(), NameOf(VK_RCONTROL, 0x1D, true));
    const std::wstring shown = m_key->Text();

    RAWKEYBOARD pause = {};  // the E1 sequence of Pause
    pause.MakeCode = 0x1D;
    pause.VKey = VK_PAUSE;
    pause.Flags = RI_KEY_E1;
    m_key->OnRawKeyboard(pause);
    pause.Flags = RI_KEY_MAKE;
    m_key->OnRawKeyboard(pause);
    RAWKEYBOARD fakeShift = {};
    fakeShift.MakeCode = 0x2A;
    fakeShift.VKey = 0xFF;
    fakeShift.Flags = RI_KEY_E0;
    m_key->OnRawKeyboard(fakeShift);
    EXPECT_EQ(m_key->Text(), shown) << "Pause and E0 inputs without a code are not shown";

    // Without a code of its own an input keeps the previous one.
    RAWKEYBOARD noCode = {};
    noCode.MakeCode = 0x1E;
    noCode.VKey = 0xFF;
    noCode.Flags = RI_KEY_BREAK;
    key.Flags = RI_KEY_MAKE;
    m_key->OnRawKeyboard(key);
    m_key->OnRawKeyboard(noCode);
    EXPECT_EQ(m_key->Key().virtualKey, 'A');
    EXPECT_EQ(m_key->Key().keyUp, CEditItemSingleKeyInput::kReleased);

    // A second field cannot take the registration; destroying the holder
    // gives it back to the system.
    HWND host =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(host, nullptr);
    CEditItemSingleKeyInput second;
    ASSERT_TRUE(second.CreateWindowFor(host, RECT{10, 10, 100, 30}, kKeyEdit, nullptr, {}));
    EXPECT_FALSE(second.RegisterRawKeyboard());
    EXPECT_EQ(raw.Target(), m_key->Handle());
    m_panel.reset();
    EXPECT_FALSE(raw.IsRegistered());
    EXPECT_TRUE(raw.Usages().empty());
    EXPECT_TRUE(second.RegisterRawKeyboard());
    EXPECT_TRUE(second.HoldsRawKeyboard());
    DestroyWindow(host);
    EXPECT_FALSE(raw.IsRegistered()) << "the field's window went with its parent";
}

TEST(RawInputRegistration, RefusesWhatCannotBeRegisteredAndListsUsagesOnce) {
    win::RawInputRegistration raw;
    HWND window =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(raw.Register(window)) << "no usages";
    raw.AddUsage(win::RawInputRegistration::kKeyboard);
    raw.AddUsage(win::RawInputRegistration::kMouse);
    raw.AddUsage(win::RawInputRegistration::kKeyboard);
    ASSERT_EQ(raw.Usages(), (std::vector<uint16_t>{6, 2}));
    EXPECT_FALSE(raw.Register(nullptr)) << "no target";
    ASSERT_TRUE(raw.Register(window));
    ASSERT_EQ(raw.Records().size(), 2u);
    EXPECT_EQ(raw.Records()[0].dwFlags, 0x130u);
    EXPECT_EQ(raw.Records()[1].usUsage, 2);
    EXPECT_EQ(raw.Records()[1].dwFlags, 0x100u);
    EXPECT_FALSE(raw.Register(window)) << "already registered";

    UINT count = 0;
    GetRegisteredRawInputDevices(nullptr, &count, sizeof(RAWINPUTDEVICE));
    EXPECT_EQ(count, 2u);
    raw.Unregister();
    EXPECT_FALSE(raw.IsRegistered());
    EXPECT_TRUE(raw.Usages().empty());
    EXPECT_TRUE(raw.Records().empty());
    count = 0;
    GetRegisteredRawInputDevices(nullptr, &count, sizeof(RAWINPUTDEVICE));
    EXPECT_EQ(count, 0u);
    DestroyWindow(window);
}

}  // namespace
