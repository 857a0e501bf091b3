// Skinned buttons in a real panel: faces by state, clicks and the commands
// they send, check boxes (also through a bound text), captions, hover, the
// profile row button and the video button.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "control_support.h"
#include "controls/AVIButton.h"
#include "controls/BitmapBtn.h"
#include "controls/ProfileBtn.h"
#include "controls/TextItem.h"
#include "skin/NameTables.h"
#include "win/Gdi.h"

namespace {

constexpr int32_t kHelp = 6;        // BUTTON_HELP
constexpr int32_t kExit = 7;        // BUTTON_EXIT
constexpr int32_t kOk = 8;          // BUTTON_OK
constexpr int32_t kApply = 9;       // BUTTON_APPLY
constexpr int32_t kCancel = 10;     // BUTTON_CANCEL
constexpr int32_t kProfile = 50;    // BUTTON_PROFILE01
constexpr int32_t kCheck = 97;      // BUTTON_CHECKBOX_AUTOSAVE
constexpr int32_t kAvi = 146;       // BUTTON_AVI
constexpr int32_t kTextInfo = 224;  // TEXT_PROFILEINFO
constexpr int32_t kTextName = 225;  // TEXT_PROFILENAME

constexpr uint32_t kNormal = 0x802020;
constexpr uint32_t kOver = 0x208020;
constexpr uint32_t kDown = 0x202080;
constexpr uint32_t kDisabled = 0x606060;
constexpr uint32_t kSheetAtProfile = 0x707000;

using controls::Face;

class ButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        names::BuildAllNameTables();
        m_dir = ctest::MakeScratchModuleDir(L"buttons");
        ctest::WriteSolidBmp(m_dir + L"skins\\b-bg.bmp", 400, 300, 0x000000);
        ctest::WriteSolidBmp(m_dir + L"skins\\b-normal.bmp", 100, 40, kNormal);
        ctest::WriteSolidBmp(m_dir + L"skins\\b-over.bmp", 100, 40, kOver);
        ctest::WriteSolidBmp(m_dir + L"skins\\b-down.bmp", 100, 40, kDown);
        ctest::WriteSolidBmp(m_dir + L"skins\\b-disabled.bmp", 100, 40, kDisabled);
        // Panel-sized state sheets of the profile row: its own colour only at
        // the button's place (20, 200, 300 x 30).
        auto sheet = [](uint32_t colour) {
            return [colour](int x, int y) {
                return x >= 20 && x < 320 && y >= 200 && y < 230 ? colour : kSheetAtProfile;
            };
        };
        ctest::WriteBmp(m_dir + L"skins\\p-normal.bmp", 400, 300, sheet(kNormal));
        ctest::WriteBmp(m_dir + L"skins\\p-over.bmp", 400, 300, sheet(kOver));
        ctest::WriteBmp(m_dir + L"skins\\p-down.bmp", 400, 300, sheet(kDown));
        ctest::WriteSkin(m_dir, L"Buttons.xml", R"(<?xml version="1.0"?>
<GUIPANEL>
  <BACKGROUND>b-bg.bmp</BACKGROUND>
  <BUTTONLIST>
    <BUTTON name="BUTTON_OK" caption="$NoSuchKey" caps="U" justify="C" tooltip="press\nhere">
      <RECT left="10" top="10" right="100" bottom="40"/>
      <SBMN fontclr="WHITE">b-normal.bmp</SBMN><SBMO fontclr="GREEN">b-over.bmp</SBMO>
      <SBMD fontclr="RED">b-down.bmp</SBMD><SBMDS fontclr="BLUE">b-disabled.bmp</SBMDS>
    </BUTTON>
    <BUTTON name="BUTTON_APPLY">
      <RECT left="120" top="10" right="100" bottom="40"/>
      <SBMN>b-normal.bmp</SBMN><SBMO>b-over.bmp</SBMO><SBMD>b-down.bmp</SBMD><SBMDS>b-disabled.bmp</SBMDS>
    </BUTTON>
    <BUTTON name="BUTTON_CHECKBOX_AUTOSAVE" ischeckbox="1">
      <RECT left="230" top="10" right="100" bottom="40"/>
      <SBMN>b-normal.bmp</SBMN><SBMO>b-over.bmp</SBMO><SBMD>b-down.bmp</SBMD><SBMDS>b-disabled.bmp</SBMDS>
    </BUTTON>
    <BUTTON name="BUTTON_CANCEL" multiline="1" justify="R">
      <RECT left="10" top="60" right="100" bottom="40"/>
      <SBMN>b-normal.bmp</SBMN><SBMO>b-over.bmp</SBMO><SBMD>b-down.bmp</SBMD><SBMDS>b-disabled.bmp</SBMDS>
      <BMPSZ width="30" height="20"/>
    </BUTTON>
    <BUTTON name="BUTTON_HELP">
      <RECT left="120" top="60" right="100" bottom="40"/>
      <SBMN>b-normal.bmp</SBMN><SBMO>b-over.bmp</SBMO><SBMD>b-down.bmp</SBMD><SBMDS>no-such.bmp</SBMDS>
    </BUTTON>
    <BUTTON name="BUTTON_EXIT" dynamic="1">
      <RECT left="230" top="60" right="100" bottom="40"/>
      <SBMN>no-such.bmp</SBMN>
    </BUTTON>
    <PROFBUTTON name="BUTTON_PROFILE01" tooltip="keep\nas written">
      <RECT left="20" top="200" right="300" bottom="30"/>
      <SBMN>p-normal.bmp</SBMN><SBMO>p-over.bmp</SBMO><SBMD>p-down.bmp</SBMD>
    </PROFBUTTON>
    <PROFBUTTON name="BUTTON_PROFILE02"><RECT left="20" top="240" right="300" bottom="30"/><SBMN>p-normal.bmp</SBMN></PROFBUTTON>
    <AVIBUTTON name="BUTTON_AVI">
      <RECT left="10" top="120" right="64" bottom="48"/>
      <VIDEO>  clip.avi  </VIDEO><SOUND> chime.wav </SOUND>
    </AVIBUTTON>
  </BUTTONLIST>
  <TEXTLIST>
    <TEXTITEM name="TEXT_PROFILEINFO" textkey="autosave" interactive="1" checkboxid="BUTTON_CHECKBOX_AUTOSAVE">
      <RECT left="230" top="120" right="100" bottom="20"/></TEXTITEM>
    <TEXTITEM name="TEXT_PROFILENAME" textkey="not a box" interactive="1" checkboxid="BUTTON_APPLY">
      <RECT left="230" top="150" right="100" bottom="20"/></TEXTITEM>
  </TEXTLIST>
</GUIPANEL>)");
    }

    void TearDown() override { ctest::RemoveScratchDir(m_dir); }

    // The panel, shown and active (hover needs an active window).
    HWND Open(ctest::RecordingPanel& panel) {
        HWND hwnd = panel.Create();
        EXPECT_NE(hwnd, nullptr);
        ctest::ShowAndActivate(hwnd);
        panel.seen.clear();
        return hwnd;
    }

    CBitmapBtn* Button(ctest::RecordingPanel& panel, int32_t id) {
        return panel.FindItemAs<CBitmapBtn>(id, kItemButton);
    }

    // A point of the panel's picture, far from every button, in the
    // control's client coordinates.
    static LPARAM Outside(HWND control, HWND panel) {
        POINT pt = {380, 290};
        MapWindowPoints(panel, control, &pt, 1);
        return MAKELPARAM(pt.x, pt.y);
    }

    static LPARAM HwndParam(HWND hwnd) { return reinterpret_cast<LPARAM>(hwnd); }

    std::wstring m_dir;
};

TEST_F(ButtonTest, SkinMakesButtonsWithStylesFormatsAndFaces) {
    ctest::RecordingPanel panel(L"Buttons.xml", 0, nullptr);
    Open(panel);
    CBitmapBtn* ok = Button(panel, kOk);
    CBitmapBtn* cancel = Button(panel, kCancel);
    CBitmapBtn* exitButton = Button(panel, kExit);
    ASSERT_TRUE(ok && cancel && exitButton && Button(panel, kApply) && Button(panel, kCheck));
    EXPECT_EQ(Button(panel, kHelp), nullptr) << "a face that does not load drops the button";
    EXPECT_TRUE(Button(panel, kCheck)->IsCheckBox());
    EXPECT_FALSE(ok->IsCheckBox());

    // Owner-drawn, no tab stop, the control id as the window identifier.
    const LONG_PTR style = GetWindowLongPtrW(ok->Handle(), GWL_STYLE);
    EXPECT_EQ(style & BS_TYPEMASK, BS_OWNERDRAW);
    EXPECT_EQ(style & (WS_TABSTOP | WS_BORDER), 0);
    EXPECT_EQ(GetDlgCtrlID(ok->Handle()), kOk);

    EXPECT_EQ(ok->DrawFormat(), 0x12000u | DT_CENTER | 0x34u) << "centred single line";
    EXPECT_EQ(cancel->DrawFormat(), 0x12000u | DT_RIGHT | 0x14u) << "right, word-wrapped";
    EXPECT_EQ(Button(panel, kApply)->DrawFormat(), 0x12000u | 0x34u) << "left by default";

    // BMPSZ gives the size of the face pictures.
    EXPECT_EQ(win::BitmapSize(cancel->FacePicture(Face::kNormal)).cx, 30);
    EXPECT_EQ(win::BitmapSize(cancel->FacePicture(Face::kNormal)).cy, 20);
    EXPECT_EQ(win::BitmapSize(ok->FacePicture(Face::kDown)).cx, 100);
    // A dynamic button is made without faces, whatever it names.
    EXPECT_EQ(exitButton->FacePicture(Face::kNormal), nullptr);

    EXPECT_EQ(ok->Tooltip().Text(), L"press here");
    ctest::Capture normal(Button(panel, kApply)->Handle());
    EXPECT_EQ(normal.At(50, 20), kNormal);
}

TEST_F(ButtonTest, OrdinaryButtonReportsAClickReleasedOverItself) {
    ctest::RecordingPanel panel(L"Buttons.xml", 0, nullptr);
    Open(panel);
    CBitmapBtn* apply = Button(panel, kApply);
    ASSERT_NE(apply, nullptr);
    HWND hwnd = apply->Handle();

    SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(apply->IsHot());
    EXPECT_EQ(GetCapture(), hwnd);
    EXPECT_EQ(ctest::Capture(hwnd).At(50, 20), kOver);

    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(ctest::Capture(hwnd).At(50, 20), kDown) << "pressed";
    EXPECT_TRUE(panel.seen.empty()) << "nothing before the release";
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ctest::ExpectSequence(panel.seen,
                          {{WM_COMMAND, MAKEWPARAM(kApply, BN_CLICKED), HwndParam(hwnd), ctest::kBoth}},
                          "click released over the button");
    EXPECT_EQ(apply->GetChecked(), 0) << "an ordinary button does not toggle";
}

TEST_F(ButtonTest, OrdinaryButtonDraggedOffSendsNothingAndShowsItsNormalFace) {
    ctest::RecordingPanel panel(L"Buttons.xml", 0, nullptr);
    HWND panelHwnd = Open(panel);
    CBitmapBtn* apply = Button(panel, kApply);
    ASSERT_NE(apply, nullptr);
    HWND hwnd = apply->Handle();

    SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, Outside(hwnd, panelHwnd));
    EXPECT_FALSE(apply->IsHot()) << "the pointer left";
    EXPECT_EQ(GetCapture(), hwnd) << "the press keeps the mouse";
    SendMessageW(hwnd, WM_LBUTTONUP, 0, Outside(hwnd, panelHwnd));
    ctest::Pump();
    ctest::ExpectSequence(panel.seen, {}, "released outside");
    EXPECT_NE(GetCapture(), hwnd);
    EXPECT_EQ(ctest::Capture(hwnd).At(50, 20), kNormal);
}

TEST_F(ButtonTest, CheckBoxTogglesOnButtonDownAndNotifiesAtOnce) {
    ctest::RecordingPanel panel(L"Buttons.xml", 0, nullptr);
    Open(panel);
    CBitmapBtn* box = Button(panel, kCheck);
    ASSERT_NE(box, nullptr);
    HWND hwnd = box->Handle();
    const ctest::Expected command = {WM_COMMAND, static_cast<WPARAM>(kCheck), HwndParam(hwnd), ctest::kBoth};

    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    // Sent, not posted: the page has its command before the click returns.
    ctest::ExpectSequence(panel.seen, {command}, "button down on a check box");
    EXPECT_EQ(box->GetChecked(), 1);
    EXPECT_EQ(ctest::Capture(hwnd).At(50, 20), kDown);
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ctest::Pump();
    ctest::ExpectSequence(panel.seen, {command}, "button up adds no second notification");

    // A page that keeps the state itself: no toggle, still a command.
    box->SetTogglesOnClick(0);
    panel.seen.clear();
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(box->GetChecked(), 1);
    ctest::ExpectSequence(panel.seen, {command}, "check box that does not toggle");

    // A quick second click counts as a click.
    box->SetTogglesOnClick(1);
    panel.seen.clear();
    SendMessageW(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(box->GetChecked(), 0);
    ctest::ExpectSequence(panel.seen, {command}, "double click on a check box");
}

TEST_F(ButtonTest, SetCheckedRepaintsOnlyOnChange) {
    ctest::RecordingPanel panel(L"Buttons.xml", 0, nullptr);
    Open(panel);
    CBitmapBtn* box = Button(panel, kCheck);
    ASSERT_NE(box, nullptr);
    HWND hwnd = box->Handle();
    ctest::Pump();
    ValidateRect(hwnd, nullptr);
    box->SetChecked(0);
    EXPECT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE)) << "same value: no repaint";
    box->SetChecked(1);
    EXPECT_TRUE(GetUpdateRect(hwnd, nullptr, FALSE));
    ctest::Pump();
    ValidateRect(hwnd, nullptr);
    box->SetChecked(1);
    EXPECT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE));
    EXPECT_EQ(ctest::Capture(hwnd).At(50, 20), kDown);
}

TEST_F(ButtonTest, DisabledFaceOnlyForOrdinaryButtonsNotCheckedOrHot) {
    ctest::RecordingPanel panel(L"Buttons.xml", 0, nullptr);
    Open(panel);
    CBitmapBtn* box = Button(panel, kCheck);
    CBitmapBtn* apply = Button(panel, kApply);
    ASSERT_TRUE(box && apply);
    EnableWindow(box->Handle(), FALSE);
    EnableWindow(apply->Handle(), FALSE);

    EXPECT_EQ(ctest::Capture(box->Handle()).At(50, 20), kNormal) << "a check box never looks disabled";
    box->SetChecked(1);
    EXPECT_EQ(ctest::Capture(box->Handle()).At(50, 20), kDown);
    EXPECT_EQ(box->ChooseFace(false, true), Face::kDown);

    EXPECT_EQ(ctest::Capture(apply->Handle()).At(50, 20), kDisabled);
    EXPECT_EQ(apply->ChooseFace(false, true), Face::kDisabled);
    apply->SetChecked(1);
    EXPECT_EQ(ctest::Capture(apply->Handle()).At(50, 20), kDown) << "checked wins over disabled";
    apply->SetChecked(0);
    EXPECT_EQ(apply->ChooseFace(true, true), Face::kDown) << "pressed wins too";

    // Hot wins over disabled as well (a page may disable a button under the
    // pointer).
    EnableWindow(apply->Handle(), TRUE);
    SendMessageW(apply->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    ASSERT_TRUE(apply->IsHot());
    EnableWindow(apply->Handle(), FALSE);
    EXPECT_EQ(ctest::Capture(apply->Handle()).At(50, 20), kOver);
    ReleaseCapture();
}

TEST_F(ButtonTest, CaptionsTakeCapsAndTheFirstLineBreakAndDrawInTheStateColour) {
    ctest::RecordingPanel panel(L"Buttons.xml", 0, nullptr);
    Open(panel);
    CBitmapBtn* ok = Button(panel, kOk);
    ASSERT_NE(ok, nullptr);
    // A key the language lacks is upper-cased as written.
    EXPECT_EQ(ok->Caption(), L"$NOSUCHKEY");
    ok->SetCaption(L"two\\nlines\\nstay", controls::kCapsUpper);
    EXPECT_EQ(ok->Caption(), L"TWO\r\nLINES\\NSTAY");
    ok->SetCaption(L"MiXed", controls::kCapsLower);
    EXPECT_EQ(ok->Caption(), L"mixed");
    ok->SetCaption(L"WWW", controls::kCapsNone);

    ctest::Capture normal(ok->Handle());
    EXPECT_GT(normal.Count(0xFFFFFF, 60), 0) << "normal caption colour";
    EXPECT_EQ(normal.Count(0x00FF00, 60), 0);
    EXPECT_EQ(normal.At(2, 2), kNormal) << "the face under the caption";

    SendMessageW(ok->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    ctest::Capture hot(ok->Handle());
    EXPECT_GT(hot.Count(0x00FF00, 60), 0) << "hover caption colour";
    EXPECT_EQ(hot.Count(0xFFFFFF, 60), 0);
    EXPECT_EQ(ok->ChooseTextColour(true, false), static_cast<COLORREF>(RGB(255, 0, 0)));
    ReleaseCapture();

    // Colour 0 stands for the default colour (the buttons without fontclr).
    EXPECT_EQ(Button(panel, kApply)->ChooseTextColour(false, false), controls::kDefaultTextColour);
}

TEST_F(ButtonTest, HoverRaisesTheButtonAndLosingTheFocusEndsIt) {
    ctest::RecordingPanel panel(L"Buttons.xml", 0, nullptr);
    HWND panelHwnd = Open(panel);
    CBitmapBtn* ok = Button(panel, kOk);
    CBitmapBtn* apply = Button(panel, kApply);
    ASSERT_NE(ok, nullptr);
    ASSERT_NE(apply, nullptr);
    SetWindowPos(ok->Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_NE(GetTopWindow(panelHwnd), ok->Handle());
    // The tool-tip window waits for the pointer's first visit.
    EXPECT_EQ(ok->Tooltip().Handle(), nullptr);
    SendMessageW(ok->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(ok->IsHot());
    EXPECT_EQ(GetTopWindow(panelHwnd), ok->Handle()) << "the hot button is drawn whole";

    // Then it holds one tool over the button with the text.
    HWND tip = ok->Tooltip().Handle();
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    wchar_t shown[64] = {};
    TTTOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.hwnd = ok->Handle();
    tool.uId = 1;
    tool.lpszText = shown;
    SendMessageW(tip, TTM_GETTEXTW, 64, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(shown, L"press here");
    // A button without a text never makes one.
    SendMessageW(apply->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(apply->Tooltip().Handle(), nullptr);

    // Taking the capture again (a press) keeps the hover.
    SetCapture(ok->Handle());
    EXPECT_TRUE(ok->IsHot());

    SetFocus(ok->Handle());
    SetFocus(panelHwnd);
    EXPECT_FALSE(ok->IsHot()) << "focus loss ends the hover";
    ReleaseCapture();
}

TEST_F(ButtonTest, ProfileButtonCutsItsFacesAtItsPlaceAndDrawsColumns) {
    ctest::RecordingPanel panel(L"Buttons.xml", 0, nullptr);
    Open(panel);
    auto* row = panel.FindItemAs<CProfileBtn>(kProfile, kItemProfileButton);
    ASSERT_NE(row, nullptr);
    EXPECT_FALSE(row->IsHot()) << "a row looks hovered only under the pointer";
    EXPECT_EQ(row->Tooltip().Text(), L"keep\\nas written") << "profile tool tips are taken as written";

    ctest::Capture plain(row->Handle());
    EXPECT_EQ(plain.At(0, 0), kNormal) << "cut at the button's own place";
    EXPECT_EQ(plain.At(299, 29), kNormal);

    // Without a first column only the picture shows, whatever the others say.
    row->SetColumnTexts(L"", L"Game", L"Shooter", L"On");
    ctest::Capture empty(row->Handle());
    EXPECT_EQ(empty.Count(kNormal), 300 * 30);

    row->SetColumnTexts(L"07", L"Game", L"", L"");
    ctest::Capture text(row->Handle());
    EXPECT_GT(text.Count(controls::kProfileTextColour, 40), 0);
    // The first column lies within x 5..55, the second from 60 on.
    int firstColumn = 0;
    int beyondSecond = 0;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 300; ++x) {
            if (text.At(x, y) == kNormal)
                continue;
            if (x >= 5 && x < 55)
                ++firstColumn;
            else if (x >= 165)
                ++beyondSecond;
        }
    }
    EXPECT_GT(firstColumn, 0);
    EXPECT_EQ(beyondSecond, 0) << "empty third and fourth columns";

    const auto columns = controls::ProfileColumnRects(RECT{0, 0, 300, 30}, 16);
    EXPECT_EQ(columns[0].left, 5);
    EXPECT_EQ(columns[0].right, 55);
    EXPECT_EQ(columns[1].left, 60);
    EXPECT_EQ(columns[1].right, 160);
    EXPECT_EQ(columns[3].left, 270);
    EXPECT_EQ(columns[3].right, 370);
    EXPECT_EQ(columns[2].top, 7);
    EXPECT_EQ(columns[2].bottom, 30);

    // A missing face stays empty: the disabled row draws nothing.
    EnableWindow(row->Handle(), FALSE);
    row->SetColumnTexts(L"", L"", L"", L"");
    EXPECT_EQ(ctest::Capture(row->Handle(), 0x123456).At(10, 10), 0x123456u);
}

TEST_F(ButtonTest, ProfileButtonClicksAsButtonOrAsCheckBox) {
    ctest::RecordingPanel panel(L"Buttons.xml", 0, nullptr);
    Open(panel);
    auto* row = panel.FindItemAs<CProfileBtn>(kProfile, kItemProfileButton);
    ASSERT_NE(row, nullptr);
    HWND hwnd = row->Handle();

    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ctest::ExpectSequence(panel.seen,
                          {{WM_COMMAND, MAKEWPARAM(kProfile, BN_CLICKED), HwndParam(hwnd), ctest::kBoth}},
                          "ordinary profile button");
    EXPECT_EQ(row->GetChecked(), 0);

    row->SetCheckBox(true);
    panel.seen.clear();
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ctest::Pump();
    EXPECT_EQ(row->GetChecked(), 1);
    ctest::ExpectSequence(panel.seen,
                          {{WM_COMMAND, static_cast<WPARAM>(kProfile), HwndParam(hwnd), ctest::kBoth}},
                          "profile check box: one command of its own");
    EXPECT_EQ(SendMessageW(hwnd, BM_GETSTATE, 0, 0) & BST_PUSHED, 0) << "the press is over";
    EXPECT_NE(GetCapture(), hwnd);
    EXPECT_EQ(ctest::Capture(hwnd).At(10, 10), kDown);
}

TEST_F(ButtonTest, TextBoundToACheckBoxTogglesItAndReportsItsOwnId) {
    ctest::RecordingPanel panel(L"Buttons.xml", 0, nullptr);
    Open(panel);
    CBitmapBtn* box = Button(panel, kCheck);
    auto* text = panel.FindItemAs<CTextItem>(kTextInfo, kItemText);
    auto* notBound = panel.FindItemAs<CTextItem>(kTextName, kItemText);
    ASSERT_TRUE(box && text && notBound);
    EXPECT_EQ(text->LinkedCheckBox(), box);
    EXPECT_EQ(notBound->LinkedCheckBox(), nullptr) << "an ordinary button is no check box";

    SendMessageW(text->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(box->GetChecked(), 1);
    ctest::ExpectSequence(
        panel.seen, {{WM_COMMAND, static_cast<WPARAM>(kTextInfo), HwndParam(box->Handle()), ctest::kBoth}},
        "click on the bound text");
    EXPECT_EQ(ctest::Capture(box->Handle()).At(50, 20), kDown);

    box->SetTogglesOnClick(0);
    SendMessageW(text->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(box->GetChecked(), 1) << "the page keeps the state";
}

class AviButtonTest : public ButtonTest {
protected:
    // The clip the build makes for the main window, beside the test program:
    // tests\..\bin\skins\logo-sweep.avi.
    static std::wstring BuiltClip() {
        wchar_t exe[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, exe, MAX_PATH);
        std::wstring dir(exe);
        dir.resize(dir.find_last_of(L'\\') + 1);
        return dir + L"..\\bin\\skins\\logo-sweep.avi";
    }
};

TEST_F(AviButtonTest, SingleClickReachesNobodyDoubleClickPlaysTheClipOnce) {
    ASSERT_TRUE(CopyFileW(BuiltClip().c_str(), (m_dir + L"skins\\clip.avi").c_str(), FALSE))
        << "the build makes the clip";
    ctest::RecordingPanel panel(L"Buttons.xml", 0, nullptr);
    Open(panel);
    auto* video = panel.FindItemAs<CAVIButton>(kAvi, kItemAviButton);
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->VideoPath(), L"clip.avi") << "handed over trimmed, as written";
    EXPECT_EQ(video->SoundPath(), L"chime.wav");
    EXPECT_EQ(video->VideoFile(), m_dir + L"skins\\clip.avi");
    HWND hwnd = video->Handle();

    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ctest::Pump();
    ctest::ExpectSequence(panel.seen, {}, "single click on the video button");
    EXPECT_EQ(video->AnimationWindow(), nullptr);
    EXPECT_FALSE(video->IsPlaying());

    SendMessageW(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    HWND animation = video->AnimationWindow();
    ASSERT_NE(animation, nullptr);
    wchar_t className[64] = {};
    GetClassNameW(animation, className, 64);
    EXPECT_STREQ(className, ANIMATE_CLASSW);
    EXPECT_EQ(GetParent(animation), hwnd);
    EXPECT_TRUE(IsWindowVisible(animation));
    RECT r = {};
    GetWindowRect(animation, &r);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 1);
    EXPECT_EQ(r.top, 1);
    EXPECT_TRUE(video->ClipOpened()) << "the animation control opens the built clip";
    EXPECT_TRUE(video->IsPlaying());
    ctest::Pump();
    EXPECT_TRUE(video->ClipRunning());

    // Once through (24 frames at 24 per second), then it stops by itself.
    const ULONGLONG start = GetTickCount64();
    while (video->ClipRunning() && GetTickCount64() - start < 5000) {
        ctest::Pump();
        Sleep(10);
    }
    EXPECT_FALSE(video->ClipRunning()) << "played once, not in a loop";
    EXPECT_GT(GetTickCount64() - start, 500u);

    // Later double clicks replay it in the same control.
    SendMessageW(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(video->AnimationWindow(), animation);
    ctest::Pump();
    EXPECT_TRUE(video->ClipRunning());
    ctest::ExpectSequence(panel.seen, {}, "double clicks stay with the button");
}

TEST_F(AviButtonTest, AClipThatCannotBeOpenedLeavesTheControlEmpty) {
    ctest::RecordingPanel panel(L"Buttons.xml", 0, nullptr);  // no clip.avi in skins\.
    Open(panel);
    auto* video = panel.FindItemAs<CAVIButton>(kAvi, kItemAviButton);
    ASSERT_NE(video, nullptr);
    EXPECT_FALSE(video->Play());
    EXPECT_NE(video->AnimationWindow(), nullptr);
    EXPECT_FALSE(video->ClipOpened());
    EXPECT_TRUE(video->IsPlaying()) << "the control is there for the rest of the button's life";
}

TEST_F(ButtonTest, PanelsOfButtonsGiveBackTheirGdiObjects) {
    auto cycle = [] {
        ctest::RecordingPanel panel(L"Buttons.xml", 0, nullptr);
        HWND hwnd = panel.Create();
        ASSERT_NE(hwnd, nullptr);
        ctest::ShowAndActivate(hwnd);
        for (int id : {kOk, kApply, kCheck})
            ctest::Capture shot(panel.FindItem(id)->Window());
        if (auto* row = panel.FindItemAs<CProfileBtn>(kProfile, kItemProfileButton)) {
            row->SetColumnTexts(L"01", L"Game", L"x", L"y");
            ctest::Capture shot(row->Handle());
        }
        SendMessageW(panel.FindItem(kOk)->Window(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
        ReleaseCapture();
        ctest::Pump();
    };
    cycle();  // the resource cache keeps the pictures it loaded
    const int before = win::GdiObjectCount();
    ASSERT_GE(before, 0);
    for (int i = 0; i < 5; ++i)
        cycle();
    EXPECT_EQ(win::GdiObjectCount(), before);
}

}  // namespace
