// The manage-macros page in the real main window over the emulated mouse:
// naming rules, recording into the selected macro, the delay options, and a
// deleted macro taken off the buttons that ran it.
#include "app_support.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/pages/MacrosPage.h"
#include "controls/BitmapBtn.h"
#include "controls/DropdownListItem.h"
#include "controls/EditItem.h"
#include "controls/TextItem.h"
#include "macro/Macro.h"
#include "macro/MacroDisplayItem.h"
#include "macro/MacroRecorder.h"
#include "popups/PredefinedMacroPopup.h"

namespace {

using namespace apptest;

constexpr int kMacrosPage = 4;

RAWINPUT Key(uint16_t vk, uint16_t flags) {
    RAWINPUT input = {};
    input.header.dwType = RIM_TYPEKEYBOARD;
    input.data.keyboard.MakeCode = static_cast<USHORT>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input.data.keyboard.Flags = flags;
    input.data.keyboard.VKey = vk;
    return input;
}

class MacrosPageTest : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        m_window.SwitchPage(kPageMacros);
        m_page = m_window.MacrosPage();
        ASSERT_NE(m_page, nullptr);
        m_display = dynamic_cast<CMacroDisplayItem*>(::FindItem(m_window.PageItems(kMacrosPage), ctl::MACRO_DISPLAY));
        ASSERT_NE(m_display, nullptr);
        m_display->Recorder().SetClock([this] { return m_now; });
    }
    CBitmapBtn* Button(int32_t id) {
        return dynamic_cast<CBitmapBtn*>(::FindItem(m_window.PageItems(kMacrosPage), id));
    }
    // A click on a page button as the mouse gives it (check boxes toggle).
    void Press(int32_t id) {
        CBitmapBtn* button = Button(id);
        ASSERT_NE(button, nullptr);
        SendMessageW(button->Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
        SendMessageW(button->Window(), WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    }
    std::vector<std::wstring> Names() { return NamesOf(m_config); }
    static std::vector<std::wstring> NamesOf(CMouseConfig& config) {
        std::vector<std::wstring> names;
        for (int32_t i = 0; i < config.GetMacroCount(); ++i)
            names.push_back(config.MacroAt(i)->Name());
        return names;
    }
    static std::vector<std::wstring> NamesOnMouse() {
        CVellConfig config;
        return ReadMouse(config) ? NamesOf(config) : std::vector<std::wstring>{L"<unreadable>"};
    }

    CMacrosPage* m_page = nullptr;
    CMacroDisplayItem* m_display = nullptr;
    uint32_t m_now = 1000;
};

using Seen = std::vector<std::wstring>;

TEST_F(MacrosPageTest, NamesRecordingAndDeletingKeepTheRules) {
    ScriptedPopups popups(m_hwnd);
    const std::vector<std::wstring> before = Names();

    popups.Ok(L"Combo");
    Click(ctl::BUTTON_MACRO_CREATE, kMacrosPage);
    // Another letter case is the same name to the macro list: said, not swallowed.
    popups.Ok(L"combo").Ok();
    Click(ctl::BUTTON_MACRO_CREATE, kMacrosPage);
    EXPECT_EQ(Seen({L"MacroNamePopup.xml", L"MacroNamePopup.xml", L"DuplicateMacroWarningPopup.xml"}),
              popups.Seen());
    ASSERT_EQ(before.size() + 1, Names().size());
    EXPECT_EQ(L"Combo", Names().back());
    EXPECT_EQ(m_config.GetMacroCount() - 1, m_page->SelectedMacro());

    // The two delay options exclude each other; a fixed delay needs a number.
    Press(ctl::BUTTON_IGNORE_DELAY);
    Press(ctl::BUTTON_INSERTDEFAULT_DELAY);
    EXPECT_EQ(0, Button(ctl::BUTTON_IGNORE_DELAY)->GetChecked());
    EXPECT_EQ(1, Button(ctl::BUTTON_INSERTDEFAULT_DELAY)->GetChecked());
    popups.Ok();
    Click(ctl::BUTTON_MACRO_RECORD, kMacrosPage);
    EXPECT_EQ(Seen({L"DefaultDelayWarningPopup.xml"}), popups.Seen());
    EXPECT_FALSE(m_page->IsRecording()) << "an empty delay box does not start recording";

    auto* box = dynamic_cast<CEditItem*>(::FindItem(m_window.PageItems(kMacrosPage), ctl::EDITCTRL_DEFAULT_DELAY));
    ASSERT_NE(box, nullptr);
    SetWindowTextW(box->Window(), L"100");
    Click(ctl::BUTTON_MACRO_RECORD, kMacrosPage);
    ASSERT_TRUE(m_page->IsRecording());
    // While recording only the record button counts: New does nothing.
    Click(ctl::BUTTON_MACRO_CREATE, kMacrosPage);
    EXPECT_TRUE(popups.Seen().empty());
    m_display->OnRawInput(Key('A', RI_KEY_MAKE));
    m_now += 5000;
    m_display->OnRawInput(Key('A', RI_KEY_BREAK));
    Click(ctl::BUTTON_MACRO_RECORD, kMacrosPage);
    EXPECT_FALSE(m_page->IsRecording());
    const MacroEvents& events = m_config.MacroAt(m_config.GetMacroCount() - 1)->Events();
    ASSERT_EQ(3u, events.size()) << "press, the fixed delay, release";
    EXPECT_EQ((MacroEvent{kMacroEventDelay, 100, 100}), events[1]);

    // A thumb key that runs the macro by name gets its default back when the
    // macro goes; the other macros stay.
    CMouseProfile* profile = m_config.GetCurrentProfile();
    const int32_t key = m_config.KeyIdAt(0, profile);
    ASSERT_GE(key, 0);
    Assignment runs = MakeAssignment(kFunctionMacroByName);
    SetAssignmentName(runs, L"COMBO");
    ASSERT_TRUE(m_config.SetKeyAssignment(key, runs, profile));
    popups.Cancel();
    Click(ctl::BUTTON_MACRO_DELETE, kMacrosPage);
    EXPECT_EQ(before.size() + 1, Names().size()) << "not confirmed";
    popups.Ok();
    Click(ctl::BUTTON_MACRO_DELETE, kMacrosPage);
    EXPECT_EQ(Seen({L"ConfirmDeleteMacroPopup.xml", L"ConfirmDeleteMacroPopup.xml"}), popups.Seen());
    EXPECT_EQ(before, Names());
    Assignment fallback;
    ASSERT_TRUE(m_config.DefaultKeyAssignment(key, fallback));
    EXPECT_EQ(fallback, m_config.GetKeyAssignment(key, profile));
}

TEST_F(MacrosPageTest, ImportAndExportSayWhatFailedAndChangeNothing) {
    ScriptedPopups popups(m_hwnd);
    const std::wstring folder = TempFile(L"tarn-macro-files\\");
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring exported = folder + L"Combo.vxm";
    DeleteFileW(exported.c_str());

    popups.Ok(L"Combo");
    Click(ctl::BUTTON_MACRO_CREATE, kMacrosPage);
    Click(ctl::BUTTON_MACRO_RECORD, kMacrosPage);
    m_display->OnRawInput(Key('B', RI_KEY_MAKE));
    m_now += 40;
    m_display->OnRawInput(Key('B', RI_KEY_BREAK));
    Click(ctl::BUTTON_MACRO_RECORD, kMacrosPage);
    // Not on the mouse yet: nothing to export from.
    popups.Ok();
    Click(ctl::BUTTON_MACRO_EXPORT, kMacrosPage);
    EXPECT_EQ(Seen({L"MacroNamePopup.xml", L"ExportMacroWarningPopup.xml"}), popups.Seen());
    ApplyAndWait();

    popups.Ok(exported);
    Click(ctl::BUTTON_MACRO_EXPORT, kMacrosPage);
    EXPECT_EQ(Seen({ScriptedPopups::kFileDialog}), popups.Seen());
    const std::string good = ReadBytes(exported);
    ASSERT_NE(std::string::npos, good.find("Combo")) << "the macro was exported";
    // A failed write is said, and the file there stays as it was.
    SetEnvironmentVariableW(L"TARN_DEVICE_FAULT", L"Macro.Export:1");
    popups.Ok(exported).Ok().Ok();
    Click(ctl::BUTTON_MACRO_EXPORT, kMacrosPage);
    SetEnvironmentVariableW(L"TARN_DEVICE_FAULT", nullptr);
    EXPECT_EQ(Seen({ScriptedPopups::kFileDialog, ScriptedPopups::kQuestion, L"ExportMacroFailedPopup.xml"}),
              popups.Seen());
    EXPECT_EQ(good, ReadBytes(exported));

    // Files that are no macro export are refused, each with the popup, and
    // neither the list nor the mouse changes.
    const std::wstring bad = folder + L"bad.vxm";
    const std::wstring huge = folder + L"huge.vxm";
    {
        win::UniqueFile file(CreateFileW(huge.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        LARGE_INTEGER size;
        size.QuadPart = 100ll << 20;
        SetFilePointerEx(file.get(), size, nullptr, FILE_BEGIN);
        SetEndOfFile(file.get());
    }
    std::string wrongSum = good;
    wrongSum[wrongSum.find("Combo")] ^= 1;
    std::string foreign = good;
    foreign.replace(0, foreign.find('\n'), "TarnProfileExport 1\r");
    const std::vector<std::pair<const char*, std::string>> damaged = {
        {"empty", ""},
        {"text", "just some notes\r\n"},
        {"cut short", good.substr(0, good.size() / 2)},
        {"wrong checksum", wrongSum},
        {"another kind of file", foreign},
    };
    const std::vector<std::wstring> before = Names();
    ASSERT_EQ(before, NamesOnMouse());
    for (const auto& [what, bytes] : damaged) {
        WriteBytes(bad, bytes);
        popups.Ok(bad).Ok();
        Click(ctl::BUTTON_MACRO_IMPORT, kMacrosPage);
        EXPECT_EQ(Seen({ScriptedPopups::kFileDialog, L"ImportMacroFailedPopup.xml"}), popups.Seen()) << what;
        EXPECT_EQ(before, Names()) << what;
    }
    popups.Ok();
    EXPECT_FALSE(m_page->ImportFile(huge)) << "100 MB";
    EXPECT_EQ(Seen({L"ImportMacroFailedPopup.xml"}), popups.Seen());
    EXPECT_EQ(before, Names());
    EXPECT_EQ(before, NamesOnMouse());

    // The good file comes back with the events the mouse held, once the
    // original is gone.
    CVellConfig held;
    ASSERT_TRUE(ReadMouse(held));
    ASSERT_NE(nullptr, held.FindMacroByName(L"Combo"));
    const MacroEvents events = held.FindMacroByName(L"Combo")->Events();
    ASSERT_EQ(3u, events.size());
    popups.Ok();
    Click(ctl::BUTTON_MACRO_DELETE, kMacrosPage);
    ApplyAndWait();
    popups.Ok(exported);
    Click(ctl::BUTTON_MACRO_IMPORT, kMacrosPage);
    EXPECT_EQ(Seen({L"ConfirmDeleteMacroPopup.xml", ScriptedPopups::kFileDialog}), popups.Seen());
    EXPECT_EQ(before, Names());
    ASSERT_EQ(before.size(), static_cast<size_t>(m_config.GetMacroCount()));
    EXPECT_EQ(events, m_config.MacroAt(m_config.GetMacroCount() - 1)->Events());
    EXPECT_EQ(m_config.GetMacroCount() - 1, m_page->SelectedMacro()) << "the imported macro is shown";
    EXPECT_FALSE(m_window.HasUnsavedChanges()) << "the mouse holds the import: nothing to apply";

    // Imported again while "Combo" is there: a copy, "Combo00", here and on
    // the mouse, and the popup says so.
    popups.Ok(exported).Ok();
    Click(ctl::BUTTON_MACRO_IMPORT, kMacrosPage);
    EXPECT_EQ(Seen({ScriptedPopups::kFileDialog, L"ImportedAsCopyPopup.xml"}), popups.Seen());
    std::vector<std::wstring> withCopy = before;
    withCopy.push_back(L"Combo00");
    EXPECT_EQ(withCopy, Names());
    EXPECT_EQ(withCopy, NamesOnMouse());
    EXPECT_EQ(events, m_config.FindMacroByName(L"Combo00")->Events());
    EXPECT_FALSE(m_window.HasUnsavedChanges());

    for (const std::wstring& file : {exported, bad, huge})
        DeleteFileW(file.c_str());
    RemoveDirectoryW(folder.c_str());
}

// 100,000 real key events while recording: the window keeps taking its
// messages, the macro stops growing at the limit, and the user is told once.
TEST_F(MacrosPageTest, ALongRecordingIsCutAtTheLimitAndSaidOnce) {
    ScriptedPopups popups(m_hwnd);
    popups.Ok(L"Storm");
    Click(ctl::BUTTON_MACRO_CREATE, kMacrosPage);
    Click(ctl::BUTTON_MACRO_RECORD, kMacrosPage);
    ASSERT_TRUE(m_page->IsRecording());
    popups.Ok();  // the macro-full popup

    // The keys go where a user's would: to the program in front.
    SetForegroundWindow(m_hwnd);
    PumpUntil([&] { return GetForegroundWindow() == m_hwnd; }, 2000);
    constexpr int kEvents = 100000;
    constexpr int kBatch = 500;
    std::vector<INPUT> batch(kBatch);
    for (int i = 0; i < kBatch; ++i) {
        batch[i].type = INPUT_KEYBOARD;
        batch[i].ki.wVk = 'Q';
        batch[i].ki.wScan = static_cast<WORD>(MapVirtualKeyW('Q', MAPVK_VK_TO_VSC));
        batch[i].ki.dwFlags = (i % 2) ? KEYEVENTF_KEYUP : 0;
    }
    // The longest time one message kept the thread from the next.
    DWORD longest = 0;
    auto pump = [&] {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            const DWORD start = GetTickCount();
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            longest = std::max(longest, GetTickCount() - start);
        }
    };
    const DWORD start = GetTickCount();
    for (int sent = 0; sent < kEvents; sent += kBatch) {
        ASSERT_EQ(static_cast<UINT>(kBatch), SendInput(kBatch, batch.data(), sizeof(INPUT)));
        pump();
    }
    const size_t limit = macro::CMacroRecorder::kMaxEvents;
    // Real input arrives a moment after SendInput: the last of it, and the
    // popup the limit brings, are waited for.
    Seen seen;
    PumpUntil(
        [&] {
            pump();
            for (std::wstring& name : popups.Seen())
                seen.push_back(std::move(name));
            return std::find(seen.begin(), seen.end(), L"MacroFullPopup.xml") != seen.end();
        },
        30000);
    const DWORD took = GetTickCount() - start;
    std::printf("[ figures  ] %d key events while recording: %lu ms in all, longest message %lu ms\n", kEvents,
                took, longest);
    Click(ctl::BUTTON_MACRO_RECORD, kMacrosPage);
    EXPECT_FALSE(m_page->IsRecording());

    for (std::wstring& name : popups.Seen())
        seen.push_back(std::move(name));
    EXPECT_EQ(Seen({L"MacroNamePopup.xml", L"MacroFullPopup.xml"}), seen) << "said once";
    const MacroEvents& events = m_config.MacroAt(m_page->SelectedMacro())->Events();
    // A key and the delay before it go in together or not at all.
    ASSERT_LE(events.size(), limit);
    ASSERT_GE(events.size(), limit - 1) << "cut at the limit, not before";
    EXPECT_EQ(events.size(), static_cast<size_t>(m_display->RowCount()));
    // The first events are the first keys, in order (delays in between).
    std::vector<uint32_t> states;
    for (const MacroEvent& e : events)
        if (e.kind == kMacroEventKey && states.size() < 4)
            states.push_back(e.state & 0xFF);
    EXPECT_EQ((std::vector<uint32_t>{kMacroStatePress, kMacroStateRelease, kMacroStatePress, kMacroStateRelease}),
              states);
    EXPECT_LT(longest, 2000u) << "the window froze";
}

// Insert command without a selected row puts the command first; the texts
// beside the delay boxes take clicks as their boxes do, and not while a
// recording has the boxes disabled.
TEST_F(MacrosPageTest, InsertCommandAndTheDelayBoxTexts) {
    ScriptedPopups popups(m_hwnd);
    popups.Ok(L"Steps");
    Click(ctl::BUTTON_MACRO_CREATE, kMacrosPage);
    ASSERT_EQ(L"Steps", Names().back());
    popups.Seen();
    Click(ctl::BUTTON_MACRO_RECORD, kMacrosPage);
    ASSERT_TRUE(m_page->IsRecording());
    m_display->OnRawInput(Key('A', RI_KEY_MAKE));
    m_now += 300;
    m_display->OnRawInput(Key('A', RI_KEY_BREAK));
    Click(ctl::BUTTON_MACRO_RECORD, kMacrosPage);
    const MacroEvents recorded = m_display->Events();
    ASSERT_GE(recorded.size(), 2u);

    // The first basic command, added with its button (start-up builds the list).
    CPredefinedMacroList::Instance().Build();
    const std::vector<std::wstring> basic = CPredefinedMacroList::Instance().Keywords(1);
    ASSERT_FALSE(basic.empty());
    MacroEvents command;
    ASSERT_TRUE(CPredefinedMacroList::Instance().Lookup(names::PredefinedCommandId(basic[0].c_str()), command));
    auto addFirstBasic = [](CGUIPanel& popup) {
        auto* predefined = dynamic_cast<CPredefinedMacroPopup*>(&popup);
        ASSERT_NE(predefined, nullptr);
        ASSERT_NE(predefined->BasicList(), nullptr);
        HWND list = predefined->BasicList()->Window();
        SendMessageW(popup.Handle(), CDropdownListItem::kOpeningMessage, 0, reinterpret_cast<LPARAM>(list));
        SendMessageW(popup.Handle(), CDropdownListItem::kChosenMessage, 0, reinterpret_cast<LPARAM>(list));
        CGUIItem* add = popup.FindItem(CPredefinedMacroPopup::kAddBasic);
        ASSERT_NE(add, nullptr);
        SendMessageW(popup.Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(add->Window()));
    };
    m_display->Select(-1);
    popups.Do(addFirstBasic, true);
    Click(ctl::BUTTON_MACRO_ADVANCED, kMacrosPage);
    EXPECT_EQ(Seen({CPredefinedMacroPopup::kSkinFile}), popups.Seen());
    MacroEvents expected = command;
    expected.insert(expected.end(), recorded.begin(), recorded.end());
    EXPECT_EQ(expected, m_config.MacroAt(m_config.GetMacroCount() - 1)->Events()) << "the command comes first";

    // A selected row takes the command after it.
    m_display->Select(0);
    popups.Do(addFirstBasic, true);
    Click(ctl::BUTTON_MACRO_ADVANCED, kMacrosPage);
    popups.Seen();
    expected.insert(expected.begin() + 1, command.begin(), command.end());
    EXPECT_EQ(expected, m_config.MacroAt(m_config.GetMacroCount() - 1)->Events());

    // The texts take the click themselves (a text that passes it through
    // lets the window be dragged instead) and click their boxes.
    for (int32_t id : {ctl::TEXT_IGNORE_DELAY, ctl::TEXT_INSERTDEFAULT_DELAY}) {
        auto* text = dynamic_cast<CTextItem*>(::FindItem(m_window.PageItems(kMacrosPage), id));
        ASSERT_NE(text, nullptr) << id;
        RECT area = {};
        GetWindowRect(text->Window(), &area);
        EXPECT_EQ(HTCLIENT, SendMessageW(text->Window(), WM_NCHITTEST, 0,
                                         MAKELPARAM(area.left + 4, area.top + 4)))
            << id;
    }
    auto clickText = [&](int32_t id) {
        CGUIItem* text = ::FindItem(m_window.PageItems(kMacrosPage), id);
        ASSERT_NE(text, nullptr);
        SendMessageW(text->Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
        SendMessageW(text->Window(), WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    };
    CBitmapBtn* ignore = Button(ctl::BUTTON_IGNORE_DELAY);
    CBitmapBtn* fixed = Button(ctl::BUTTON_INSERTDEFAULT_DELAY);
    ASSERT_TRUE(ignore != nullptr && fixed != nullptr);
    const int32_t ignoreBefore = ignore->GetChecked();
    clickText(ctl::TEXT_IGNORE_DELAY);
    EXPECT_NE(ignoreBefore, ignore->GetChecked());
    clickText(ctl::TEXT_IGNORE_DELAY);
    ASSERT_EQ(ignoreBefore, ignore->GetChecked());

    Click(ctl::BUTTON_MACRO_RECORD, kMacrosPage);
    ASSERT_TRUE(m_page->IsRecording());
    const int32_t fixedBefore = fixed->GetChecked();
    clickText(ctl::TEXT_IGNORE_DELAY);
    clickText(ctl::TEXT_INSERTDEFAULT_DELAY);
    EXPECT_EQ(ignoreBefore, ignore->GetChecked()) << "a disabled box ignores its text";
    EXPECT_EQ(fixedBefore, fixed->GetChecked());
    Click(ctl::BUTTON_MACRO_RECORD, kMacrosPage);
    EXPECT_FALSE(m_page->IsRecording());
}

}  // namespace
