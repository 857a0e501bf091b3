// The main window in-process, over the emulated mouse and the shipped skins:
// what reaches the mouse when the user presses Apply quickly and OK at once,
// and that a failed write keeps the window and every edit.
#include "app_support.h"

#include "controls/BitmapBtn.h"
#include "controls/DropdownListItem.h"
#include "controls/TextItem.h"
#include "popups/VellWarningDlg.h"

namespace {

using namespace apptest;
using Seen = std::vector<std::wstring>;

TEST_F(MainWindow, QuickAppliesAndAnImmediateOkLeaveTheLastStateOnTheMouse) {
    // Twenty presses of Apply while the first write still runs: each edit
    // between them must reach the mouse, the last one last.
    for (int i = 0; i < 20; ++i) {
        m_config.SetStageValue(1, 500 + 100 * i);
        Click(ctl::BUTTON_APPLY);
    }
    ASSERT_TRUE(PumpUntil([&] { return !m_window.WritePending(); }));
    EXPECT_EQ(2400, StageOnMouse());

    // Apply, one more edit, then OK at once: OK waits for the write, sends
    // the state it sees, and closes only then.
    m_config.SetStageValue(1, 3000);
    Click(ctl::BUTTON_APPLY);
    m_config.SetStageValue(1, 3100);
    Click(ctl::BUTTON_OK);
    EXPECT_TRUE(IsWindow(m_hwnd)) << "OK closes only once the mouse has the state";
    // An edit while OK waits goes too, without another press.
    m_config.SetStageValue(1, 3300);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(m_hwnd); }));
    EXPECT_EQ(3300, StageOnMouse());
}

// Closing while the write of everything shown still runs asks nothing: the
// window closes once the mouse has it.
TEST_F(MainWindow, ClosingDuringTheWriteOfEverythingShownWaitsForIt) {
    ScriptedPopups popups(m_hwnd);
    m_config.SetStageValue(1, 2700);
    Click(ctl::BUTTON_APPLY);
    ASSERT_TRUE(m_window.WritePending());
    PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(m_hwnd); }));
    EXPECT_TRUE(popups.Seen().empty());
    EXPECT_EQ(2700, StageOnMouse());
}

TEST_F(MainWindow, AFailedWriteKeepsTheWindowAndTheEdits) {
    // The run's first write backs the mouse up first; the fault below is
    // meant for a write.
    m_window.SetBackupFolder(TempFile(L"tarn-app-failed-write-backups\\"));
    ApplyAndWait();
    PopupAnswerer answerer(m_hwnd);
    m_config.SetStageValue(1, 4200);
    // The worker cannot take the profile list: the write fails.
    SetEnvironmentVariableW(L"TARN_DEVICE_FAULT", L"Device.Feature:1");
    Click(ctl::BUTTON_OK);
    ASSERT_TRUE(PumpUntil([&] { return answerer.Seen() > 0 && !m_window.WritePending(); }));
    PumpUntil([] { return false; }, 300);
    EXPECT_TRUE(IsWindow(m_hwnd)) << "the window stays open after a failed write";
    EXPECT_EQ(4200, m_config.GetStageValue(1)) << "the edit is still there";
    EXPECT_NE(4200, StageOnMouse());
    EXPECT_EQ(CVellAppDlg::WriteStatus::kFailed, m_window.LastWriteStatus());
    EXPECT_TRUE(m_window.HasUnsavedChanges());

    // The mouse is back: Apply again sends it.
    SetEnvironmentVariableW(L"TARN_DEVICE_FAULT", nullptr);
    Click(ctl::BUTTON_APPLY);
    ASSERT_TRUE(PumpUntil([&] { return !m_window.WritePending(); }));
    EXPECT_EQ(4200, StageOnMouse());
    EXPECT_TRUE(IsWindow(m_hwnd));
    EXPECT_EQ(CVellAppDlg::WriteStatus::kWritten, m_window.LastWriteStatus()) << "read back: " << testing::PrintToString(m_window.WriteDifference());
    EXPECT_FALSE(m_window.HasUnsavedChanges());
}

// From the first edit until a checked write the window says the mouse lacks
// what it shows; closing then asks, and "Apply" there loses nothing.
TEST_F(MainWindow, UnsavedChangesAreShownAndClosingAsksFirst) {
    ScriptedPopups popups(m_hwnd);
    auto* apply = dynamic_cast<CBitmapBtn*>(m_window.FindItem(ctl::BUTTON_APPLY));
    auto* status = dynamic_cast<CTextItem*>(m_window.FindItem(ctl::TEXT_WRITESTATUS));
    ASSERT_NE(apply, nullptr);
    ASSERT_NE(status, nullptr);
    const std::wstring plain = apply->Caption();
    auto said = [](const wchar_t* key) {
        std::wstring text;
        return lang::Resolve(key, text) ? text : std::wstring(L"?");
    };
    EXPECT_FALSE(m_window.HasUnsavedChanges()) << "as read from the mouse";
    EXPECT_EQ(L"", status->GetText());

    // A change through a page's button: the mark and the status come.
    const bool glow = m_config.GetUnderGlowLight();
    m_window.SwitchPage(kPageLighting);
    Click(glow ? ctl::GLOW_LEDOFF : ctl::GLOW_LEDON, 5);
    ASSERT_NE(glow, m_config.GetUnderGlowLight());
    EXPECT_TRUE(m_window.HasUnsavedChanges());
    EXPECT_NE(plain, apply->Caption());
    EXPECT_EQ(said(L"$WriteUnsaved"), status->GetText());
    // Undone by hand, nothing is unsaved any more.
    Click(glow ? ctl::GLOW_LEDON : ctl::GLOW_LEDOFF, 5);
    EXPECT_FALSE(m_window.HasUnsavedChanges());
    EXPECT_EQ(plain, apply->Caption());
    Click(glow ? ctl::GLOW_LEDOFF : ctl::GLOW_LEDON, 5);

    // Closing asks; "Stay" keeps the window.
    popups.Cancel();
    SendMessageW(m_hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(Seen({L"UnsavedChangesPopup.xml"}), popups.Seen());
    ASSERT_TRUE(IsWindow(m_hwnd));

    // Applied and read back: saved, the mark gone, closing asks nothing.
    ApplyAndWait();
    EXPECT_EQ(CVellAppDlg::WriteStatus::kWritten, m_window.LastWriteStatus());
    EXPECT_EQ(said(L"$WriteDone"), status->GetText());
    EXPECT_EQ(plain, apply->Caption());

    // Changed again and closed with "Apply": written, then closed.
    m_window.SwitchPage(kPagePerformance);
    Click(ctl::BUTTON_RATE1, 2);
    ASSERT_TRUE(m_window.HasUnsavedChanges());
    popups.Do([](CGUIPanel& popup) {
        CGUIItem* item = popup.FindItem(CUnsavedChangesPopup::kApplyButton);
        ASSERT_NE(item, nullptr);
        SendMessageW(popup.Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(item->Window()));
    }, false);
    PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(m_hwnd); }));
    EXPECT_EQ(Seen({L"UnsavedChangesPopup.xml"}), popups.Seen());
    CVellConfig held;
    ASSERT_TRUE(ReadMouse(held));
    EXPECT_EQ(0, held.GetPollingRateChoice());
    EXPECT_NE(glow, held.GetUnderGlowLight());
}

TEST_F(MainWindow, PagesSwitchByTheirTabsAndTheLowestFlagWins) {
    EXPECT_EQ(kPageTopView, m_window.CurrentPage());
    Click(ctl::BUTTON_MANAGEMACROS);
    EXPECT_EQ(kPageMacros, m_window.CurrentPage());
    m_window.SwitchPage(kPageThumbGrid | kPagePerformance);
    EXPECT_EQ(kPageThumbGrid, m_window.CurrentPage());
    // Only the current page's items are visible.
    for (int page = 0; page < kPageCount; ++page) {
        for (const auto& item : m_window.PageItems(page)) {
            if (item->Window() != nullptr) {
                EXPECT_EQ(PageFlagAt(page) == kPageThumbGrid, IsWindowVisible(item->Window()) != FALSE)
                    << "page " << page << " item " << item->Id();
            }
        }
    }
}

TEST_F(MainWindow, ThumbGridSwitchesTakeOneStepPerClick) {
    m_window.SwitchPage(kPageThumbGrid);
    auto item = [&](int32_t control) -> CGUIItem* {
        for (int page = 0; page < kPageCount; ++page) {
            if (PageFlagAt(page) != kPageThumbGrid)
                continue;
            for (const auto& one : m_window.PageItems(page)) {
                if (one->Id() == control)
                    return one.get();
            }
        }
        return nullptr;
    };
    auto press = [&](int32_t control) {
        CGUIItem* button = item(control);
        ASSERT_NE(button, nullptr);
        SendMessageW(button->Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
        SendMessageW(button->Window(), WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    };
    auto checked = [&](int32_t control) {
        auto* button = dynamic_cast<CBitmapBtn*>(item(control));
        return button != nullptr && button->GetChecked() != 0;
    };

    // Disable all, then enable again: the model and the button agree each time.
    ASSERT_TRUE(m_config.GetThumbKeysEnabled());
    press(ctl::BUTTON_DISABLE_KEYS);
    EXPECT_FALSE(m_config.GetThumbKeysEnabled());
    EXPECT_TRUE(checked(ctl::BUTTON_DISABLE_KEYS));
    press(ctl::BUTTON_DISABLE_KEYS);
    EXPECT_TRUE(m_config.GetThumbKeysEnabled());
    EXPECT_FALSE(checked(ctl::BUTTON_DISABLE_KEYS));

    // NUM shows the number pad's keys; a second click on NUM changes nothing.
    auto* key1 = dynamic_cast<CDropdownListItem*>(item(ctl::BUTTON_ASSNTHUMBGRID01));
    ASSERT_NE(key1, nullptr);
    const std::wstring numberRow = key1->DisplayText();
    press(ctl::BUTTON_KEYASSIGN_123NUM_NUM);
    press(ctl::BUTTON_KEYASSIGN_123NUM_NUM);
    EXPECT_TRUE(checked(ctl::BUTTON_KEYASSIGN_123NUM_NUM));
    EXPECT_FALSE(checked(ctl::BUTTON_KEYASSIGN_123NUM_123));
    EXPECT_NE(numberRow, key1->DisplayText()) << "thumb key 1 shows the number pad's key";
    press(ctl::BUTTON_KEYASSIGN_123NUM_123);
    EXPECT_TRUE(checked(ctl::BUTTON_KEYASSIGN_123NUM_123));
    EXPECT_EQ(numberRow, key1->DisplayText());
}

// A profile that lacks the NUM set's key ids: its positions take nothing,
// and their boxes never show a choice the profile does not hold.
TEST_F(MainWindow, AThumbPositionWithoutKeyShowsNoChoice) {
    CMouseProfile* bare = m_config.CMouseConfig::CreateProfile(L"Bare");
    ASSERT_NE(bare, nullptr);
    for (int32_t key : kThumbKeys123)
        ASSERT_TRUE(bare->SetKeyAssignment(key, MakeAssignment(kFunctionClick)));
    m_config.SetCurrentProfile(bare);
    m_window.SwitchPage(kPageThumbGrid);
    Click(ctl::BUTTON_KEYASSIGN_123NUM_NUM, 1);
    auto* box = dynamic_cast<CDropdownListItem*>(::FindItem(m_window.PageItems(1), ctl::BUTTON_ASSNTHUMBGRID01));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(L"", box->DisplayText());

    // "Right click" chosen on it, as the box reports a choice.
    const int entry = box->FindEntry(names::FunctionName(kFunctionMenu));
    ASSERT_GE(entry, 0);
    ASSERT_TRUE(box->SelectEntry(entry));
    SendMessageW(GetParent(box->Window()), CDropdownListItem::kChosenMessage, static_cast<WPARAM>(entry),
                 reinterpret_cast<LPARAM>(box->Window()));
    EXPECT_EQ(L"", box->DisplayText()) << "nothing was stored";
    EXPECT_EQ(12, bare->GetKeyAssignmentCount());
    for (int32_t key : kThumbKeys123)
        EXPECT_EQ(kFunctionClick, bare->GetKeyAssignment(key).code) << key;
}

TEST_F(MainWindow, AMissingOrDamagedPageSkinEmptiesOnlyThatPage) {
    const std::wstring shipped = app::ModuleDirectory();
    const std::wstring copy = TempFile(L"tarn-app-damaged-skin\\");
    CreateDirectoryW(copy.c_str(), nullptr);
    for (const wchar_t* folder : {L"xml\\", L"skins\\", L"lang\\", L"fonts\\"})
        CopyFolder(shipped + folder, copy + folder);
    const std::wstring page = copy + L"xml\\AssignKeys.xml";
    std::string text;
    {
        win::UniqueFile file(CreateFileW(page.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(static_cast<bool>(file));
        text.resize(GetFileSize(file.get(), nullptr));
        DWORD got = 0;
        ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &got, nullptr);
    }
    const std::vector<std::pair<const char*, std::string>> damages = {
        {"missing", {}}, {"empty", ""}, {"cut short", text.substr(0, text.size() / 2)},
        {"not xml", std::string(4096, '\xff')}};
    int thumbGrid = -1;
    for (int i = 0; i < kPageCount; ++i) {
        if (PageFlagAt(i) == kPageThumbGrid)
            thumbGrid = i;
    }
    ASSERT_GE(thumbGrid, 0);

    app::SetModuleDirectory(copy);
    for (const auto& [what, bytes] : damages) {
        DeleteFileW(page.c_str());
        if (std::string(what) != "missing") {
            win::UniqueFile file(CreateFileW(page.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
            DWORD written = 0;
            WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        }
        CVellAppDlg window{&m_config, &m_mouse};
        HWND hwnd = window.Create();
        ASSERT_NE(hwnd, nullptr) << what;
        EXPECT_TRUE(window.PageItems(thumbGrid).empty()) << what;
        // The other pages are whole and the user still moves between them.
        for (int i = 0; i < kPageCount; ++i) {
            if (i != thumbGrid) {
                EXPECT_FALSE(window.PageItems(i).empty()) << what << ": page " << i;
            }
        }
        window.SwitchPage(kPageThumbGrid);
        EXPECT_EQ(kPageThumbGrid, window.CurrentPage()) << what;
        window.SwitchPage(kPageTopView);
        EXPECT_EQ(kPageTopView, window.CurrentPage()) << what;
        DestroyWindow(hwnd);
    }
    app::SetModuleDirectory(shipped);
    for (const wchar_t* folder : {L"xml\\", L"skins\\", L"lang\\", L"fonts\\"})
        RemoveFolder(copy + folder);
    RemoveDirectoryW(copy.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    win::ComApartment com;
    return RUN_ALL_TESTS();
}
