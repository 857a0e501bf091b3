// What the main window's tests share: the module directory beside the test
// programs, a fresh emulated mouse per test, a message pump, folder copies,
// and popups answered as a user would answer them.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/Startup.h"
#include "app/VellAppDlg.h"
#include "controls/ItemFactories.h"
#include "macro/MacroDisplayItem.h"
#include "device/Mouse.h"
#include "model/VellConfig.h"
#include "popups/ListPanel.h"
#include "popups/VellNameEntryPopup.h"
#include "skin/ControlIds.h"
#include "skin/LangTable.h"
#include "skin/NameTables.h"
#include "skin/SkinLoader.h"
#include "win/Handles.h"
#include "win/ModuleDir.h"

namespace apptest {

constexpr uint16_t kProduct = 21;
constexpr DWORD kSettleMs = 20;

inline std::wstring TempFile(const wchar_t* name) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + name;
}

inline void WriteBytes(const std::wstring& path, const std::string& bytes) {
    win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

inline std::string ReadBytes(const std::wstring& path) {
    win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::string bytes(file ? GetFileSize(file.get(), nullptr) : 0, '\0');
    DWORD got = 0;
    if (!bytes.empty())
        ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    return bytes;
}

// The emulated mouse's whole state, read afresh by a second device link.
inline bool ReadMouse(CVellConfig& config) {
    CMouse mouse;
    const uint16_t product = kProduct;
    return mouse.Initialize(&config, &product) && mouse.Synchronize(&config, SyncDirection::Read, kSectionsAll);
}

// Runs the thread's messages until `done` or the time is up.
template <typename Done>
inline bool PumpUntil(Done done, DWORD timeoutMs = 15000) {
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
inline void CopyFolder(const std::wstring& from, const std::wstring& to) {
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
inline void RemoveFolder(const std::wstring& dir) {
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

// Answers the popups that open over the main window one by one, as a user
// would: a name typed into a name entry, a path typed into a file dialog,
// then OK or Cancel. Records which skin each popup came from (file dialogs
// as "file dialog"). A popup beyond the script is cancelled.
class ScriptedPopups {
public:
    // What a popup does before it is answered: a user's clicks and keys.
    using Action = std::function<void(CGUIPanel& popup)>;
    struct Answer {
        bool ok = true;
        std::wstring text;  // the name or path to type; empty types nothing
        Action act;
    };
    static constexpr wchar_t kFileDialog[] = L"file dialog";
    static constexpr wchar_t kQuestion[] = L"question";

    explicit ScriptedPopups(HWND main) {
        s_self = this;
        m_main = main;
        m_timer = SetTimer(nullptr, 0, 15, &ScriptedPopups::Tick);
    }
    ~ScriptedPopups() {
        KillTimer(nullptr, m_timer);
        s_self = nullptr;
    }
    ScriptedPopups(const ScriptedPopups&) = delete;
    ScriptedPopups& operator=(const ScriptedPopups&) = delete;

    ScriptedPopups& Ok(std::wstring text = {}) {
        m_script.push_back({true, std::move(text)});
        return *this;
    }
    ScriptedPopups& Cancel() {
        m_script.push_back({false, {}});
        return *this;
    }
    // The next skinned popup first gets `act`, then OK or Cancel.
    ScriptedPopups& Do(Action act, bool ok) {
        m_script.push_back({ok, {}, std::move(act)});
        return *this;
    }
    // The skins of the popups answered since the last call, in order.
    std::vector<std::wstring> Seen() { return std::exchange(m_seen, {}); }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        if (s_self != nullptr)
            s_self->AnswerActive();
    }
    void AnswerActive() {
        HWND active = GetActiveWindow();
        if (active == nullptr || active == m_main || active == m_answered || !OwnedByMain(active))
            return;
        m_answered = active;
        const Answer answer = m_script.empty() ? Answer{false, {}} : m_script.front();
        if (!m_script.empty())
            m_script.pop_front();
        if (GetDlgItem(active, IDYES) != nullptr) {
            // A question of a platform dialog (replace the file?).
            m_seen.push_back(kQuestion);
            PostMessageW(active, WM_COMMAND, MAKEWPARAM(answer.ok ? IDYES : IDNO, BN_CLICKED), 0);
            return;
        }
        auto* panel = dynamic_cast<CGUIPanel*>(win::WindowBase::FromHandle(active));
        m_seen.push_back(panel != nullptr ? panel->SkinFile() : std::wstring(kFileDialog));
        if (answer.act && panel != nullptr)
            answer.act(*panel);
        if (!answer.text.empty()) {
            if (auto* entry = dynamic_cast<CVellNameEntryPopup*>(panel)) {
                SetWindowTextW(entry->EditWindow(), answer.text.c_str());
            } else if (panel == nullptr) {
                // The file name box of either dialog style.
                SetDlgItemTextW(active, 0x480, answer.text.c_str());
                SetDlgItemTextW(active, 0x47C, answer.text.c_str());
            }
        }
        PostMessageW(active, WM_COMMAND, MAKEWPARAM(answer.ok ? IDOK : IDCANCEL, BN_CLICKED), 0);
    }

    bool OwnedByMain(HWND window) const {
        for (HWND owner = GetWindow(window, GW_OWNER); owner != nullptr; owner = GetWindow(owner, GW_OWNER)) {
            if (owner == m_main)
                return true;
        }
        return false;
    }

    static inline ScriptedPopups* s_self = nullptr;
    HWND m_main = nullptr;
    HWND m_answered = nullptr;
    UINT_PTR m_timer = 0;
    std::deque<Answer> m_script;
    std::vector<std::wstring> m_seen;
};

// The first stage of the current profile as the mouse holds it.
inline int32_t StageOnMouse() {
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
        macro::RegisterItemFactories();
        popups::InstallListPanel();
        startup::RegisterMainWindowClass(GetModuleHandleW(nullptr));
        skin::LoadSkinFile(L"Language.xml", s_languages, nullptr, nullptr);
        lang::SelectCurrent(lang::kFirstLanguage);
    }

    void SetUp() override {
        m_state = TempFile(L"tarn-app-test-state.txt");
        DeleteFileW(m_state.c_str());
        SetEnvironmentVariableW(L"TARN_DEVICE_STATE", m_state.c_str());
        // One connection with the factory state (each connection under
        // "fresh" starts again, with new identities), then the mouse as
        // stored.
        SetEnvironmentVariableW(L"TARN_DEVICE_SCENARIO", L"fresh");
        {
            CVellConfig config;
            CMouse mouse;
            const uint16_t product = kProduct;
            mouse.Initialize(&config, &product);
        }
        SetEnvironmentVariableW(L"TARN_DEVICE_SCENARIO", nullptr);
        ASSERT_NE(StageOnMouse(), -1) << "no emulated mouse: is the device service registered?";
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

    // A press of a main-page button, or with `page` of that page's button.
    void Click(int32_t control, int page = -1) {
        CGUIItem* item = page < 0 ? m_window.FindItem(control) : ::FindItem(m_window.PageItems(page), control);
        ASSERT_NE(item, nullptr);
        SendMessageW(m_hwnd, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(item->Window()));
    }
    // Apply, and wait until the mouse has it.
    void ApplyAndWait() {
        ASSERT_TRUE(m_window.Apply());
        ASSERT_TRUE(PumpUntil([&] { return !m_window.WritePending(); }));
    }

    static inline ItemList s_languages;
    std::wstring m_state;
    CVellConfig m_config;
    CMouse m_mouse;
    CVellAppDlg m_window{&m_config, &m_mouse};
    HWND m_hwnd = nullptr;
};

}  // namespace apptest
