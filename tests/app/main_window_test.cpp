// The main window in-process, over the emulated mouse and the shipped skins:
// what reaches the mouse when the user presses Apply quickly and OK at once,
// and that a failed write keeps the window and every edit.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "app/Startup.h"
#include "app/VellAppDlg.h"
#include "controls/BitmapBtn.h"
#include "controls/DropdownListItem.h"
#include "controls/ItemFactories.h"
#include "device/Mouse.h"
#include "model/VellConfig.h"
#include "popups/ListPanel.h"
#include "skin/ControlIds.h"
#include "skin/LangTable.h"
#include "skin/NameTables.h"
#include "skin/SkinLoader.h"
#include "win/Handles.h"
#include "win/ModuleDir.h"

namespace {

constexpr uint16_t kProduct = 21;
constexpr DWORD kSettleMs = 20;

std::wstring TempFile(const wchar_t* name) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + name;
}

// Runs the thread's messages until `done` or the time is up.
template <typename Done>
bool PumpUntil(Done done, DWORD timeoutMs = 15000) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(2);
    }
    return true;
}

// Copies the files of `from` into `to` (one level), making `to`.
void CopyFolder(const std::wstring& from, const std::wstring& to) {
    CreateDirectoryW(to.c_str(), nullptr);
    WIN32_FIND_DATAW found = {};
    HANDLE search = FindFirstFileW((from + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            CopyFileW((from + found.cFileName).c_str(), (to + found.cFileName).c_str(), FALSE);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// Removes what CopyFolder made (files still held open stay).
void RemoveFolder(const std::wstring& dir) {
    WIN32_FIND_DATAW found = {};
    HANDLE search = FindFirstFileW((dir + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                DeleteFileW((dir + found.cFileName).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(dir.c_str());
}

// Answers every popup that opens over the main window with OK and counts them.
class PopupAnswerer {
public:
    explicit PopupAnswerer(HWND main) {
        s_main = main;
        s_seen = 0;
        m_timer = SetTimer(nullptr, 0, 100, &PopupAnswerer::Tick);
    }
    ~PopupAnswerer() { KillTimer(nullptr, m_timer); }
    int Seen() const { return s_seen; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        HWND active = GetActiveWindow();
        if (active != nullptr && active != s_main && GetWindow(active, GW_OWNER) == s_main) {
            ++s_seen;
            PostMessageW(active, WM_COMMAND, IDOK, 0);
        }
    }
    static inline HWND s_main = nullptr;
    static inline int s_seen = 0;
    UINT_PTR m_timer = 0;
};

// The first stage of the current profile as the mouse holds it.
int32_t StageOnMouse() {
    CVellConfig config;
    CMouse mouse;
    const uint16_t product = kProduct;
    if (!mouse.Initialize(&config, &product) ||
        !mouse.Synchronize(&config, SyncDirection::Read, kSectionsAll) || config.GetProfileCount() == 0)
        return -1;
    return config.GetStageValue(1, config.ProfileAt(0));
}

class MainWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The shipped module directory beside the test programs.
        wchar_t exe[MAX_PATH];
        GetModuleFileNameW(nullptr, exe, MAX_PATH);
        std::wstring dir = exe;
        dir.resize(dir.find_last_of(L'\\') + 1);
        app::SetModuleDirectory(dir + L"..\\bin\\");
        names::BuildAllNameTables();
        controls::RegisterItemFactories();
        popups::InstallListPanel();
        startup::RegisterMainWindowClass(GetModuleHandleW(nullptr));
        skin::LoadSkinFile(L"Language.xml", s_languages, nullptr, nullptr);
        lang::SelectCurrent(lang::kFirstLanguage);
    }

    void SetUp() override {
        m_state = TempFile(L"tarn-app-test-state.txt");
        DeleteFileW(m_state.c_str());
        SetEnvironmentVariableW(L"TARN_DEVICE_STATE", m_state.c_str());
        SetEnvironmentVariableW(L"TARN_DEVICE_SCENARIO", L"fresh");
        ASSERT_NE(StageOnMouse(), -1) << "no emulated mouse: is the device service registered?";
        SetEnvironmentVariableW(L"TARN_DEVICE_SCENARIO", nullptr);
        const uint16_t product = kProduct;
        m_mouse.SetSettleDelayForTesting(kSettleMs);
        ASSERT_TRUE(m_mouse.Initialize(&m_config, &product));
        m_config.AttachDevice(&m_mouse);
        m_hwnd = m_window.Create();
        ASSERT_NE(m_hwnd, nullptr);
        ShowWindow(m_hwnd, SW_SHOW);
        ASSERT_NE(m_config.GetCurrentProfile(), nullptr) << "the window read the mouse";
    }

    void TearDown() override {
        if (IsWindow(m_hwnd))
            DestroyWindow(m_hwnd);
        SetEnvironmentVariableW(L"TARN_DEVICE_FAULT", nullptr);
        m_mouse.WaitUntilIdle(10000);
        DeleteFileW(m_state.c_str());
    }

    void Click(int32_t control) {
        CGUIItem* item = m_window.FindItem(control);
        ASSERT_NE(item, nullptr);
        SendMessageW(m_hwnd, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(item->Window()));
    }

    static inline ItemList s_languages;
    std::wstring m_state;
    CVellConfig m_config;
    CMouse m_mouse;
    CVellAppDlg m_window{&m_config, &m_mouse};
    HWND m_hwnd = nullptr;
};

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
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(m_hwnd); }));
    EXPECT_EQ(3100, StageOnMouse());
}

TEST_F(MainWindow, AFailedWriteKeepsTheWindowAndTheEdits) {
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

    // The mouse is back: Apply again sends it.
    SetEnvironmentVariableW(L"TARN_DEVICE_FAULT", nullptr);
    Click(ctl::BUTTON_APPLY);
    ASSERT_TRUE(PumpUntil([&] { return !m_window.WritePending(); }));
    EXPECT_EQ(4200, StageOnMouse());
    EXPECT_TRUE(IsWindow(m_hwnd));
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
