// Popup boxes run modally, as the pages run them, and driven from inside
// their modal loop: the warning dialog's heading, appended text and message;
// the name entry's focus, limit and result; the single-key entry's Return and
// Escape handling; popups whose skin file or items are missing; and the
// shipped popup skin files in every shipped language; the predefined-command
// popup from its shipped skin, filled from the predefined command list.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/resource.h"
#include "control_support.h"
#include "controls/BitmapBtn.h"
#include "controls/DropdownListItem.h"
#include "controls/EditItem.h"
#include "controls/TextItem.h"
#include "macro/Macro.h"
#include "popups/ListPanel.h"
#include "popups/PopupBoxSingleKeyEntry.h"
#include "popups/PredefinedMacroPopup.h"
#include "popups/VellNameEntryPopup.h"
#include "popups/VellWarningDlg.h"
#include "skin/LangTable.h"
#include "skin/NameTables.h"
#include "skin/SkinLoader.h"
#include "win/ModuleDir.h"
#include "xml/XmlDocument.h"

namespace {

constexpr int32_t kOk = CPopupBox::kOkButton;
constexpr int32_t kCancel = CPopupBox::kCancelButton;
constexpr int32_t kApply = 153;  // BUTTON_POPUP_APPLY: neither OK nor Cancel
constexpr INT_PTR kStuck = -7;   // what a popup that the script could not close returns

// Runs steps one after another while a modal popup is open, one per tick of
// a thread timer: a tick comes only when the queue holds nothing else, so
// the input a step posts has been handled before the next step runs. When
// the steps are done and the popup is still open after two seconds, the
// popup is ended with kStuck.
class ModalScript {
public:
    using Step = std::function<void(HWND popup)>;

    ModalScript(const CGUIPanel& popup, std::vector<Step> steps) : m_popup(popup), m_steps(std::move(steps)) {
        s_current = this;
        m_timer = SetTimer(nullptr, 0, 10, Tick);
    }
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;
    ~ModalScript() {
        KillTimer(nullptr, m_timer);
        s_current = nullptr;
    }

    size_t StepsRun() const { return m_next; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        ModalScript* self = s_current;
        if (self == nullptr)
            return;
        HWND popup = self->m_popup.Handle();
        if (popup == nullptr || !IsWindowVisible(popup))
            return;
        if (self->m_next < self->m_steps.size()) {
            self->m_steps[self->m_next++](popup);
            self->m_idleTicks = 0;
        } else if (++self->m_idleTicks > 200) {
            EndDialog(popup, kStuck);
        }
    }

    static inline ModalScript* s_current = nullptr;
    const CGUIPanel& m_popup;
    std::vector<Step> m_steps;
    size_t m_next = 0;
    int m_idleTicks = 0;
    UINT_PTR m_timer = 0;
};

// A click on an item's window as the user makes it: button down and up go
// through the popup's modal loop.
void PostClick(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    LPARAM at = MAKELPARAM(client.right / 2, client.bottom / 2);
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(window, WM_LBUTTONUP, 0, at);
}

// A key press (down, then up) posted to a window, with the key data a
// keyboard gives.
void PostKey(HWND window, UINT vk) {
    UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    PostMessageW(window, WM_KEYDOWN, vk, static_cast<LPARAM>(1 | (scan << 16)));
    PostMessageW(window, WM_KEYUP, vk, static_cast<LPARAM>(1 | (scan << 16) | (1u << 30) | (1u << 31)));
}

void SendKey(WORD vk) {
    INPUT input[2] = {};
    for (INPUT& in : input) {
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    }
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

HWND KeyField(const CPopupBoxSingleKeyEntry& entry) {
    return entry.KeyInput() != nullptr ? entry.KeyInput()->Window() : nullptr;
}

HWND ItemWindow(const CGUIPanel& popup, int32_t id) {
    CGUIItem* item = popup.FindItem(id);
    return item != nullptr ? item->Window() : nullptr;
}

// Steps that press a popup's OK or Cancel button, or send the dialog
// manager's OK and Cancel (Enter, Escape, close) that come from no item.
ModalScript::Step Click(const CGUIPanel& popup, int32_t id) {
    return [&popup, id](HWND) { PostClick(ItemWindow(popup, id)); };
}
ModalScript::Step Command(WORD id) {
    return [id](HWND popup) { PostMessageW(popup, WM_COMMAND, id, 0); };
}

std::string PopupSkin(const std::string& items) {
    return R"(<?xml version="1.0"?><GUIPANEL><BACKGROUND>pop-bg.bmp</BACKGROUND>
<BUTTONLIST>
  <BUTTON name="BUTTON_POPUP_OK"><RECT left="20" top="140" right="80" bottom="30"/>
    <SBMN>pop-b.bmp</SBMN><SBMO>pop-b.bmp</SBMO><SBMD>pop-b.bmp</SBMD><SBMDS>pop-b.bmp</SBMDS></BUTTON>
  <BUTTON name="BUTTON_POPUP_CANCEL"><RECT left="120" top="140" right="80" bottom="30"/>
    <SBMN>pop-b.bmp</SBMN><SBMO>pop-b.bmp</SBMO><SBMD>pop-b.bmp</SBMD><SBMDS>pop-b.bmp</SBMDS></BUTTON>
  <BUTTON name="BUTTON_POPUP_APPLY"><RECT left="220" top="140" right="80" bottom="30"/>
    <SBMN>pop-b.bmp</SBMN><SBMO>pop-b.bmp</SBMO><SBMD>pop-b.bmp</SBMD><SBMDS>pop-b.bmp</SBMDS></BUTTON>
</BUTTONLIST>)" +
           items + "</GUIPANEL>";
}

class PopupTest : public ::testing::Test {
protected:
    void SetUp() override {
        names::BuildAllNameTables();
        m_dir = ctest::MakeScratchModuleDir(L"popup");
        ctest::WriteSolidBmp(m_dir + L"skins\\pop-bg.bmp", 320, 180, 0x101010);
        ctest::WriteSolidBmp(m_dir + L"skins\\pop-b.bmp", 80, 30, 0x2040A0);
        ctest::WriteSkin(m_dir, L"Warning.xml", PopupSkin(R"(<TEXTLIST>
  <TEXTITEM name="TEXT_WARNDLG_HEADING" textkey="$Heading"><RECT left="10" top="10" right="300" bottom="40"/></TEXTITEM>
</TEXTLIST>)"));
        ctest::WriteSkin(m_dir, L"ButtonsOnly.xml", PopupSkin(""));
        // The heading's id on an item of another type.
        ctest::WriteSkin(m_dir, L"WrongHeading.xml", PopupSkin(R"(<BITMAPLIST>
  <BITMAPITEM name="TEXT_WARNDLG_HEADING"><SBMN>pop-b.bmp</SBMN><RECT left="10" top="10" right="80" bottom="30"/></BITMAPITEM>
</BITMAPLIST>)"));
        ctest::WriteSkin(m_dir, L"Name.xml", PopupSkin(R"(<EDITCTRLLIST>
  <EDITCTRL name="EDITCTRL_POPUP_NAMEENTRY" max="200" backclr="BLACK" fontclr="WHITE"><RECT left="20" top="60" right="280" bottom="24"/></EDITCTRL>
</EDITCTRLLIST>)"));
        ctest::WriteSkin(m_dir, L"Key.xml", PopupSkin(R"(<EDITCTRLLIST>
  <EDITCTRLSK name="EDITCTRL_POPUP_SINGLEKEYENTRY" backclr="BLACK" fontclr="WHITE"><RECT left="20" top="60" right="280" bottom="24"/></EDITCTRLSK>
</EDITCTRLLIST>)"));

        m_language.SetId(lang::kFirstLanguage);
        m_language.AddEntry(L"Heading", L"Delete this profile?");
        m_language.AddEntry(L"CreateProfile", L"No room for another profile");
        lang::Register(&m_language);
        lang::SelectCurrent(lang::kFirstLanguage);
    }

    void TearDown() override {
        lang::ClearRegister();
        ctest::RemoveScratchDir(m_dir);
    }

    std::wstring m_dir;
    CLangTable m_language;
};

TEST_F(PopupTest, PopupsWithoutTheirSkinFileOpenAndCloseWithEmptyResults) {
    {
        CVellWarningDlg warning(L"NoSuchPopup.xml", IDD_POPUP_WARNING, nullptr, L": Game");
        warning.SetMessage(L"$CreateProfile");
        ModalScript script(warning, {Command(IDCANCEL)});
        EXPECT_EQ(warning.RunModal(), CPopupBox::kResultCancel);
        EXPECT_TRUE(warning.Items().empty());
        EXPECT_EQ(warning.Heading(), nullptr);
    }
    {
        std::wstring name = L"kept";
        CVellNameEntryPopup entry(L"NoSuchPopup.xml", IDD_POPUP_ENTRY, nullptr, name);
        ModalScript script(entry, {Command(IDCANCEL)});
        EXPECT_EQ(entry.RunModal(), CPopupBox::kResultCancel);
        EXPECT_EQ(name, L"kept") << "Cancel leaves the caller's string";
    }
    {
        std::wstring name = L"stale";
        CVellNameEntryPopup entry(L"NoSuchPopup.xml", IDD_POPUP_ENTRY, nullptr, name);
        ModalScript script(entry, {Command(IDOK)});
        EXPECT_EQ(entry.RunModal(), CPopupBox::kResultOk);
        EXPECT_EQ(name, L"") << "OK without an edit field gives an empty name";
        EXPECT_EQ(entry.EditWindow(), nullptr);
    }
    {
        PopupKeyResult key{L"stale", 1, 2, 1};
        CPopupBoxSingleKeyEntry entry(L"NoSuchPopup.xml", IDD_POPUP_ENTRY, nullptr, key);
        ModalScript script(entry, {Command(IDOK)});
        EXPECT_EQ(entry.RunModal(), CPopupBox::kResultOk);
        EXPECT_EQ(key.text, L"");
        EXPECT_EQ(entry.KeyInput(), nullptr);
    }
}

TEST_F(PopupTest, EntryPopupsWithoutTheirFieldGiveEmptyResults) {
    std::wstring name = L"stale";
    CVellNameEntryPopup nameEntry(L"ButtonsOnly.xml", IDD_POPUP_ENTRY, nullptr, name);
    ModalScript nameScript(nameEntry, {Click(nameEntry, kOk)});
    EXPECT_EQ(nameEntry.RunModal(), CPopupBox::kResultOk);
    EXPECT_EQ(name, L"");

    // The key field's id on a plain edit field is not a key field.
    PopupKeyResult key{L"stale", 1, 2, 1};
    CPopupBoxSingleKeyEntry keyEntry(L"Name.xml", IDD_POPUP_ENTRY, nullptr, key);
    ModalScript keyScript(keyEntry, {Click(keyEntry, kOk)});
    EXPECT_EQ(keyEntry.RunModal(), CPopupBox::kResultOk);
    EXPECT_EQ(key.text, L"");
    EXPECT_EQ(keyEntry.KeyInput(), nullptr);

    CVellWarningDlg warning(L"WrongHeading.xml", IDD_POPUP_WARNING, nullptr, L": Game");
    warning.SetMessage(L"$CreateProfile");
    ModalScript warningScript(warning, {Click(warning, kOk)});
    EXPECT_EQ(warning.RunModal(), CPopupBox::kResultOk);
    EXPECT_EQ(warning.Heading(), nullptr) << "a heading must be a text item";
}

TEST_F(PopupTest, WarningHeadingTakesTheAppendedTextOrTheMessage) {
    {
        // The appended text follows the heading's resolved text, as written.
        CVellWarningDlg warning(L"Warning.xml", IDD_POPUP_WARNING, nullptr, L": $Heading\\n");
        std::wstring shown;
        ModalScript script(warning,
                           {[&](HWND) { shown = warning.Heading()->GetText(); }, Click(warning, kOk)});
        EXPECT_EQ(warning.RunModal(), CPopupBox::kResultOk);
        EXPECT_EQ(shown, L"Delete this profile?: $Heading\\n");
    }
    {
        // A message replaces heading and appended text; its key is resolved.
        CVellWarningDlg warning(L"Warning.xml", IDD_POPUP_WARNING, nullptr, L": Game");
        warning.SetMessage(L"$CreateProfile");
        ModalScript script(warning, {Click(warning, kCancel)});
        EXPECT_EQ(warning.RunModal(), CPopupBox::kResultCancel);
        ASSERT_NE(warning.Heading(), nullptr);
        EXPECT_EQ(warning.Heading()->GetText(), L"No room for another profile");
    }
    {
        CVellWarningDlg warning(L"Warning.xml", IDD_POPUP_WARNING, nullptr);
        ModalScript script(warning, {Command(IDOK)});
        EXPECT_EQ(warning.RunModal(), CPopupBox::kResultOk);
        EXPECT_EQ(warning.Heading()->GetText(), L"Delete this profile?");
    }
}

TEST_F(PopupTest, OnlyOkAndCancelClose) {
    CVellWarningDlg warning(L"Warning.xml", IDD_POPUP_WARNING, nullptr);
    bool openAfterOtherCommands = false;
    ModalScript script(warning,
                       {Click(warning, kApply),
                        // An item's command with the OK button's window id but
                        // from another item goes by the item.
                        [&](HWND popup) {
                            PostMessageW(popup, WM_COMMAND, kOk,
                                         reinterpret_cast<LPARAM>(ItemWindow(warning, kApply)));
                        },
                        [&](HWND popup) { openAfterOtherCommands = IsWindowVisible(popup) != FALSE; },
                        // Escape through the dialog manager.
                        [&](HWND popup) { PostKey(popup, VK_ESCAPE); }});
    EXPECT_EQ(warning.RunModal(), CPopupBox::kResultCancel);
    EXPECT_TRUE(openAfterOtherCommands);
    EXPECT_EQ(script.StepsRun(), 4u);
}

TEST_F(PopupTest, NameEntryKeepsTwentyCharactersAndHandsOverTheFirstLine) {
    {
        // Focus in the field, limited to 20; a paste of 10,000 keeps 20.
        std::wstring name = L"stale";
        CVellNameEntryPopup entry(L"Name.xml", IDD_POPUP_ENTRY, nullptr, name);
        bool focused = false;
        LRESULT limit = 0;
        int length = 0;
        ModalScript script(entry, {[&](HWND) {
                                       HWND edit = entry.EditWindow();
                                       focused = edit != nullptr && GetFocus() == edit;
                                       limit = SendMessageW(edit, EM_GETLIMITTEXT, 0, 0);
                                       ASSERT_TRUE(OpenClipboard(nullptr));
                                       EmptyClipboard();
                                       const size_t chars = 10000;
                                       HGLOBAL data =
                                           GlobalAlloc(GMEM_MOVEABLE, (chars + 1) * sizeof(wchar_t));
                                       auto* text = static_cast<wchar_t*>(GlobalLock(data));
                                       for (size_t i = 0; i < chars; ++i)
                                           text[i] = static_cast<wchar_t>(L'a' + i % 26);
                                       text[chars] = L'\0';
                                       GlobalUnlock(data);
                                       SetClipboardData(CF_UNICODETEXT, data);
                                       CloseClipboard();
                                       SendMessageW(edit, WM_PASTE, 0, 0);
                                       length = GetWindowTextLengthW(edit);
                                   },
                                   Click(entry, kOk)});
        EXPECT_EQ(entry.RunModal(), CPopupBox::kResultOk);
        EXPECT_TRUE(focused);
        EXPECT_EQ(limit, 20);
        EXPECT_EQ(length, 20);
        EXPECT_EQ(name, L"abcdefghijklmnopqrst");
    }
    {
        // Text put in past the limit is still handed over cut to 20.
        std::wstring name;
        CVellNameEntryPopup entry(L"Name.xml", IDD_POPUP_ENTRY, nullptr, name);
        ModalScript script(
            entry, {[&](HWND) { SetWindowTextW(entry.EditWindow(), L"Profile name far longer than twenty"); },
                    Command(IDOK)});
        EXPECT_EQ(entry.RunModal(), CPopupBox::kResultOk);
        EXPECT_EQ(name, L"Profile name far lon");
    }
    {
        // The cut never keeps half of a character outside the basic plane.
        std::wstring name;
        CVellNameEntryPopup entry(L"Name.xml", IDD_POPUP_ENTRY, nullptr, name);
        ModalScript script(entry, {[&](HWND) {
                                       SetWindowTextW(entry.EditWindow(),
                                                      L"Nineteen characters\xD83C\xDFAE and more");
                                   },
                                   Command(IDOK)});
        EXPECT_EQ(entry.RunModal(), CPopupBox::kResultOk);
        EXPECT_EQ(name, L"Nineteen characters");
    }
    {
        // OK with an empty field: 1 and an empty name.
        std::wstring name = L"stale";
        CVellNameEntryPopup entry(L"Name.xml", IDD_POPUP_ENTRY, nullptr, name);
        ModalScript script(entry, {Click(entry, kOk)});
        EXPECT_EQ(entry.RunModal(), CPopupBox::kResultOk);
        EXPECT_EQ(name, L"");
    }
    {
        // Cancel after typing leaves the caller's string.
        std::wstring name = L"before";
        CVellNameEntryPopup entry(L"Name.xml", IDD_POPUP_ENTRY, nullptr, name);
        ModalScript script(
            entry, {[&](HWND) { SetWindowTextW(entry.EditWindow(), L"typed"); }, Click(entry, kCancel)});
        EXPECT_EQ(entry.RunModal(), CPopupBox::kResultCancel);
        EXPECT_EQ(name, L"before");
    }
}

TEST_F(PopupTest, SingleKeyReturnAndEscapeAreKeysNotCloses) {
    {
        // Return: the key field takes it and the popup stays open (the
        // dialog manager's OK is refused); a click on OK then closes.
        PopupKeyResult key;
        CPopupBoxSingleKeyEntry entry(L"Key.xml", IDD_POPUP_ENTRY, nullptr, key);
        bool focused = false, flagged = false, open = false;
        std::wstring shown;
        ModalScript script(entry,
                           {[&](HWND) {
                                HWND field = KeyField(entry);
                                focused = GetFocus() == field;
                                PostKey(field, VK_RETURN);
                            },
                            [&](HWND popup) {
                                flagged = entry.LastKeyWasReturnOrEscape();
                                open = IsWindowVisible(popup) != FALSE;
                                shown = WindowText(KeyField(entry));
                                PostMessageW(popup, WM_COMMAND, IDOK, 0);
                            },
                            [&](HWND popup) { open = open && IsWindowVisible(popup); }, Click(entry, kOk)});
        EXPECT_EQ(entry.RunModal(), CPopupBox::kResultOk);
        EXPECT_TRUE(focused);
        EXPECT_TRUE(flagged);
        EXPECT_TRUE(open) << "Return and a later Enter-OK leave the popup open";
        EXPECT_FALSE(shown.empty());
        EXPECT_EQ(key.text, shown);
        EXPECT_EQ(key.virtualKey, VK_RETURN);
        EXPECT_EQ(key.scanCode, MapVirtualKeyW(VK_RETURN, MAPVK_VK_TO_VSC));
        EXPECT_EQ(key.extended, 0);
        EXPECT_FALSE(entry.LastKeyWasReturnOrEscape()) << "the click ended it";
    }
    {
        // Escape: taken as the key, Cancel does nothing; another key ends
        // that, and Escape from the dialog manager then cancels.
        PopupKeyResult key{L"stale", 0, 0, 0};
        CPopupBoxSingleKeyEntry entry(L"Key.xml", IDD_POPUP_ENTRY, nullptr, key);
        bool openAfterEscape = false;
        ModalScript script(entry, {[&](HWND) { PostKey(KeyField(entry), VK_ESCAPE); }, Command(IDCANCEL),
                                   [&](HWND popup) {
                                       openAfterEscape =
                                           IsWindowVisible(popup) && entry.LastKeyWasReturnOrEscape();
                                       PostKey(KeyField(entry), 'K');
                                   },
                                   Command(IDCANCEL)});
        EXPECT_EQ(entry.RunModal(), CPopupBox::kResultCancel);
        EXPECT_TRUE(openAfterEscape);
        EXPECT_EQ(key.text, L"") << "Cancel empties the key's text";
    }
}

TEST_F(PopupTest, NoKeyOfTheKeyboardStopsOkFromClosingTheSingleKeyEntry) {
    // The lock keys go back to how they were, for the tests that type next.
    const WORD locks[] = {VK_CAPITAL, VK_NUMLOCK, VK_SCROLL};
    SHORT lockStates[3] = {};
    for (int i = 0; i < 3; ++i)
        lockStates[i] = static_cast<SHORT>(GetKeyState(locks[i]) & 1);
    int failures = 0;
    for (WORD vk = 1; vk < 255; ++vk) {
        if (vk == VK_LBUTTON || vk == VK_RBUTTON || vk == VK_MBUTTON || vk == VK_XBUTTON1 ||
            vk == VK_XBUTTON2)
            continue;
        PopupKeyResult key;
        CPopupBoxSingleKeyEntry entry(L"Key.xml", IDD_POPUP_ENTRY, nullptr, key);
        ModalScript script(entry, {[&](HWND popup) {
                                       SetForegroundWindow(popup);
                                       SetFocus(KeyField(entry));
                                       SendKey(vk);
                                   },
                                   Click(entry, kOk)});
        INT_PTR result = entry.RunModal();
        EXPECT_EQ(result, CPopupBox::kResultOk) << "key " << vk;
        failures += result == CPopupBox::kResultOk ? 0 : 1;
        if (failures > 3)
            break;
    }
    for (int i = 0; i < 3; ++i) {
        if ((GetKeyState(locks[i]) & 1) != lockStates[i])
            SendKey(locks[i]);
    }
    ctest::Pump();
}

// --- the shipped popup skin files ---------------------------------------------------------

// build\bin\ seen from build\tests\, where this test runs.
std::wstring ShippedModuleDir() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir = path;
    dir.resize(dir.find_last_of(L'\\') + 1);
    return dir + L"..\\bin\\";
}

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text)
        out += (c > 0 && c < 128) ? static_cast<char>(c) : '?';
    return out;
}

// Opens a popup modeless (its items are made and its init hook runs as when
// it runs modally) and hands it to the check.
template <typename Popup, typename Check>
void OpenAndCheck(Popup& popup, const Check& check) {
    HWND hwnd = popup.Create();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_NE(popup.Background(), nullptr) << "the popup takes its size from its background";
    check(popup);
    DestroyWindow(hwnd);
}

// Every popup skin file of the warning dialog, the name entry and the
// single-key entry, in every language of Language.xml: the items the class
// works with are there with their types, and no text or caption is left as
// an unresolved language key.
TEST(ShippedPopups, EveryFileHasTheItemsOfItsClassInEveryLanguage) {
    names::BuildAllNameTables();
    const std::wstring dir = ShippedModuleDir();
    app::SetModuleDirectory(dir);
    ItemList languages;
    skin::LoadSkinFile(L"Language.xml", languages, nullptr, nullptr);
    std::vector<int32_t> languageIds;
    for (const auto& item : languages) {
        if (item->Type() == kItemLanguage)
            languageIds.push_back(item->Id());
    }
    ASSERT_GE(languageIds.size(), 2u) << "Language.xml in " << Narrow(dir);

    const wchar_t* warnings[] = {L"NoMousePopup.xml",
                                 L"NoClickPopup.xml",
                                 L"RestorePopup.xml",
                                 L"ProfileLimitReachedPopup.xml",
                                 L"DuplicateProfileWarningPopup.xml",
                                 L"ExportProfileWarningPopup.xml",
                                 L"ImporttProfileWarningPopup.xml",
                                 L"DisallowDeletePopup.xml",
                                 L"ConfirmDeletePopup.xml",
                                 L"DuplicateMacroWarningPopup.xml",
                                 L"DefaultDelayWarningPopup.xml",
                                 L"ExportMacroWarningPopup.xml",
                                 L"ConfirmDeleteMacroPopup.xml"};
    const wchar_t* names[] = {L"ProfileNamePopup.xml", L"MacroNamePopup.xml"};

    // Texts and captions all resolved; an OK button in every popup.
    auto common = [](const CPopupBox& popup, const std::string& what) {
        EXPECT_NE(popup.FindItem(kOk, kItemButton), nullptr) << what << ": no OK button";
        for (const auto& item : popup.Items()) {
            std::wstring shown;
            if (const auto* text = dynamic_cast<const CTextItem*>(item.get()))
                shown = text->GetText();
            else if (const auto* button = dynamic_cast<const CBitmapBtn*>(item.get()))
                shown = button->Caption();
            EXPECT_TRUE(shown.empty() || shown[0] != L'$')
                << what << ": item " << item->Id() << " shows " << Narrow(shown);
        }
    };

    for (int32_t language : languageIds) {
        ASSERT_NE(lang::SelectCurrent(language), nullptr);
        for (const wchar_t* file : warnings) {
            const std::string what = Narrow(file) + " in language " + std::to_string(language);
            CVellWarningDlg popup(file, IDD_POPUP_WARNING, nullptr, L": Game");
            OpenAndCheck(popup, [&](CVellWarningDlg& p) {
                ASSERT_NE(p.Heading(), nullptr) << what << ": no heading";
                EXPECT_NE(p.Heading()->GetText().find(L": Game"), std::wstring::npos) << what;
                common(p, what);
            });
        }
        for (const wchar_t* file : names) {
            const std::string what = Narrow(file) + " in language " + std::to_string(language);
            std::wstring name;
            CVellNameEntryPopup popup(file, IDD_POPUP_ENTRY, nullptr, name);
            OpenAndCheck(popup, [&](CVellNameEntryPopup& p) {
                EXPECT_NE(p.EditWindow(), nullptr) << what << ": no name field";
                EXPECT_NE(p.FindItem(kCancel, kItemButton), nullptr) << what << ": no Cancel button";
                common(p, what);
            });
        }
        const std::string what = "SingleKeyPopup.xml in language " + std::to_string(language);
        PopupKeyResult key;
        CPopupBoxSingleKeyEntry popup(CPopupBoxSingleKeyEntry::kSkinFile, IDD_POPUP_ENTRY, nullptr, key);
        OpenAndCheck(popup, [&](CPopupBoxSingleKeyEntry& p) {
            EXPECT_NE(p.KeyInput(), nullptr) << what << ": no key field";
            EXPECT_NE(p.FindItem(kCancel, kItemButton), nullptr) << what << ": no Cancel button";
            common(p, what);
        });
    }
    lang::ClearRegister();
}

// The predefined-command popup as the macros page opens it: the shipped skin,
// the keywords of the program's predefined command list. Each list is filled
// when it is about to open; the add buttons close with OK and hand back the
// command chosen last (nothing chosen: an empty text); Cancel cancels; no
// other command closes it.
TEST(ShippedPopups, PredefinedCommandsFillOnOpeningAndHandBackTheChoice) {
    names::BuildAllNameTables();
    app::SetModuleDirectory(ShippedModuleDir());
    ItemList languages;
    skin::LoadSkinFile(L"Language.xml", languages, nullptr, nullptr);
    ASSERT_NE(lang::SelectCurrent(lang::kFirstLanguage), nullptr);

    CPredefinedMacroList& predefined = CPredefinedMacroList::Instance();
    predefined.Build();
    const PredefinedCommandLists commands{predefined.Keywords(1), predefined.Keywords(2)};
    const std::vector<std::wstring> basic = {L"$cut",  L"$copy", L"$paste", L"$undo", L"$all",
                                             L"$find", L"$new",  L"$print", L"$save"};
    const std::vector<std::wstring> additional = {L"$swapwindows",  L"$closewindow", L"$lockpc",
                                                  L"$openexplorer", L"$run",         L"$showdesktop",
                                                  L"$zoomin",       L"$zoomout"};
    EXPECT_EQ(commands.basic, basic);
    EXPECT_EQ(commands.additional, additional);
    EXPECT_TRUE(predefined.Keywords(0).empty());
    EXPECT_TRUE(predefined.Keywords(3).empty());

    auto entriesOf = [](const CDropdownListItem* list) {
        std::vector<std::wstring> texts;
        for (int i = 0; i < list->EntryCount(); ++i)
            texts.push_back(list->EntryText(i));
        return texts;
    };
    // Opens a list as a press on its box does; the next step runs while it is open.
    auto open = [](CDropdownListItem* const& list) -> ModalScript::Step {
        return
            [&list](HWND) { PostMessageW(list->Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10)); };
    };
    // Chooses a row of the open list (what the list tells its panel on a click).
    auto choose = [](int row, bool* wasOpen) -> ModalScript::Step {
        return [row, wasOpen](HWND) {
            CListPanel* panel = CListPanel::Innermost();
            *wasOpen = panel != nullptr;
            if (panel != nullptr)
                PostMessageW(panel->Handle(), CListPanel::kChoiceMessage, static_cast<WPARAM>(-1), row);
        };
    };

    {
        // A basic command, then an additional one: the second choice counts,
        // whichever add button is pressed, and the first box gives up its face.
        CVellPredefinedMacroPopup popup(CPredefinedMacroPopup::kSkinFile, IDD_POPUP_LIST, nullptr, commands);
        CDropdownListItem* basicList = nullptr;
        CDropdownListItem* additionalList = nullptr;
        int entriesBeforeOpening = -1;
        bool basicOpen = false, additionalOpen = false;
        std::vector<std::wstring> basicSeen, additionalSeen;
        std::wstring basicFace, basicFaceAfter;
        ModalScript script(popup, {[&](HWND) {
                                       basicList = popup.BasicList();
                                       additionalList = popup.AdditionalList();
                                       entriesBeforeOpening =
                                           basicList->EntryCount() + additionalList->EntryCount();
                                   },
                                   open(basicList), choose(2, &basicOpen),
                                   [&](HWND) {
                                       basicSeen = entriesOf(basicList);
                                       basicFace = basicList->DisplayText();
                                   },
                                   open(additionalList), choose(7, &additionalOpen),
                                   [&](HWND) {
                                       additionalSeen = entriesOf(additionalList);
                                       basicFaceAfter = basicList->DisplayText();
                                   },
                                   Click(popup, CPredefinedMacroPopup::kAddBasic)});
        EXPECT_EQ(popup.RunModal(), CPopupBox::kResultOk);
        ASSERT_EQ(script.StepsRun(), 8u);
        ASSERT_NE(basicList, nullptr);
        ASSERT_NE(additionalList, nullptr);
        EXPECT_EQ(entriesBeforeOpening, 0) << "the lists are filled when they open";
        EXPECT_TRUE(basicOpen);
        EXPECT_TRUE(additionalOpen);
        EXPECT_EQ(basicSeen, basic);
        EXPECT_EQ(additionalSeen, additional);
        EXPECT_EQ(basicFace, L"Paste") << "the box shows the command in the language";
        EXPECT_EQ(basicFaceAfter, L"");
        EXPECT_EQ(popup.ChosenCommand(), L"$zoomout");
    }
    {
        // Reopened, a list holds its group once, not twice.
        CVellPredefinedMacroPopup popup(CPredefinedMacroPopup::kSkinFile, IDD_POPUP_LIST, nullptr, commands);
        CDropdownListItem* list = nullptr;
        bool firstOpen = false, againOpen = false;
        std::vector<std::wstring> seen;
        ModalScript script(popup, {[&](HWND) { list = popup.BasicList(); }, open(list), choose(0, &firstOpen),
                                   open(list), choose(8, &againOpen), [&](HWND) { seen = entriesOf(list); },
                                   Click(popup, CPredefinedMacroPopup::kAddAdditional)});
        EXPECT_EQ(popup.RunModal(), CPopupBox::kResultOk);
        EXPECT_TRUE(firstOpen && againOpen);
        EXPECT_EQ(seen, basic);
        EXPECT_EQ(popup.ChosenCommand(), L"$save");
    }
    for (int32_t add : {CPredefinedMacroPopup::kAddBasic, CPredefinedMacroPopup::kAddAdditional}) {
        // Nothing chosen: OK all the same, with an empty text.
        CVellPredefinedMacroPopup popup(CPredefinedMacroPopup::kSkinFile, IDD_POPUP_LIST, nullptr, commands);
        ModalScript script(popup, {Click(popup, add)});
        EXPECT_EQ(popup.RunModal(), CPopupBox::kResultOk) << add;
        EXPECT_EQ(popup.ChosenCommand(), L"") << add;
    }
    {
        // A command from a text item, the OK button's id from no item, and
        // Enter leave it open; Cancel cancels, even after a choice.
        CVellPredefinedMacroPopup popup(CPredefinedMacroPopup::kSkinFile, IDD_POPUP_LIST, nullptr, commands);
        CDropdownListItem* list = nullptr;
        bool wasOpen = false;
        bool openAfterOthers = false;
        ModalScript script(
            popup,
            {[&](HWND) { list = popup.AdditionalList(); }, open(list), choose(1, &wasOpen),
             [&](HWND hwnd) {
                 PostMessageW(hwnd, WM_COMMAND, 0,
                              reinterpret_cast<LPARAM>(ItemWindow(popup, ctl::TEXT_INSERT_BASIC_COMMAND)));
             },
             Command(static_cast<WORD>(kOk)), Command(IDOK), [&](HWND hwnd) { PostKey(hwnd, VK_RETURN); },
             [&](HWND hwnd) { openAfterOthers = IsWindowVisible(hwnd) != FALSE; }, Click(popup, kCancel)});
        EXPECT_EQ(popup.RunModal(), CPopupBox::kResultCancel);
        EXPECT_TRUE(wasOpen);
        EXPECT_TRUE(openAfterOthers);
        EXPECT_EQ(script.StepsRun(), 9u);
        EXPECT_EQ(popup.ChosenCommand(), L"$closewindow") << "read only after OK";
    }
    lang::ClearRegister();
}

}  // namespace
