// Drop-down boxes and list panels in a real panel, driven with real mouse
// input while the list panel's modal loop runs: the messages the box's parent
// receives for a choice and for every way out without one, sub-lists and
// their height, sorted lists, disabled boxes, the skinned scroll bar's
// messages to its companion, where a list panel opens near the screen's
// edges, and bad input.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "control_support.h"
#include "controls/DropdownListItem.h"
#include "controls/ListPanelItem.h"
#include "controls/VScrollBar.h"
#include "popups/ListPanel.h"
#include "popups/ListPanelList.h"
#include "skin/ControlIds.h"
#include "skin/LangTable.h"
#include "skin/NameTables.h"
#include "win/Gdi.h"

namespace {

constexpr UINT kOpening = CDropdownListItem::kOpeningMessage;
constexpr UINT kChosen = CDropdownListItem::kChosenMessage;

// Scroll-bar pictures: 12 wide; caps 4, arrows 12 and the thumb 20 high.
constexpr uint32_t kThumb = 0x30C030;
constexpr uint32_t kSpine = 0x303030;
constexpr int kCap = 4;
constexpr int kArrow = 12;
constexpr int kThumbHeight = 20;

constexpr uint32_t kBoxBackground = 0x0000FF;  // BLUE as 0xRRGGBB
constexpr uint32_t kBoxBorder = 0xFF0000;      // RED

// Real input reaches the thread a moment after SendInput returns, and a
// press may be queued before the pointer has got where it was sent. So a
// click is made in two steps: the pointer is moved, and once it is there
// (FinishClick, run by every wait below) the button is pressed and released.
// The clicks sent and the releases the thread has taken from its queue tell
// whether the last click has been handled; a thread mouse hook counts them.
struct PendingClick {
    bool active = false;
    POINT at = {};
    bool right = false;
    ULONGLONG since = 0;
};
PendingClick g_pending;
int g_clicksSent = 0;
int g_releasesTaken = 0;

LRESULT CALLBACK CountReleases(int code, WPARAM wParam, LPARAM lParam) {
    const bool release = wParam == WM_LBUTTONUP || wParam == WM_RBUTTONUP || wParam == WM_NCLBUTTONUP ||
                         wParam == WM_NCRBUTTONUP;
    if (code == HC_ACTION && release)
        ++g_releasesTaken;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void SendMouse(DWORD flags, POINT screen = {}) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    if ((flags & MOUSEEVENTF_ABSOLUTE) != 0) {
        // 0..65535 across the screen, rounded up so that both ways of
        // scaling back land on the pixel.
        const int64_t width = std::max(GetSystemMetrics(SM_CXSCREEN), 2);
        const int64_t height = std::max(GetSystemMetrics(SM_CYSCREEN), 2);
        input.mi.dx = static_cast<LONG>((screen.x * 65535 + width - 2) / (width - 1));
        input.mi.dy = static_cast<LONG>((screen.y * 65535 + height - 2) / (height - 1));
    }
    SendInput(1, &input, sizeof(INPUT));
}

// A press and release of a real mouse button at a screen point.
void ClickAt(POINT screen, bool right = false) {
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, screen);
    g_pending = PendingClick{true, screen, right, GetTickCount64()};
    ++g_clicksSent;
}

void FinishClick() {
    if (!g_pending.active)
        return;
    POINT at = {};
    GetCursorPos(&at);
    const bool there = std::abs(at.x - g_pending.at.x) <= 1 && std::abs(at.y - g_pending.at.y) <= 1;
    if (!there && GetTickCount64() - g_pending.since < 1000)
        return;
    g_pending.active = false;
    // The buttons carry the position too: a pointer event of the display
    // that comes late must not move them.
    const DWORD placed = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendMouse(placed | (g_pending.right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN), g_pending.at);
    SendMouse(placed | (g_pending.right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP), g_pending.at);
}

bool ClicksHandled() {
    return !g_pending.active && g_releasesTaken >= g_clicksSent;
}

// Runs steps one per tick of a thread timer while a list panel is open, on
// the innermost one. A tick comes only when the queue is empty, and a step
// runs only once the click of the step before has been taken from it, so
// each step sees what the one before did. A panel still open three seconds
// after the last step is ended, so a broken test fails rather than hangs.
class PanelScript {
public:
    using Step = std::function<void(CListPanel& panel)>;

    explicit PanelScript(std::vector<Step> steps) : m_steps(std::move(steps)) {
        s_current = this;
        m_hook = SetWindowsHookExW(WH_MOUSE, CountReleases, nullptr, GetCurrentThreadId());
        m_timer = SetTimer(nullptr, 0, 10, Tick);
    }
    PanelScript(const PanelScript&) = delete;
    PanelScript& operator=(const PanelScript&) = delete;
    ~PanelScript() {
        KillTimer(nullptr, m_timer);
        UnhookWindowsHookEx(m_hook);
        s_current = nullptr;
    }
    size_t StepsRun() const { return m_next; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        FinishClick();
        PanelScript* self = s_current;
        CListPanel* panel = CListPanel::Innermost();
        if (self == nullptr || panel == nullptr || panel->Handle() == nullptr || !IsWindowVisible(panel->Handle()))
            return;
        // The last step's click first (a lost one is given up after two seconds).
        if (!ClicksHandled() && ++self->m_waitTicks < 200)
            return;
        self->m_waitTicks = 0;
        g_releasesTaken = g_clicksSent;
        if (self->m_next < self->m_steps.size()) {
            self->m_steps[self->m_next++](*panel);
            self->m_idleTicks = 0;
        } else if (++self->m_idleTicks > 300) {
            EndDialog(panel->Handle(), -1);
        }
    }

    static inline PanelScript* s_current = nullptr;
    std::vector<Step> m_steps;
    size_t m_next = 0;
    int m_idleTicks = 0;
    int m_waitTicks = 0;
    UINT_PTR m_timer = 0;
    HHOOK m_hook = nullptr;
};

POINT CentreOf(HWND hwnd) {
    RECT r = {};
    GetWindowRect(hwnd, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The centre of a row of the panel's list, on the screen.
POINT RowCentre(CListPanel& panel, int row) {
    RECT r = panel.List()->RowRect(row);
    MapWindowPoints(panel.List()->Handle(), nullptr, reinterpret_cast<POINT*>(&r), 2);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Pumps until `done` or the timeout; false on timeout.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!done()) {
        if (GetTickCount64() > end)
            return false;
        FinishClick();
        ctest::Pump();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return true;
}

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

// Writes the pictures of a VSCROLL element.
void WriteScrollBarPictures(const std::wstring& dir) {
    ctest::WriteSolidBmp(dir + L"skins\\sb-tmb.bmp", 12, kThumbHeight, kThumb);
    ctest::WriteSolidBmp(dir + L"skins\\sb-top.bmp", 12, kCap, 0x808080);
    ctest::WriteSolidBmp(dir + L"skins\\sb-bot.bmp", 12, kCap, 0x808080);
    ctest::WriteSolidBmp(dir + L"skins\\sb-aup.bmp", 12, kArrow, 0xC0C0C0);
    ctest::WriteSolidBmp(dir + L"skins\\sb-adn.bmp", 12, kArrow, 0xC0C0C0);
    ctest::WriteSolidBmp(dir + L"skins\\sb-spn.bmp", 12, 8, kSpine);
}

constexpr char kScrollBarXml[] = R"(<VSCROLL><VSBMP_TMB>sb-tmb.bmp</VSBMP_TMB><VSBMP_TOP>sb-top.bmp</VSBMP_TOP>
  <VSBMP_BOT>sb-bot.bmp</VSBMP_BOT><VSBMP_AUP>sb-aup.bmp</VSBMP_AUP><VSBMP_ADN>sb-adn.bmp</VSBMP_ADN>
  <VSBMP_SPN>sb-spn.bmp</VSBMP_SPN></VSCROLL>)";

class ListPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        names::BuildAllNameTables();
        m_dir = ctest::MakeScratchModuleDir(L"lists");
        ctest::WriteSolidBmp(m_dir + L"skins\\l-bg.bmp", 500, 400, 0x101010);
        WriteScrollBarPictures(m_dir);
        const std::string scroll = kScrollBarXml;
        ctest::WriteSkin(m_dir, L"Lists.xml", R"(<?xml version="1.0"?><GUIPANEL><BACKGROUND>l-bg.bmp</BACKGROUND>
<COMBOLIST>
  <COMBO name="BUTTON_ASSNLEFTCLICK" fontclr="WHITE" backclr="BLUE" backclrhi="DARKGREY" bdrclr="RED" bdrwidth="2">
    <CBOX><RECT left="20" top="20" right="180" bottom="22"/></CBOX><CLIST height="110"/>)" +
                                                  scroll + R"(
    <COMBOITEM>$click</COMBOITEM><COMBOITEM> $menu </COMBOITEM><COMBOITEM>$Forward</COMBOITEM>
    <COMBOITEM>$macro</COMBOITEM><COMBOITEM>$profile</COMBOITEM><COMBOITEM>$buttonoff</COMBOITEM>
  </COMBO>
  <COMBO name="LIST_GLOBAL_BASIC_COMMANDS" sorted="1"><CBOX><RECT left="220" top="20" right="150" bottom="22"/></CBOX>
    <COMBOITEM>delta</COMBOITEM><COMBOITEM>Alpha</COMBOITEM><COMBOITEM>charlie</COMBOITEM><COMBOITEM>Bravo</COMBOITEM>
  </COMBO>
</COMBOLIST>
<LISTPANELLIST>
  <LISTPANEL name="LISTPANEL_ASSIGNSUBMENU_MA" bdrwidth="1"><RECT left="0" top="0" right="120" bottom="200"/>)" +
                                                  scroll + R"(
    <LISTPANELITEMS><LISTPANELITEM>M1</LISTPANELITEM><LISTPANELITEM>M2</LISTPANELITEM><LISTPANELITEM>M3</LISTPANELITEM>
    <LISTPANELITEM>M4</LISTPANELITEM><LISTPANELITEM>M5</LISTPANELITEM><LISTPANELITEM>M6</LISTPANELITEM>
    <LISTPANELITEM>M7</LISTPANELITEM><LISTPANELITEM>M8</LISTPANELITEM></LISTPANELITEMS>
  </LISTPANEL>
  <LISTPANEL name="LISTPANEL_ASSIGNSUBMENU_PR" bdrwidth="1"><RECT left="0" top="0" right="120" bottom="200"/>)" +
                                                  scroll + R"(
    <LISTPANELITEMS><LISTPANELITEM>Game</LISTPANELITEM><LISTPANELITEM>Work</LISTPANELITEM>
    <LISTPANELITEM>$click</LISTPANELITEM></LISTPANELITEMS>
  </LISTPANEL>
</LISTPANELLIST>
</GUIPANEL>)");
        m_language.SetId(lang::kFirstLanguage);
        for (auto [key, text] : {std::pair{L"click", L"Left click"}, {L"menu", L"Menu"}, {L"Forward", L"Forward"},
                                 {L"macro", L"Macro"}, {L"profile", L"Profile"}, {L"buttonoff", L"Off"}})
            m_language.AddEntry(key, text);
        lang::Register(&m_language);
        lang::SelectCurrent(lang::kFirstLanguage);

        m_panel = std::make_unique<ctest::RecordingPanel>(L"Lists.xml", 0, nullptr);
        m_panel->filter = [](UINT m) { return m >= 0x500 && m < 0x700; };
        HWND hwnd = m_panel->Create();
        ASSERT_NE(hwnd, nullptr);
        ctest::ShowAndActivate(hwnd);
        m_box = m_panel->FindItemAs<CDropdownListItem>(ctl::BUTTON_ASSNLEFTCLICK, kItemDropdown);
        m_sorted = m_panel->FindItemAs<CDropdownListItem>(ctl::LIST_GLOBAL_BASIC_COMMANDS, kItemDropdown);
        m_macros = m_panel->FindItemAs<CListPanelItem>(ctl::LISTPANEL_ASSIGNSUBMENU_MA, kItemListPanel);
        m_profiles = m_panel->FindItemAs<CListPanelItem>(ctl::LISTPANEL_ASSIGNSUBMENU_PR, kItemListPanel);
        ASSERT_TRUE(m_box && m_sorted && m_macros && m_profiles);
        // The assign page's way: "$macro" and "$profile" open the name lists.
        m_box->ClearEntries();
        for (const wchar_t* text : {L"$click", L"$menu", L"$Forward"})
            m_box->AddEntry(text);
        m_box->AddEntry(L"$macro", m_macros);
        m_box->AddEntry(L"$profile", m_profiles);
        m_box->AddEntry(L"$buttonoff");
        m_panel->seen.clear();
    }

    void TearDown() override {
        m_panel.reset();
        lang::ClearRegister();
        ctest::RemoveScratchDir(m_dir);
    }

    LPARAM BoxParam(const CDropdownListItem* box) const { return reinterpret_cast<LPARAM>(box->Handle()); }

    // A real click on the box; pumps until the box announced its list and
    // the list closed (the list runs inside the pump, as the press's answer).
    // Clicks that follow each other quickly on the box are placed apart, so
    // that they do not make a double click (which opens nothing).
    void ClickBox(CDropdownListItem* box) {
        const size_t before = m_panel->seen.size();
        g_releasesTaken = g_clicksSent;
        POINT at = CentreOf(box->Handle());
        at.x += (m_boxClicks++ % 5) * 12 - 24;
        ClickAt(at);
        const bool came = PumpUntil([&] { return m_panel->seen.size() > before; }, 3000);
        EXPECT_TRUE(came) << "the press never came";
        EXPECT_EQ(CListPanel::Innermost(), nullptr) << "the list stayed open";
        EXPECT_FALSE(box->IsDropped());
    }

    std::wstring m_dir;
    CLangTable m_language;
    std::unique_ptr<ctest::RecordingPanel> m_panel;
    CDropdownListItem* m_box = nullptr;
    CDropdownListItem* m_sorted = nullptr;
    CListPanelItem* m_macros = nullptr;
    CListPanelItem* m_profiles = nullptr;
    int m_boxClicks = 0;
};

TEST_F(ListPanelTest, SkinMakesBoxesAndMenusWithTheirEntriesAndLooks) {
    EXPECT_EQ(m_sorted->EntryCount(), 4);
    EXPECT_EQ(m_sorted->EntryText(1), L"Alpha");
    EXPECT_TRUE(m_sorted->GetLook().list.sorted);
    EXPECT_EQ(m_box->GetLook().listHeight, 110);
    EXPECT_EQ(m_box->GetLook().list.borderWidth, 2);
    EXPECT_EQ(m_box->GetLook().list.scrollBar.Width(), 12);
    EXPECT_EQ(m_macros->EntryCount(), 8);
    EXPECT_EQ(m_macros->Width(), 120);
    EXPECT_EQ(m_macros->Window(), nullptr) << "a list panel item has no window";
    // Trimmed entry texts, as given in the file.
    ItemList reread;
    skin::LoadSkinFile(L"Lists.xml", reread, m_panel->Handle(), m_panel.get());
    auto* fresh = dynamic_cast<CDropdownListItem*>(FindItem(reread, ctl::BUTTON_ASSNLEFTCLICK, kItemDropdown));
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->EntryText(1), L"$menu");

    // The face: background, the frame of two pixels, the text, the arrow.
    m_box->SelectEntry(0);
    ctest::Capture face(m_box->Handle());
    EXPECT_EQ(face.At(1, 10), kBoxBorder);
    EXPECT_EQ(face.At(90, 20), kBoxBorder) << "bottom edge while closed";
    EXPECT_EQ(face.At(150, 3), kBoxBackground);
    EXPECT_GT(face.Count(0xFFFFFF, 40), 20) << "the text and arrow in white";
    EXPECT_EQ(face.At(164, 8), 0xFFFFFFu) << "the arrow's top row, 9 wide";
    EXPECT_EQ(face.At(172, 8), 0xFFFFFFu);
    EXPECT_EQ(face.At(168, 12), 0xFFFFFFu) << "its tip, 5 rows down";
    EXPECT_EQ(face.At(167, 12), kBoxBackground);
    m_box->SetDisabled(true);
    EXPECT_EQ(ctest::Capture(m_box->Handle()).At(150, 3), ctest::Rgb(m_box->GetLook().disabledBackground));
}

TEST_F(ListPanelTest, ClickOpensTheListBelowTheBoxAndAChoiceIsReported) {
    RECT box = {};
    GetWindowRect(m_box->Handle(), &box);
    RECT opened = {};
    bool droppedWhileOpen = false;
    uint32_t bottomEdgeWhileOpen = 0;
    int rowHeight = 0;
    PanelScript script({[&](CListPanel& panel) {
                            opened = panel.ScreenRect();
                            const RECT row = panel.List()->RowRect(0);
                            rowHeight = row.bottom - row.top;
                            droppedWhileOpen = m_box->IsDropped();
                            bottomEdgeWhileOpen = ctest::Capture(m_box->Handle()).At(90, 20);
                            ClickAt(RowCentre(panel, 2));
                        }});
    ClickBox(m_box);
    EXPECT_EQ(script.StepsRun(), 1u);
    EXPECT_EQ(opened.left, box.left);
    EXPECT_EQ(opened.top, box.bottom);
    EXPECT_EQ(opened.right - opened.left, box.right - box.left);
    EXPECT_EQ(opened.bottom - opened.top, 110);
    EXPECT_EQ(rowHeight, controls::kListRowHeight);
    EXPECT_TRUE(droppedWhileOpen);
    EXPECT_EQ(bottomEdgeWhileOpen, kBoxBackground) << "open, the box runs on into its list";
    ctest::ExpectSequence(m_panel->seen,
                          {{kOpening, 0, BoxParam(m_box), ctest::kBoth}, {kChosen, 2, BoxParam(m_box), ctest::kBoth}},
                          "click and choice");
    EXPECT_EQ(m_box->Text(), L"$Forward");
    EXPECT_EQ(m_box->SelectedIndex(), 2);
    EXPECT_EQ(m_box->DisplayText(), L"Forward");
}

TEST_F(ListPanelTest, EveryWayOutWithoutAChoiceSendsNothingAfterTheOpening) {
    m_box->SelectEntry(0);
    RECT own = {};
    GetWindowRect(m_panel->Handle(), &own);
    const POINT outside = {own.right - 10, own.bottom - 10};
    // A window of another kind that the user may switch to.
    HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 600, 600, 50, 50, nullptr, nullptr,
                                 nullptr, nullptr);
    const std::vector<std::pair<const char*, PanelScript::Step>> ways = {
        {"another window taken to the front", [&](CListPanel&) { SetForegroundWindow(other); }},
        {"press outside", [&](CListPanel&) { ClickAt(outside); }},
        {"right press on a row", [&](CListPanel& panel) { ClickAt(RowCentre(panel, 1), true); }},
        {"Escape",
         [&](CListPanel& panel) {
             PostMessageW(panel.List()->Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
         }},
    };
    for (const auto& [what, step] : ways) {
        ctest::ShowAndActivate(m_panel->Handle());
        m_panel->seen.clear();
        PanelScript script({step});
        ClickBox(m_box);
        EXPECT_EQ(script.StepsRun(), 1u) << what;
        ctest::ExpectSequence(m_panel->seen, {{kOpening, 0, BoxParam(m_box), ctest::kBoth}}, what);
        EXPECT_EQ(m_box->DisplayText(), L"Left click") << what;
    }
    DestroyWindow(other);
    // The item's own answer, without a box around it.
    PanelScript script({[&](CListPanel&) { ClickAt(outside); }});
    EXPECT_EQ(m_profiles->Show(m_panel->Handle(), POINT{40, 40}), -1);
    EXPECT_EQ(m_profiles->ChosenText(), L"");
}

TEST_F(ListPanelTest, SubListOpensBesideItsRowAndTheBoxShowsEntryAndSubEntry) {
    // Eight macros: five rows high, with its scroll bar; the third chosen.
    RECT outer = {};
    RECT inner = {};
    int innerRows = 0;
    bool innerBar = false;
    PanelScript macros({[&](CListPanel& panel) {
                            outer = panel.ScreenRect();
                            ClickAt(RowCentre(panel, 3));  // "$macro"
                        },
                        [&](CListPanel& panel) {
                            inner = panel.ScreenRect();
                            innerRows = panel.List()->VisibleRows();
                            innerBar = panel.List()->ScrollBar() != nullptr;
                            ClickAt(RowCentre(panel, 2));
                        }});
    ClickBox(m_box);
    EXPECT_EQ(macros.StepsRun(), 2u);
    EXPECT_EQ(inner.bottom - inner.top, controls::ListPanelHeight(5, 1));
    EXPECT_EQ(innerRows, 5);
    EXPECT_TRUE(innerBar);
    EXPECT_EQ(inner.left, outer.right) << "right of the list it opened from";
    ctest::ExpectSequence(m_panel->seen,
                          {{kOpening, 0, BoxParam(m_box), ctest::kBoth}, {kChosen, 3, BoxParam(m_box), ctest::kBoth}},
                          "macro chosen");
    EXPECT_EQ(m_box->DisplayText(), L"Macro: M3");
    EXPECT_EQ(m_box->SecondText(), L"M3");
    EXPECT_EQ(m_macros->ChosenText(), L"M3");

    // Three profiles: three rows, no scroll bar; a key among the names is
    // shown resolved and handed back as written.
    m_panel->seen.clear();
    PanelScript profiles({[&](CListPanel& panel) { ClickAt(RowCentre(panel, 4)); },
                          [&](CListPanel& panel) {
                              inner = panel.ScreenRect();
                              innerRows = panel.List()->VisibleRows();
                              innerBar = panel.List()->ScrollBar() != nullptr;
                              ClickAt(RowCentre(panel, 2));
                          }});
    ClickBox(m_box);
    EXPECT_EQ(inner.bottom - inner.top, controls::ListPanelHeight(3, 1));
    EXPECT_EQ(innerRows, 3);
    EXPECT_FALSE(innerBar);
    EXPECT_EQ(m_box->DisplayText(), L"Profile: $click");
    EXPECT_EQ(m_profiles->ChosenText(), L"$click");

    // A sub-list closed without a choice chooses nothing, not even its entry.
    m_panel->seen.clear();
    PanelScript cancelled({[&](CListPanel& panel) { ClickAt(RowCentre(panel, 3)); },
                           [&](CListPanel& panel) { ClickAt(RowCentre(panel, 0), true); }});
    ClickBox(m_box);
    EXPECT_EQ(cancelled.StepsRun(), 2u);
    ctest::ExpectSequence(m_panel->seen, {{kOpening, 0, BoxParam(m_box), ctest::kBoth}}, "sub-list cancelled");
    EXPECT_EQ(m_box->DisplayText(), L"Profile: $click");
}

TEST_F(ListPanelTest, SortedListShowsAlphabeticallyAndAnswersTheIndexAsAdded) {
    std::vector<int> shown;
    PanelScript script({[&](CListPanel& panel) {
        for (int row = 0; row < panel.List()->RowCount(); ++row)
            shown.push_back(panel.List()->EntryAt(row));
        ClickAt(RowCentre(panel, 0));
    }});
    ClickBox(m_sorted);
    EXPECT_EQ(shown, (std::vector<int>{1, 3, 2, 0})) << "Alpha, Bravo, charlie, delta";
    ctest::ExpectSequence(m_panel->seen,
                          {{kOpening, 0, BoxParam(m_sorted), ctest::kBoth},
                           {kChosen, 1, BoxParam(m_sorted), ctest::kBoth}},
                          "first row of a sorted list");
    EXPECT_EQ(m_sorted->Text(), L"Alpha");

    // From the keyboard: typing picks the row that starts so, Enter chooses it.
    m_panel->seen.clear();
    PanelScript keys({[&](CListPanel& panel) {
        HWND list = panel.List()->Handle();
        PostMessageW(list, WM_KEYDOWN, 'C', 1);
        PostMessageW(list, WM_CHAR, L'c', 1);
        PostMessageW(list, WM_KEYUP, 'C', 0xC0000001);
        PostMessageW(list, WM_KEYDOWN, VK_RETURN, 1);
        PostMessageW(list, WM_KEYUP, VK_RETURN, 0xC0000001);
    }});
    ClickBox(m_sorted);
    ctest::ExpectSequence(m_panel->seen,
                          {{kOpening, 0, BoxParam(m_sorted), ctest::kBoth},
                           {kChosen, 2, BoxParam(m_sorted), ctest::kBoth}},
                          "typed c, then Enter");
    EXPECT_EQ(m_sorted->Text(), L"charlie");
}

TEST_F(ListPanelTest, DisabledBoxOpensNothing) {
    m_box->SetDisabled(true);
    bool opened = false;
    PanelScript script({[&](CListPanel& panel) {
        opened = true;
        EndDialog(panel.Handle(), -1);
    }});
    // The press reaches the box, which answers nothing.
    HHOOK hook = SetWindowsHookExW(WH_MOUSE, CountReleases, nullptr, GetCurrentThreadId());
    g_releasesTaken = g_clicksSent;
    ClickAt(CentreOf(m_box->Handle()));
    EXPECT_TRUE(PumpUntil(ClicksHandled, 3000));
    UnhookWindowsHookEx(hook);
    PumpFor(300);
    EXPECT_FALSE(opened);
    EXPECT_TRUE(m_panel->seen.empty());
    m_box->SetDisabled(false);
    EXPECT_EQ(m_box->Open(), -1) << "nothing opens before the script ends it";
    EXPECT_TRUE(opened);
}

// --- the scroll bar --------------------------------------------------------------

// A window with a platform scroll range that records the scroll requests it
// gets and moves as a list would.
class Companion : public win::Window {
public:
    std::vector<WORD> codes;

    HWND Make(HWND parent) {
        RegisterClass(L"TarnTestScrollCompanion");
        HWND hwnd = Create(0, L"TarnTestScrollCompanion", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL,
                           RECT{10, 10, 200, 210}, parent);
        SetPosition(0);
        return hwnd;
    }
    void SetPosition(int pos) {
        SCROLLINFO info = {sizeof(info), SIF_ALL, 0, 99, 10, pos, 0};
        SetScrollInfo(Handle(), SB_VERT, &info, FALSE);
    }
    int Position() const { return GetScrollPos(Handle(), SB_VERT); }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != WM_VSCROLL)
            return Default(message, wParam, lParam);
        const WORD code = LOWORD(wParam);
        codes.push_back(code);
        const int step = code == SB_LINEUP ? -1 : code == SB_LINEDOWN ? 1 : code == SB_PAGEUP ? -10 : 10;
        SetPosition(std::clamp(Position() + step, 0, 90));
        return 0;
    }
};

class ScrollBarTest : public ListPanelTest {
protected:
    void SetUp() override {
        ListPanelTest::SetUp();
        m_companionWindow = m_companion.Make(m_panel->Handle());
        controls::ScrollBarPictures pictures{skin::LoadPicture(L"sb-tmb.bmp"), skin::LoadPicture(L"sb-top.bmp"),
                                             skin::LoadPicture(L"sb-bot.bmp"), skin::LoadPicture(L"sb-aup.bmp"),
                                             skin::LoadPicture(L"sb-adn.bmp"), skin::LoadPicture(L"sb-spn.bmp")};
        ASSERT_TRUE(m_bar.Create(m_companionWindow, m_panel->Handle(), RECT{300, 100, 312, 300}, pictures, 0));
    }

    // Press and release at bar y positions, as the list forwards them.
    void Press(int y, int releaseY) {
        SendMessageW(m_bar.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, y));
        SendMessageW(m_bar.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, releaseY));
        ctest::Pump();
    }

    Companion m_companion;
    HWND m_companionWindow = nullptr;
    CVScrollBar m_bar;
};

TEST_F(ScrollBarTest, ArrowsSpineAndThumbScrollTheCompanion) {
    // 200 high: track = 200 - 4 - 12 - 20 - 12 - 4 = 148 over positions 0..90.
    const controls::ScrollBarMetrics m = m_bar.Metrics();
    EXPECT_EQ(m.Track(), 148);
    EXPECT_EQ(m_bar.ThumbTop(), 16);
    Press(5, 5);        // up arrow
    Press(195, 195);    // down arrow
    Press(150, 150);    // spine below the thumb
    Press(20, 20);      // spine above the thumb (now at position 11)
    Press(195, 100);    // down arrow, released on the spine: nothing
    EXPECT_EQ(m_companion.codes, (std::vector<WORD>{SB_LINEUP, SB_LINEDOWN, SB_PAGEDOWN, SB_PAGEUP}));
    EXPECT_EQ(m_bar.ThumbTop(), controls::ThumbTopFor(m, {0, 99, 10, 1}));

    // Dragging the thumb's centre 37 pixels down: to position 23 from 0, as
    // two pages and three lines.
    m_companion.SetPosition(0);
    m_bar.Update();
    m_companion.codes.clear();
    SetCapture(m_companionWindow);
    SendMessageW(m_bar.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 26));
    SendMessageW(m_bar.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 26 + 37));
    EXPECT_TRUE(m_bar.IsDragging());
    EXPECT_EQ(m_bar.ThumbTop(), 16 + 37) << "the thumb follows the pointer";
    SendMessageW(m_bar.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 26 + 37));
    ctest::Pump();
    EXPECT_EQ(m_companion.codes,
              (std::vector<WORD>{SB_PAGEDOWN, SB_PAGEDOWN, SB_LINEDOWN, SB_LINEDOWN, SB_LINEDOWN}));
    EXPECT_EQ(m_companion.Position(), 23);
    EXPECT_EQ(GetCapture(), m_companionWindow) << "the companion gets its capture back";
    EXPECT_EQ(m_bar.ThumbTop(), 16 + 148 * 23 / 90) << "re-read once the companion moved";
    ctest::Capture drawn(m_bar.Handle());
    EXPECT_EQ(drawn.At(6, m_bar.ThumbTop() + 10), kThumb);
    EXPECT_EQ(drawn.At(6, 150), kSpine);
    ReleaseCapture();
}

TEST_F(ScrollBarTest, HeldArrowRepeatsOnlyAfterItsDelayAndWhileOnTheArrow) {
    const ULONGLONG start = GetTickCount64();
    SendMessageW(m_bar.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 195));
    PumpUntil([&] { return GetTickCount64() - start >= 150; }, 1000);
    EXPECT_TRUE(m_companion.codes.empty()) << "no repeat before the delay";
    PumpUntil([&] { return m_companion.codes.size() >= 3; }, 2000);
    EXPECT_EQ(m_companion.codes, (std::vector<WORD>(m_companion.codes.size(), SB_LINEDOWN)));
    EXPECT_GE(m_companion.codes.size(), 3u);
    // Off the arrow, the repeats stop; released there, nothing more.
    SendMessageW(m_bar.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 100));
    ctest::Pump();
    const size_t held = m_companion.codes.size();
    PumpFor(200);
    SendMessageW(m_bar.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 100));
    ctest::Pump();
    EXPECT_EQ(m_companion.codes.size(), held);
    EXPECT_EQ(GetCapture(), nullptr) << "no one had the capture before";
}

// --- placement ---------------------------------------------------------------------

TEST(ListPanelPlacement, OpensBesideItsAnchorFlipsAtTheEdgesAndStaysOnTheWorkArea) {
    using controls::ListPanelOpening;
    using popups::PlaceListPanel;
    const RECT work = {0, 0, 1024, 740};
    auto same = [](const RECT& a, const RECT& b) {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    };
    const RECT box = {100, 100, 260, 122};
    EXPECT_TRUE(same(PlaceListPanel(box, ListPanelOpening::kBelow, {160, 100}, work), {100, 122, 260, 222}));
    // Near the bottom: above the box; near the right: right-aligned with it.
    const RECT low = {900, 700, 1000, 722};
    EXPECT_TRUE(same(PlaceListPanel(low, ListPanelOpening::kBelow, {160, 100}, work), {840, 600, 1000, 700}));
    // Room on neither side: the larger side, cut to it.
    const RECT middle = {100, 300, 260, 322};
    EXPECT_TRUE(same(PlaceListPanel(middle, ListPanelOpening::kBelow, {160, 600}, work), {100, 322, 260, 740}));
    // A sub-list near the right edge opens left of its row's panel, and near
    // the bottom ends with its row.
    const RECT row = {800, 720, 1000, 738};
    EXPECT_TRUE(same(PlaceListPanel(row, ListPanelOpening::kBeside, {120, 92}, work), {680, 646, 800, 738}));
    // Larger than the screen: within it.
    EXPECT_TRUE(same(PlaceListPanel({500, 500, 500, 500}, ListPanelOpening::kAtPoint, {3000, 5000}, work), work));
    EXPECT_TRUE(same(PlaceListPanel({-5000, -5000, -5000, -5000}, ListPanelOpening::kAtPoint, {100, 100}, work),
                     {0, 0, 100, 100}));
}

// --- bad input -----------------------------------------------------------------------

TEST_F(ListPanelTest, BadInputNeverBreaksTheBoxOrTheList) {
    // Indices outside the list.
    m_box->SelectEntry(1);
    EXPECT_EQ(m_box->EntryText(-1), L"");
    EXPECT_EQ(m_box->EntryText(99), L"");
    EXPECT_FALSE(m_box->SelectEntry(99));
    EXPECT_FALSE(m_box->SelectEntry(-1, L"x"));
    EXPECT_EQ(m_box->Text(), L"$menu");
    EXPECT_EQ(m_box->InsertEntry(99, L"late"), -1);
    EXPECT_EQ(m_box->InsertEntry(6, L"last"), 6);
    EXPECT_EQ(m_box->FindEntry(L"$MENU"), -1) << "letter case counts";
    EXPECT_EQ(m_macros->EntryText(8), L"");

    // An empty list: the opening is announced (the parent may fill it), then nothing.
    m_box->ClearEntries();
    m_panel->seen.clear();
    EXPECT_EQ(m_box->Open(), -1);
    ctest::ExpectSequence(m_panel->seen, {{kOpening, 0, BoxParam(m_box), ctest::kBoth}}, "empty list");
    CListPanelItem empty;
    EXPECT_EQ(empty.Show(m_panel->Handle(), POINT{10, 10}), -1);

    // 10,000 entries, one of them 10,000 characters long: End, then the last row.
    const std::wstring longText(10000, L'W');
    for (int i = 0; i < 10000; ++i)
        m_box->AddEntry(i == 9999 ? longText : L"Entry " + std::to_wstring(i));
    m_box->SelectEntry(9999);
    EXPECT_EQ(m_box->DisplayText().size(), 10000u);
    EXPECT_GT(ctest::Capture(m_box->Handle()).Count(0xFFFFFF, 40), 20);
    m_panel->seen.clear();
    int lastRow = -1;
    int thumbBottom = 0;
    PanelScript script({[&](CListPanel& panel) { PostMessageW(panel.List()->Handle(), WM_KEYDOWN, VK_END, 1); },
                        [&](CListPanel& panel) {
                            CListPanelList* list = panel.List();
                            lastRow = list->TopRow() + list->VisibleRows() - 1;
                            thumbBottom = list->ScrollBar()->ThumbTop() + kThumbHeight;
                            ClickAt(RowCentre(panel, lastRow));
                        }});
    ClickBox(m_box);
    EXPECT_EQ(lastRow, 9999);
    EXPECT_EQ(thumbBottom, 110 - 2 - kCap - kArrow) << "the thumb at the bottom of its track";
    ctest::ExpectSequence(m_panel->seen,
                          {{kOpening, 0, BoxParam(m_box), ctest::kBoth}, {kChosen, 9999, BoxParam(m_box), ctest::kBoth}},
                          "last of 10,000");

    // A menu larger than the screen opens within the work area.
    MONITORINFO monitor = {sizeof(monitor)};
    GetMonitorInfoW(MonitorFromWindow(m_panel->Handle(), MONITOR_DEFAULTTONEAREST), &monitor);
    CListPanelItem huge;
    huge.SetSize(5000, 9000);
    for (int i = 0; i < 1000; ++i)
        huge.AddEntry(L"$click");
    RECT placed = {};
    PanelScript hugeScript({[&](CListPanel& panel) {
        placed = panel.ScreenRect();
        ClickAt(RowCentre(panel, 4));
    }});
    EXPECT_EQ(huge.Show(m_panel->Handle(), POINT{300, 300}), 4);
    EXPECT_EQ(huge.ChosenText(), L"$click");
    EXPECT_GE(placed.left, monitor.rcWork.left);
    EXPECT_GE(placed.top, monitor.rcWork.top);
    EXPECT_LE(placed.right, monitor.rcWork.right);
    EXPECT_LE(placed.bottom, monitor.rcWork.bottom);
}

TEST_F(ListPanelTest, OpeningAndClosingLeavesNoGdiObjectsBehind) {
    auto cycle = [&] {
        // The macro list, two lines down by its scroll bar's arrow, the 7th.
        auto downArrow = [](CListPanel& panel) {
            RECT bar = {};
            GetWindowRect(panel.List()->ScrollBar()->Handle(), &bar);
            ClickAt(POINT{(bar.left + bar.right) / 2, bar.bottom - kCap - kArrow / 2});
        };
        PanelScript script({[&](CListPanel& panel) { ClickAt(RowCentre(panel, 3)); }, downArrow, downArrow,
                            [&](CListPanel& panel) { ClickAt(RowCentre(panel, 6)); }});
        ClickBox(m_box);
    };
    cycle();  // the first opening loads what stays loaded
    const int before = win::GdiObjectCount();
    for (int i = 0; i < 5; ++i)
        cycle();
    if (before >= 0) {
        EXPECT_EQ(win::GdiObjectCount(), before);
    }
    EXPECT_EQ(m_box->DisplayText(), L"Macro: M7") << "a row scrolled into view by the scroll bar's arrow";
}

}  // namespace
