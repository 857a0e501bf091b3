// Skinned report lists in a real panel, driven by real mouse clicks and key
// presses: what the panel receives for check boxes (with the 6-pixel hit
// area and the header's check box), in-place edits, double clicks, program
// cells with the file dialog, the right-click menu and drop-down cells; and
// the list's answer to absurd input.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "control_support.h"
#include "controls/ListPanelItem.h"
#include "controls/XListCtrl.h"
#include "popups/ListPanel.h"
#include "popups/ListPanelList.h"
#include "skin/ControlIds.h"
#include "skin/NameTables.h"
#include "skin/SkinLoader.h"
#include "win/Gdi.h"

namespace {

using controls::LCITEM_AUTOSWITCH;
using controls::LCITEM_MCREVENT_DESCRIP;
using controls::LCITEM_MCREVENT_ICON;
using controls::LCITEM_PROFILEEXE;
using controls::LCITEM_PROFILEID;
using controls::LCITEM_PROFILENAME;

constexpr uint32_t kUncheckedColour = 0x3050F0;  // checkbox3.bmp
constexpr uint32_t kCheckedColour = 0xF05030;    // checkbox4.bmp

// Whether a cell of a capture shows the whole 13 x 13 picture, centred, as
// the process's resource cache holds it (a test that ran earlier may have
// loaded the shipped check boxes under the same names).
bool ShowsPicture(const ctest::Capture& capture, const RECT& cell, const wchar_t* name) {
    HBITMAP picture = skin::LoadPicture(name);
    win::UniqueDC dc(CreateCompatibleDC(nullptr));
    if (picture == nullptr || !dc)
        return false;
    win::SelectGuard select(dc.get(), picture);
    const int left = cell.left + (cell.right - cell.left - 13) / 2;
    const int top = cell.top + (cell.bottom - cell.top - 13) / 2;
    for (int y = 0; y < 13; ++y) {
        for (int x = 0; x < 13; ++x) {
            if (capture.At(left + x, top + y) != ctest::Rgb(GetPixel(dc.get(), x, y)))
                return false;
        }
    }
    return true;
}

// --- what the panel receives -------------------------------------------------------

// One message of a list as a line: "52E row 3 col 3 state 1". Records are
// read while the message is handled, as a page must.
std::string Describe(UINT message, WPARAM wParam, LPARAM lParam) {
    char line[512];
    if (message == WMU_LIST_LBUTTONDOWN) {
        snprintf(line, sizeof line, "5FC row %d", static_cast<int>(static_cast<int32_t>(wParam)));
        return line;
    }
    const auto* record = reinterpret_cast<const ListNotify*>(lParam);
    std::string what;
    if (message == WMU_LIST_CHECKCHANGED) {
        what = " state " + std::to_string(*static_cast<const uint8_t*>(record->data));
    } else if (record->data != nullptr) {
        const auto* text = static_cast<const wchar_t*>(record->data);
        int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
        std::string utf8(static_cast<size_t>(size > 0 ? size - 1 : 0), '\0');
        WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
        what = " \"" + utf8 + "\"";
    }
    snprintf(line, sizeof line, "%X row %d col %d%s", message, record->rowId, record->column, what.c_str());
    return line;
}

bool IsListMessage(UINT message) {
    return message == WMU_LIST_LBUTTONDOWN || message == WMU_LIST_TEXTCHANGED ||
           message == WMU_LIST_PROGRAMCHANGED || message == WMU_LIST_CHECKCHANGED ||
           message == WMU_LIST_DBLCLICK || message == WMU_LIST_MENUCHOICE;
}

class ListPanel : public ctest::RecordingPanel {
public:
    using ctest::RecordingPanel::RecordingPanel;
    std::vector<std::string> heard;
    // Runs after a message was written down, as a page's handler would.
    std::function<void(UINT)> onMessage;

protected:
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        if (IsListMessage(message)) {
            heard.push_back(Describe(message, wParam, lParam));
            // Every message but 0x5FC names the list in wParam.
            if (message != WMU_LIST_LBUTTONDOWN && FindItemByWindow(reinterpret_cast<HWND>(wParam)) == nullptr)
                heard.back() += " (wParam is not the list)";
            if (onMessage)
                onMessage(message);
        }
        return ctest::RecordingPanel::HandleMessage(message, wParam, lParam, result);
    }
};

using Lines = std::vector<std::string>;

// --- real input --------------------------------------------------------------------------

void Settle(int rounds = 6) {
    for (int i = 0; i < rounds; ++i) {
        ctest::Pump();
        Sleep(15);
    }
}

void MoveTo(HWND hwnd, POINT client) {
    ClientToScreen(hwnd, &client);
    SetCursorPos(client.x, client.y);
    Settle(2);
}

// Button events that carry their own position (absolute, on the primary
// screen), so that no late pointer motion can move a press.
void Buttons(HWND hwnd, POINT client, std::initializer_list<DWORD> flags) {
    MoveTo(hwnd, client);
    POINT screen = client;
    ClientToScreen(hwnd, &screen);
    const int64_t width = GetSystemMetrics(SM_CXSCREEN);
    const int64_t height = GetSystemMetrics(SM_CYSCREEN);
    // The smallest normalised value that maps back to the pixel itself.
    const LONG dx = static_cast<LONG>((screen.x * 65536 + width - 1) / width);
    const LONG dy = static_cast<LONG>((screen.y * 65536 + height - 1) / height);
    std::vector<INPUT> inputs;
    for (DWORD flag : flags) {
        INPUT in = {};
        in.type = INPUT_MOUSE;
        in.mi.dx = dx;
        in.mi.dy = dy;
        in.mi.dwFlags = flag | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        inputs.push_back(in);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Settle();
}

void Click(HWND hwnd, POINT client) {
    Buttons(hwnd, client, {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP});
}

void DoubleClick(HWND hwnd, POINT client) {
    Buttons(hwnd, client, {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP});
}

void RightClick(HWND hwnd, POINT client) {
    Buttons(hwnd, client, {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP});
}

void Type(const std::vector<WORD>& keys) {
    std::vector<INPUT> inputs;
    for (WORD vk : keys) {
        for (bool up : {false, true}) {
            INPUT in = {};
            in.type = INPUT_KEYBOARD;
            in.ki.wVk = vk;
            in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
            in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
            inputs.push_back(in);
        }
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Settle();
}

POINT Centre(const RECT& r, int dx = 0, int dy = 0) {
    return POINT{r.left + (r.right - r.left) / 2 + dx, r.top + (r.bottom - r.top) / 2 + dy};
}

// --- the platform's file dialog -----------------------------------------------------------

// Finds the file dialog the list opens and acts on it from a timer, as a
// user would: types a file name and presses Open, or cancels.
class FileDialogScript {
public:
    explicit FileDialogScript(std::wstring typedPath) : m_path(std::move(typedPath)) {
        s_current = this;
        m_timer = SetTimer(nullptr, 0, 50, Tick);
    }
    FileDialogScript(const FileDialogScript&) = delete;
    FileDialogScript& operator=(const FileDialogScript&) = delete;
    ~FileDialogScript() {
        KillTimer(nullptr, m_timer);
        s_current = nullptr;
    }
    bool Seen() const { return m_seen; }

private:
    // The file dialog, known by its file name box (a list panel is a dialog
    // too).
    static BOOL CALLBACK FindDialog(HWND hwnd, LPARAM found) {
        wchar_t name[16] = {};
        GetClassNameW(hwnd, name, 16);
        if (wcscmp(name, L"#32770") == 0 && IsWindowVisible(hwnd) &&
            (GetDlgItem(hwnd, 0x47C) != nullptr || GetDlgItem(hwnd, 0x480) != nullptr)) {
            *reinterpret_cast<HWND*>(found) = hwnd;
            return FALSE;
        }
        return TRUE;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        FileDialogScript* self = s_current;
        HWND dialog = nullptr;
        if (self == nullptr || self->m_seen)
            return;
        EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
        if (dialog == nullptr)
            return;
        self->m_seen = true;
        if (self->m_path.empty()) {
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        // The file name box of the dialog (a combo box, or a plain edit).
        HWND name = GetDlgItem(dialog, 0x47C);
        if (name == nullptr)
            name = GetDlgItem(dialog, 0x480);
        SetWindowTextW(name, self->m_path.c_str());
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    }

    static inline FileDialogScript* s_current = nullptr;
    std::wstring m_path;
    UINT_PTR m_timer = 0;
    bool m_seen = false;
};

// --- the right-click menu -----------------------------------------------------------------

// Acts on the list panel that opens next, as a user would: moves the pointer
// onto a row and clicks it, or clicks beside the panel (row -1). A panel
// still open two seconds after the click is ended, so a broken test fails
// rather than hangs.
class MenuScript {
public:
    explicit MenuScript(int row) : m_row(row) {
        s_current = this;
        m_timer = SetTimer(nullptr, 0, 20, Tick);
    }
    MenuScript(const MenuScript&) = delete;
    MenuScript& operator=(const MenuScript&) = delete;
    ~MenuScript() {
        KillTimer(nullptr, m_timer);
        s_current = nullptr;
    }
    bool Seen() const { return m_panel != nullptr; }
    // Where the panel stood on the screen.
    const RECT& Opened() const { return m_opened; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        MenuScript* self = s_current;
        CListPanel* panel = CListPanel::Innermost();
        if (self == nullptr || panel == nullptr || panel->Handle() == nullptr || !IsWindowVisible(panel->Handle()))
            return;
        if (self->m_panel == nullptr) {
            self->m_panel = panel;
            self->m_opened = panel->ScreenRect();
            if (self->m_row >= 0 && panel->List() != nullptr) {
                RECT row = panel->List()->RowRect(self->m_row);
                MapWindowPoints(panel->List()->Handle(), nullptr, reinterpret_cast<POINT*>(&row), 2);
                self->m_target = Centre(row);
            } else {
                self->m_target = POINT{self->m_opened.right + 40, self->m_opened.top + 5};
            }
            SetCursorPos(self->m_target.x, self->m_target.y);  // the row under the pointer is the hot one
            return;
        }
        if (self->m_clicked) {
            if (++self->m_ticksSinceClick > 100)
                EndDialog(panel->Handle(), -1);
            return;
        }
        self->m_clicked = true;
        SendClick(self->m_target);
    }
    static void SendClick(POINT screen) {
        const int64_t width = GetSystemMetrics(SM_CXSCREEN);
        const int64_t height = GetSystemMetrics(SM_CYSCREEN);
        INPUT inputs[2] = {};
        for (INPUT& in : inputs) {
            in.type = INPUT_MOUSE;
            in.mi.dx = static_cast<LONG>((screen.x * 65536 + width - 1) / width);
            in.mi.dy = static_cast<LONG>((screen.y * 65536 + height - 1) / height);
        }
        inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        SendInput(2, inputs, sizeof(INPUT));
    }

    static inline MenuScript* s_current = nullptr;
    int m_row;
    UINT_PTR m_timer = 0;
    CListPanel* m_panel = nullptr;
    RECT m_opened = {};
    POINT m_target = {};
    bool m_clicked = false;
    int m_ticksSinceClick = 0;
};

// --- the fixture ---------------------------------------------------------------------------

class ListTest : public ::testing::Test {
protected:
    void SetUp() override {
        names::BuildAllNameTables();
        m_dir = ctest::MakeScratchModuleDir(L"list");
        ctest::WriteSolidBmp(m_dir + L"skins\\list-bg.bmp", 640, 420, 0x101010);
        ctest::WriteSolidBmp(m_dir + L"skins\\checkbox3.bmp", 13, 13, kUncheckedColour);
        ctest::WriteSolidBmp(m_dir + L"skins\\checkbox4.bmp", 13, 13, kCheckedColour);
        ctest::WriteSkin(m_dir, L"Lists.xml", R"(<?xml version="1.0"?>
<GUIPANEL><BACKGROUND>list-bg.bmp</BACKGROUND>
<COMBOLIST>
  <LISTCTRL name="LIST_PROFILELIST" fontclr="WHITE" fontclrhi="BLACK" backclr="BLACK2" backclrhi="GREEN" bdrclr="MIDGREY">
    <RECT left="10" top="10" right="500" bottom="160"/>
    <LISTHDR backclr="DARKGREY" fontclr="RED"/>
    <LISTCOLUMN name="LCITEM_PROFILEID" type="STATIC" width="50">#</LISTCOLUMN>
    <LISTCOLUMN name="LCITEM_PROFILENAME" type="EDIT" width="170">Name</LISTCOLUMN>
    <LISTCOLUMN name="LCITEM_PROFILEEXE" type="FILEDIALOG" width="170">Program</LISTCOLUMN>
    <LISTCOLUMN name="LCITEM_AUTOSWITCH" type="CHECKBOX" width="80" justify="C">Auto</LISTCOLUMN>
    <LISTCOLUMN name="LCITEM_PROFILENAME" type="STATIC" width="40">twice</LISTCOLUMN>
    <LISTCOLUMN name="NO_SUCH_ITEM" type="STATIC" width="40">unknown</LISTCOLUMN>
    <LISTCOLUMN name="LCITEM_MCREVENT_ICON" type="SLIDER" width="40">bad type</LISTCOLUMN>
  </LISTCTRL>
  <LISTCTRL name="LIST_GLOBALMACROLIST" sorted="1">
    <RECT left="10" top="200" right="300" bottom="120"/>
    <LISTCOLUMN name="LCITEM_MCREVENT_DESCRIP" type="COMBO" width="200">Choice</LISTCOLUMN>
    <LISTCOLUMN name="LCITEM_MCREVENT_ICON" type="STATIC" width="80">Other</LISTCOLUMN>
  </LISTCTRL>
</COMBOLIST>
<LISTPANELLIST>
  <LISTPANEL name="LISTPANEL_PROFILEOPTIONS" backclrhi="GREEN"><RECT left="0" top="0" right="160" bottom="0"/>
    <LISTPANELITEMS><LISTPANELITEM>$New</LISTPANELITEM><LISTPANELITEM>$AssignApplication</LISTPANELITEM>
      <LISTPANELITEM>$UnassignApplication</LISTPANELITEM><LISTPANELITEM>$Copy</LISTPANELITEM></LISTPANELITEMS>
  </LISTPANEL>
</LISTPANELLIST></GUIPANEL>)");
        m_panel = std::make_unique<ListPanel>(L"Lists.xml", 0, nullptr);
        HWND hwnd = m_panel->Create();
        ASSERT_NE(hwnd, nullptr);
        ctest::ShowAndActivate(hwnd);
        m_list = m_panel->FindItemAs<CXListCtrl>(ctl::LIST_PROFILELIST, kItemList);
        m_combos = m_panel->FindItemAs<CXListCtrl>(ctl::LIST_GLOBALMACROLIST, kItemList);
        ASSERT_NE(m_list, nullptr);
        ASSERT_NE(m_combos, nullptr);
        for (int32_t id : {7, 8, 9}) {
            ASSERT_GE(m_list->AddRow(id), 0);
            m_list->SetCellText(LCITEM_PROFILEID, id, L"0" + std::to_wstring(id));
            m_list->SetCellText(LCITEM_PROFILENAME, id, L"Profile " + std::to_wstring(id));
            m_list->SetCheck(id, 0);
        }
        Settle();
        m_panel->heard.clear();
    }

    void TearDown() override {
        m_panel.reset();
        ctest::RemoveScratchDir(m_dir);
    }

    RECT Cell(CXListCtrl* list, int32_t content, int32_t row) {
        RECT rect = {};
        EXPECT_TRUE(list->CellRect(content, row, rect));
        return rect;
    }

    std::wstring m_dir;
    std::unique_ptr<ListPanel> m_panel;
    CXListCtrl* m_list = nullptr;
    CXListCtrl* m_combos = nullptr;
};

TEST_F(ListTest, SkinMakesTheColumnsItCanAndDrawsEveryKindOfCell) {
    // Four good columns; a second column of one content, an unknown content
    // and an unknown type are refused.
    ASSERT_EQ(m_list->ColumnCount(), 4);
    EXPECT_EQ(m_list->ColumnOf(LCITEM_AUTOSWITCH), 3);
    EXPECT_EQ(m_list->ColumnType(2), controls::kColumnFileDialog);
    EXPECT_EQ(m_list->Header().Background(), RGB(0x3A, 0x3A, 0x3A));
    EXPECT_EQ(m_list->Header().TextColour(), RGB(255, 0, 0));
    EXPECT_EQ(m_combos->Header().Background(), RGB(0, 0, 0)) << "no LISTHDR: the list's colours";

    m_list->SelectRow(8);
    m_list->SetCheck(9, 1);
    m_list->SetCellProgress(LCITEM_PROFILEEXE, 7, 50);
    Settle();
    ctest::Capture picture(m_list->Handle());
    auto at = [&](int32_t content, int32_t row, int dx, int dy) {
        POINT p = Centre(Cell(m_list, content, row), dx, dy);
        return picture.At(p.x, p.y);
    };
    EXPECT_TRUE(ShowsPicture(picture, Cell(m_list, LCITEM_AUTOSWITCH, 7), L"checkbox3.bmp"));
    EXPECT_TRUE(ShowsPicture(picture, Cell(m_list, LCITEM_AUTOSWITCH, 9), L"checkbox4.bmp"));
    EXPECT_FALSE(ShowsPicture(picture, Cell(m_list, LCITEM_AUTOSWITCH, 9), L"checkbox3.bmp"));
    EXPECT_EQ(at(LCITEM_AUTOSWITCH, 7, 20, 0), 0x0B0B0Bu) << "around the box: the background";
    EXPECT_EQ(at(LCITEM_AUTOSWITCH, 8, 20, 0), 0x00FF00u) << "the selected row's background";
    const RECT text = Cell(m_list, LCITEM_PROFILEEXE, 9);
    EXPECT_EQ(picture.At(text.left + 3, text.top + 3), 0x0B0B0Bu);
    EXPECT_EQ(picture.At(text.right - 3, Centre(Cell(m_list, LCITEM_PROFILEEXE, 8)).y), 0x00FF00u);
    // Half a bar: filled in the text colour on the left, background right.
    const RECT bar = Cell(m_list, LCITEM_PROFILEEXE, 7);
    EXPECT_EQ(picture.At(bar.left + 5, bar.top + 3), 0xFFFFFFu);
    EXPECT_EQ(picture.At(bar.right - 5, bar.top + 3), 0x0B0B0Bu);
    // The text is drawn in the list's colours: some white on the name cell.
    // (Rows sorted below: the picture is taken.)
    int white = 0;
    const RECT name = Cell(m_list, LCITEM_PROFILENAME, 9);
    for (int x = name.left; x < name.right; ++x) {
        for (int y = name.top; y < name.bottom; ++y)
            white += picture.At(x, y) == 0xFFFFFFu ? 1 : 0;
    }
    EXPECT_GT(white, 10);

    // A sorted list orders its rows by their texts, column by column,
    // ignoring case; the rows stay addressable by their ids.
    EXPECT_FALSE(m_list->IsSorted());
    ASSERT_TRUE(m_combos->IsSorted());
    const std::pair<const wchar_t*, const wchar_t*> texts[] = {
        {L"beta", L"2"}, {L"Alpha", L"9"}, {L"alpha", L"1"}, {L"Gamma", L""}};
    for (int32_t id = 1; id <= 4; ++id) {
        ASSERT_EQ(m_combos->AddRow(id), id - 1);
        m_combos->SetCellText(LCITEM_MCREVENT_DESCRIP, id, texts[id - 1].first);
        m_combos->SetCellText(LCITEM_MCREVENT_ICON, id, texts[id - 1].second);
    }
    m_combos->Sort();
    EXPECT_EQ(m_combos->RowIdAt(0), 3);
    EXPECT_EQ(m_combos->RowIdAt(1), 2);
    EXPECT_EQ(m_combos->RowIdAt(2), 1);
    EXPECT_EQ(m_combos->RowIdAt(3), 4);
    EXPECT_EQ(m_combos->RowIndexOf(4), 3);
    ASSERT_TRUE(m_combos->SetCellText(LCITEM_MCREVENT_ICON, 2, L"moved"));
    EXPECT_EQ(m_combos->CellText(LCITEM_MCREVENT_ICON, 2), L"moved");
}

TEST_F(ListTest, CheckBoxTogglesWithinSixPixelsOfItsCentreAndTheHeaderFollowsTheColumn) {
    ASSERT_TRUE(m_list->UseCheckBoxHeader(LCITEM_AUTOSWITCH));
    EXPECT_EQ(m_list->HeaderImage(LCITEM_AUTOSWITCH), 0);
    HWND list = m_list->Handle();
    const RECT box7 = Cell(m_list, LCITEM_AUTOSWITCH, 7);
    const RECT box8 = Cell(m_list, LCITEM_AUTOSWITCH, 8);
    const RECT box9 = Cell(m_list, LCITEM_AUTOSWITCH, 9);

    // Seven pixels beside the centre only selects the row.
    Click(list, Centre(box7, 7, 0));
    Click(list, Centre(box7, -7, 0));
    EXPECT_EQ(m_panel->heard, (Lines{"5FC row 7", "5FC row 7"}));
    EXPECT_EQ(m_list->CellCheck(LCITEM_AUTOSWITCH, 7), 0);
    EXPECT_EQ(m_list->SelectedRowId(), 7) << "the platform's selection still runs";

    // Six pixels toggles; the header's box shows whether all are checked.
    m_panel->heard.clear();
    Click(list, Centre(box7, 6, 0));
    Click(list, Centre(box8, -6, 0));
    EXPECT_EQ(m_list->HeaderImage(LCITEM_AUTOSWITCH), 0);
    Click(list, Centre(box9, 0, 6));
    EXPECT_EQ(m_list->HeaderImage(LCITEM_AUTOSWITCH), 1) << "the last unchecked box was checked";
    Click(list, Centre(box8));
    EXPECT_EQ(m_list->HeaderImage(LCITEM_AUTOSWITCH), 0);
    EXPECT_EQ(m_panel->heard, (Lines{"52E row 7 col 3 state 1", "5FC row 7", "52E row 8 col 3 state 1", "5FC row 8",
                                     "52E row 9 col 3 state 1", "5FC row 9", "52E row 8 col 3 state 0",
                                     "5FC row 8"}));
    ctest::Capture picture(list);
    EXPECT_TRUE(ShowsPicture(picture, box9, L"checkbox4.bmp"));
    EXPECT_TRUE(ShowsPicture(picture, box8, L"checkbox3.bmp"));

    // Setting a state from the page updates the header the same way, and
    // a click on the header itself changes nothing.
    ASSERT_TRUE(m_list->SetCheck(8, 1));
    EXPECT_EQ(m_list->HeaderImage(LCITEM_AUTOSWITCH), 1);
    m_panel->heard.clear();
    RECT header = {};
    SendMessageW(m_list->Header().Handle(), HDM_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&header));
    Click(m_list->Header().Handle(), Centre(header));
    EXPECT_TRUE(m_panel->heard.empty());
    EXPECT_EQ(m_list->HeaderImage(LCITEM_AUTOSWITCH), 1);
    EXPECT_EQ(m_list->CellCheck(LCITEM_AUTOSWITCH, 8), 1);

    // A press below the rows names no row.
    Click(list, POINT{20, 140});
    EXPECT_EQ(m_panel->heard, (Lines{"5FC row -1"}));
}

TEST_F(ListTest, InPlaceEditKeepsTwentyCharactersAndReportsOnlyAChangedText) {
    HWND list = m_list->Handle();
    const RECT name8 = Cell(m_list, LCITEM_PROFILENAME, 8);
    DoubleClick(list, Centre(name8));
    ASSERT_TRUE(m_list->IsEditing());
    HWND editor = m_list->Editor().Handle();
    EXPECT_TRUE(IsWindowVisible(editor));
    EXPECT_EQ(GetFocus(), editor);
    EXPECT_EQ(GetCapture(), list) << "presses anywhere end the edit";
    EXPECT_EQ(m_list->Editor().Text(), L"Profile 8");
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(editor, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 9u) << "all the text is selected";
    RECT placed = {};
    GetWindowRect(editor, &placed);
    MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(placed.left, name8.left + 5);

    // 25 digits typed, 20 kept; a press in the list commits them.
    std::vector<WORD> digits;
    for (int i = 0; i < 25; ++i)
        digits.push_back(static_cast<WORD>('0' + i % 10));
    Type(digits);
    EXPECT_EQ(m_list->Editor().Text(), L"01234567890123456789");
    Click(list, Centre(Cell(m_list, LCITEM_PROFILEID, 7)));
    EXPECT_FALSE(m_list->IsEditing());
    EXPECT_FALSE(IsWindowVisible(editor));
    EXPECT_NE(GetCapture(), list);
    EXPECT_EQ(m_list->CellText(LCITEM_PROFILENAME, 8), L"01234567890123456789");
    EXPECT_EQ(m_panel->heard,
              (Lines{"5FC row 8", "5FC row 8", "52C row 8 col 1 \"01234567890123456789\"", "5FC row 7"}));

    // The same text again, and a typed text dropped with Escape: nothing.
    m_panel->heard.clear();
    DoubleClick(list, Centre(name8));
    ASSERT_TRUE(m_list->IsEditing());
    Click(list, Centre(Cell(m_list, LCITEM_PROFILEID, 9)));
    DoubleClick(list, Centre(name8));
    Type({'4', '2', VK_ESCAPE});
    EXPECT_FALSE(m_list->IsEditing());
    EXPECT_EQ(m_list->CellText(LCITEM_PROFILENAME, 8), L"01234567890123456789");
    // Enter commits a change.
    DoubleClick(list, Centre(name8));
    Type({'4', '2', VK_RETURN});
    EXPECT_EQ(m_panel->heard, (Lines{"5FC row 8", "5FC row 8", "5FC row 9", "5FC row 8", "5FC row 8", "5FC row 8",
                                     "5FC row 8", "52C row 8 col 1 \"42\""}));
}

TEST_F(ListTest, DoubleClicksActByColumnTypeAndACancelledFileDialogSendsNothing) {
    HWND list = m_list->Handle();
    DoubleClick(list, Centre(Cell(m_list, LCITEM_PROFILEID, 9)));
    EXPECT_EQ(m_panel->heard, (Lines{"5FC row 9", "5FC row 9", "604 row 9 col 0"}));
    EXPECT_FALSE(m_list->IsEditing()) << "a STATIC cell is not edited";

    m_panel->heard.clear();
    {
        FileDialogScript cancel(L"");
        DoubleClick(list, Centre(Cell(m_list, LCITEM_PROFILEEXE, 7)));
        EXPECT_TRUE(cancel.Seen());
    }
    EXPECT_EQ(m_panel->heard, (Lines{"5FC row 7", "5FC row 7"}));
    EXPECT_EQ(m_list->CellText(LCITEM_PROFILEEXE, 7), L"");

    // A program chosen in the dialog: the cell shows its file name, the
    // page gets the full path.
    const std::wstring program = m_dir + L"Game Launcher.exe";
    ctest::WriteFile(program, "MZ");
    m_panel->heard.clear();
    {
        FileDialogScript choose(program);
        DoubleClick(list, Centre(Cell(m_list, LCITEM_PROFILEEXE, 8)));
        EXPECT_TRUE(choose.Seen());
    }
    ASSERT_EQ(m_panel->heard.size(), 3u);
    EXPECT_EQ(m_panel->heard[1], "5FC row 8");
    std::wstring shown = m_list->CellText(LCITEM_PROFILEEXE, 8);
    EXPECT_EQ(shown, L"Game Launcher.exe");
    std::string path(program.begin(), program.end());
    EXPECT_EQ(m_panel->heard[2], "52D row 8 col 2 \"" + path + "\"");
}

TEST_F(ListTest, RightClickMenuUnassignsAProgramAndPassesOtherChoicesOn) {
    auto* menu = m_panel->FindItemAs<CListPanelItem>(ctl::LISTPANEL_PROFILEOPTIONS, kItemListPanel);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->EntryCount(), 4);
    m_list->SetRightClickMenu(menu);
    m_list->SetCellText(LCITEM_PROFILEEXE, 8, L"game.exe");
    m_list->SetCheck(8, 1);
    HWND list = m_list->Handle();

    const POINT on8 = Centre(Cell(m_list, LCITEM_PROFILENAME, 8));
    {
        MenuScript script(2);  // $UnassignApplication
        RightClick(list, on8);
        ASSERT_TRUE(script.Seen());
        POINT screen = on8;
        ClientToScreen(list, &screen);
        EXPECT_EQ(script.Opened().left, screen.x) << "the menu opens at the pointer";
        EXPECT_EQ(script.Opened().top, screen.y);
    }
    EXPECT_EQ(m_list->SelectedRowId(), 8) << "the menu's row becomes the selection";
    EXPECT_EQ(m_panel->heard, (Lines{"52D row 8 col 2 \"\"", "52E row 8 col 3 state 0"}));
    EXPECT_EQ(m_list->CellText(LCITEM_PROFILEEXE, 8), L"");
    EXPECT_EQ(m_list->CellCheck(LCITEM_AUTOSWITCH, 8), 0);

    m_panel->heard.clear();
    {
        MenuScript script(3);  // $Copy
        RightClick(list, Centre(Cell(m_list, LCITEM_PROFILEID, 9)));
    }
    {
        MenuScript script(0);  // $New, below every row
        RightClick(list, POINT{20, 140});
    }
    {
        MenuScript script(-1);  // closed without a choice
        RightClick(list, on8);
        EXPECT_TRUE(script.Seen());
    }
    {
        MenuScript script(1);  // $AssignApplication, its dialog cancelled
        FileDialogScript cancel(L"");
        RightClick(list, on8);
        EXPECT_TRUE(cancel.Seen());
    }
    EXPECT_EQ(m_panel->heard, (Lines{"608 row 9 col 0 \"$Copy\"", "608 row -1 col 0 \"$New\""}));

    // Without a menu a right click opens nothing and sends nothing.
    m_list->SetRightClickMenu(nullptr);
    m_panel->heard.clear();
    {
        MenuScript script(0);
        RightClick(list, on8);
        EXPECT_FALSE(script.Seen());
    }
    EXPECT_TRUE(m_panel->heard.empty());
}

class DropDownTest : public ListTest {
protected:
    void SetUp() override {
        ListTest::SetUp();
        ASSERT_EQ(m_combos->AddRow(1), 0);
        ASSERT_EQ(m_combos->AddRow(2), 1);
        m_combos->SetCellText(LCITEM_MCREVENT_DESCRIP, 1, L"Beta");
        ASSERT_TRUE(m_combos->SetCellChoices(LCITEM_MCREVENT_DESCRIP, 1, {L"Alpha", L"Beta", L"Gamma", L"Delta"}));
        Settle();
        m_panel->heard.clear();
    }

    // Presses the cell's arrow and waits for the drop-down.
    CXComboList* Open() {
        const RECT arrow = controls::DropDownArrowRect(Cell(m_combos, LCITEM_MCREVENT_DESCRIP, 1));
        Click(m_combos->Handle(), Centre(arrow));
        for (int i = 0; i < 20 && (m_combos->DropDown() == nullptr || !m_combos->DropDown()->Contains(GetFocus()));
             ++i)
            Settle(1);
        return m_combos->DropDown();
    }

    void WaitClosed() {
        for (int i = 0; i < 20 && m_combos->DropDown() != nullptr; ++i)
            Settle(1);
    }
};

TEST_F(DropDownTest, ArrowOpensTheChoicesBelowTheCellAndKeysOrAClickChoose) {
    CXComboList* drop = Open();
    ASSERT_NE(drop, nullptr);
    EXPECT_EQ(drop->Count(), 4);
    EXPECT_EQ(drop->SelectedText(), L"Beta");
    RECT cell = Cell(m_combos, LCITEM_MCREVENT_DESCRIP, 1);
    MapWindowPoints(m_combos->Handle(), nullptr, reinterpret_cast<POINT*>(&cell), 2);
    RECT placed = {};
    GetWindowRect(drop->Handle(), &placed);
    EXPECT_EQ(placed.left, cell.left);
    EXPECT_EQ(placed.top, cell.bottom);
    EXPECT_EQ(placed.right, cell.right);
    EXPECT_EQ(placed.bottom - placed.top, 4 * (cell.bottom - cell.top - 2) + 4);
    EXPECT_TRUE(drop->Contains(GetFocus()));

    // Down shows the next choice in the cell at once; Enter keeps it.
    Type({VK_DOWN});
    EXPECT_EQ(m_combos->DropDown(), drop) << "a key leaves the drop-down open";
    EXPECT_EQ(m_combos->CellText(LCITEM_MCREVENT_DESCRIP, 1), L"Gamma");
    Type({VK_RETURN});
    WaitClosed();
    EXPECT_EQ(m_combos->DropDown(), nullptr);
    EXPECT_EQ(m_combos->CellText(LCITEM_MCREVENT_DESCRIP, 1), L"Gamma");

    // A typed letter finds the next choice that starts with it; a click on a
    // choice takes it.
    drop = Open();
    ASSERT_NE(drop, nullptr);
    Type({'A'});
    EXPECT_EQ(drop->SelectedText(), L"Alpha");
    RECT first = {};
    SendMessageW(drop->ListBox(), LB_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&first));
    Click(drop->ListBox(), Centre(first));
    WaitClosed();
    EXPECT_EQ(m_combos->CellText(LCITEM_MCREVENT_DESCRIP, 1), L"Delta");
    EXPECT_EQ(m_panel->heard, (Lines{"5FC row 1", "52C row 1 col 0 \"Gamma\"", "5FC row 1", "52C row 1 col 0 \"Delta\""}));

    // Only a cell with choices has an arrow.
    m_panel->heard.clear();
    Click(m_combos->Handle(), Centre(controls::DropDownArrowRect(Cell(m_combos, LCITEM_MCREVENT_DESCRIP, 2))));
    Settle(10);
    EXPECT_EQ(m_combos->DropDown(), nullptr);
    EXPECT_EQ(m_panel->heard, (Lines{"5FC row 2"}));
}

TEST_F(DropDownTest, ThirdFocusLossIsEscapeAndTheCellKeepsItsText) {
    CXComboList* drop = Open();
    ASSERT_NE(drop, nullptr);
    Type({VK_DOWN});
    EXPECT_EQ(m_combos->CellText(LCITEM_MCREVENT_DESCRIP, 1), L"Gamma");
    ASSERT_EQ(drop->FocusLosses(), 0);
    HWND elsewhere = m_list->Handle();
    for (int loss = 1; loss <= 2; ++loss) {
        SetFocus(elsewhere);
        Settle(8);  // past the list's 50 ms timer that would close it
        ASSERT_EQ(m_combos->DropDown(), drop) << "loss " << loss << " is let go";
        EXPECT_EQ(drop->FocusLosses(), loss);
        SetFocus(drop->Handle());
    }
    SetFocus(elsewhere);
    WaitClosed();
    EXPECT_EQ(m_combos->DropDown(), nullptr);
    EXPECT_EQ(m_combos->CellText(LCITEM_MCREVENT_DESCRIP, 1), L"Beta") << "the text from before it opened";
    EXPECT_EQ(m_panel->heard, (Lines{"5FC row 1"}));
}

TEST_F(ListTest, AbsurdInputIsRefusedOrDrawnWithoutHarm) {
    // 64 columns asked for: ten made, the rest refused; bad contents and types.
    CXListCtrl wide;
    ASSERT_TRUE(wide.CreateWindowFor(m_panel->Handle(), RECT{10, 200, 610, 400}, ctl::LIST_GLOBAL_BASIC_COMMANDS,
                                     m_panel.get(), {}));
    int made = 0;
    for (int32_t i = 0; i < 64; ++i) {
        const int32_t index = wide.AddColumn(100 + i, i % 6, L"c", 40);
        EXPECT_EQ(index, i < 10 ? i : -1);
        made += index >= 0 ? 1 : 0;
    }
    EXPECT_EQ(made, controls::kMaxListColumns);
    EXPECT_EQ(m_combos->AddColumn(-1, controls::kColumnStatic, L"x", 10), -1);
    EXPECT_EQ(m_combos->AddColumn(40, -1, L"x", 10), -1);
    EXPECT_EQ(m_combos->AddColumn(41, 6, L"x", 10), -1);
    EXPECT_EQ(m_combos->AddColumn(LCITEM_MCREVENT_ICON, controls::kColumnStatic, L"x", 10), -1);

    // 10,000 rows, one of them with 10,000 characters: drawn at the top and
    // at the bottom.
    for (int32_t id = 0; id < 10000; ++id)
        ASSERT_EQ(wide.AddRow(id), id);
    const std::wstring huge(10000, L'W');
    ASSERT_TRUE(wide.SetCellText(100, 9999, huge));
    ASSERT_TRUE(wide.SetCellText(101, 0, huge));
    EXPECT_EQ(wide.CellText(100, 9999), huge);
    ctest::Capture top(wide.Handle());
    EXPECT_GT(top.Count(0xFFFFFF), 20);
    SendMessageW(wide.Handle(), WM_VSCROLL, SB_BOTTOM, 0);
    Settle();
    ctest::Capture bottom(wide.Handle());
    EXPECT_GT(bottom.Count(0xFFFFFF), 20);
    ASSERT_TRUE(wide.StartEdit(100, 9999));
    EXPECT_EQ(wide.Editor().Text(), huge) << "the editor shows what is there";
    wide.FinishEdit(true);
    EXPECT_EQ(wide.CellText(100, 9999), huge) << "unchanged: nothing lost";

    // Rows and columns that do not exist.
    EXPECT_FALSE(wide.SetCellText(100, 10000, L"x"));
    EXPECT_FALSE(wide.SetCellText(999, 5, L"x"));
    std::wstring out = L"kept";
    EXPECT_FALSE(wide.GetCellText(100, -7, out));
    EXPECT_EQ(out, L"kept");
    EXPECT_FALSE(wide.SetCheck(5, 1)) << "no LCITEM_AUTOSWITCH column";
    EXPECT_FALSE(wide.SetCellCheck(100, 5, 3));
    EXPECT_FALSE(wide.SetCellProgress(100, 5, 101));
    EXPECT_FALSE(wide.SetCellChoices(100, 123456, {L"a"}));
    EXPECT_FALSE(wide.StartEdit(100, 123456));
    EXPECT_FALSE(wide.SetHeaderImage(999, 1));
    EXPECT_EQ(wide.RowIndexOf(123456), -1);
    EXPECT_EQ(wide.RowIdAt(10000), -1);
    EXPECT_EQ(wide.CellCheck(100, 5), -1);
    wide.DeleteAllRows();
    EXPECT_EQ(wide.RowCount(), 0);
    EXPECT_FALSE(wide.SetCellText(100, 0, L"x"));
    EXPECT_EQ(wide.CellText(100, 0), L"");
}

TEST_F(DropDownTest, AHugeDropDownStaysOnTheScreenAndAPageMayRefillTheListFromAMessage) {
    // Opening and closing leaves no drawing object behind.
    CXComboList* warm = Open();
    ASSERT_NE(warm, nullptr);
    Type({VK_ESCAPE});
    WaitClosed();
    const int objects = win::GdiObjectCount();
    for (int i = 0; i < 4; ++i) {
        ASSERT_NE(Open(), nullptr);
        Type({VK_DOWN, VK_RETURN});
        WaitClosed();
    }
    EXPECT_EQ(win::GdiObjectCount(), objects);
    m_combos->SetCellText(LCITEM_MCREVENT_DESCRIP, 1, L"Beta");

    std::vector<std::wstring> many;
    for (int i = 0; i < 10000; ++i)
        many.push_back(L"Choice " + std::to_wstring(i));
    ASSERT_TRUE(m_combos->SetCellChoices(LCITEM_MCREVENT_DESCRIP, 1, many));
    CXComboList* drop = Open();
    ASSERT_NE(drop, nullptr);
    EXPECT_EQ(drop->Count(), 10000);
    RECT placed = {};
    GetWindowRect(drop->Handle(), &placed);
    EXPECT_LE(placed.bottom, GetSystemMetrics(SM_CYSCREEN));
    Type({VK_END});
    EXPECT_EQ(drop->SelectedText(), L"Choice 9999");
    Type({VK_ESCAPE});
    WaitClosed();
    EXPECT_EQ(m_combos->CellText(LCITEM_MCREVENT_DESCRIP, 1), L"Beta");

    // A page that empties and refills the list while it handles a toggle.
    m_panel->heard.clear();
    m_panel->onMessage = [&](UINT message) {
        if (message != WMU_LIST_CHECKCHANGED)
            return;
        m_list->DeleteAllRows();
        for (int32_t id : {7, 8})
            m_list->AddRow(id);
    };
    Click(m_list->Handle(), Centre(Cell(m_list, LCITEM_AUTOSWITCH, 9)));
    EXPECT_EQ(m_panel->heard, (Lines{"52E row 9 col 3 state 1", "5FC row 9"}));
    EXPECT_EQ(m_list->RowCount(), 2);
}

}  // namespace
