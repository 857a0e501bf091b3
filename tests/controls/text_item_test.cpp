// Text items in a real panel: shown texts, hover colour with capture, clicks
// and the bound check box, texts placed on a bitmap item.
#include <windows.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "control_support.h"
#include "controls/CheckBoxLink.h"
#include "controls/TextItem.h"
#include "skin/ControlIds.h"
#include "skin/LangTable.h"
#include "skin/NameTables.h"
#include "skin/SkinLoader.h"

namespace {

constexpr int32_t kProfileInfo = 224;  // TEXT_PROFILEINFO
constexpr int32_t kProfileName = 225;  // TEXT_PROFILENAME
constexpr int32_t kDpi1 = 261;         // TEXT_DPI1
constexpr int32_t kSolvan = 216;       // BITMAP_SOLVAN
constexpr int32_t kOkButton = ctl::BUTTON_OK;

// A check box stand-in: the button class is not part of this layer.
class FakeCheckBox : public CGUIItem, public ICheckBoxLink {
public:
    FakeCheckBox(HWND parent, bool isCheckBox, bool toggles) : m_isCheckBox(isCheckBox), m_toggles(toggles) {
        SetId(kOkButton);
        SetType(kItemButton);
        SetWindow(
            CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, parent, nullptr, nullptr, nullptr));
    }
    ~FakeCheckBox() override { DestroyWindow(Window()); }
    bool IsCheckBox() const override { return m_isCheckBox; }
    bool TogglesOnClick() const override { return m_toggles; }
    int32_t GetChecked() const override { return m_checked; }
    void SetChecked(int32_t checked) override { m_checked = checked; }
    HWND CheckBoxWindow() const override { return Window(); }

private:
    bool m_isCheckBox;
    bool m_toggles;
    int32_t m_checked = 0;
};

class TextItemTest : public ::testing::Test {
protected:
    void SetUp() override {
        names::BuildAllNameTables();
        m_dir = ctest::MakeScratchModuleDir(L"text");
        ctest::WriteSolidBmp(m_dir + L"skins\\text-bg.bmp", 300, 200, 0x000000);
        ctest::WriteSolidBmp(m_dir + L"skins\\text-plate.bmp", 200, 100, 0x303030);
        ctest::WriteSkin(m_dir, L"Texts.xml", R"(<?xml version="1.0"?>
<GUIPANEL>
  <BACKGROUND>text-bg.bmp</BACKGROUND>
  <BITMAPLIST>
    <BITMAPITEM name="BITMAP_SOLVAN"><SBMN>text-plate.bmp</SBMN><RECT left="50" top="100" right="200" bottom="100"/></BITMAPITEM>
  </BITMAPLIST>
  <TEXTLIST>
    <TEXTITEM name="TEXT_PROFILEINFO" textkey="$NoSuchKey" caps="U" justify="L">
      <RECT left="0" top="0" right="150" bottom="20"/></TEXTITEM>
    <TEXTITEM name="TEXT_PROFILENAME" textkey="one\ntwo\nthree" multiline="1" justify="Centre"
              interactive="1" fontclr="RED" fontclrhi="GREEN">
      <RECT left="0" top="30" right="150" bottom="50"/></TEXTITEM>
    <TEXTITEM name="TEXT_DPI1" textkey="plain text" caps="U" windowid="BITMAP_SOLVAN" interactive="1" justify="R">
      <RECT left="10" top="10" right="120" bottom="20"/></TEXTITEM>
  </TEXTLIST>
</GUIPANEL>)");
    }

    CTextItem* Text(ctest::RecordingPanel& panel, int32_t id) {
        return dynamic_cast<CTextItem*>(panel.FindItem(id, kItemText));
    }

    void TearDown() override { ctest::RemoveScratchDir(m_dir); }

    std::wstring m_dir;
};

TEST_F(TextItemTest, ShownTextsFollowKeysCapsAndTheFirstLineBreak) {
    ctest::RecordingPanel panel(L"Texts.xml", 0, nullptr);
    ASSERT_NE(panel.Create(), nullptr);
    // An unresolved key is shown as written: no case change.
    ASSERT_NE(Text(panel, kProfileInfo), nullptr);
    EXPECT_EQ(Text(panel, kProfileInfo)->GetText(), L"$NoSuchKey");
    EXPECT_EQ(Text(panel, kProfileInfo)->DrawFormat(), 0u);
    // Only the first backslash + n breaks the line.
    ASSERT_NE(Text(panel, kProfileName), nullptr);
    EXPECT_EQ(Text(panel, kProfileName)->GetText(), L"one\r\ntwo\\nthree");
    EXPECT_EQ(Text(panel, kProfileName)->DrawFormat(), static_cast<UINT>(DT_CENTER | DT_WORDBREAK));
    // A plain text is not a key: caps leave it alone.
    ASSERT_NE(Text(panel, kDpi1), nullptr);
    EXPECT_EQ(Text(panel, kDpi1)->GetText(), L"plain text");
    EXPECT_EQ(Text(panel, kDpi1)->DrawFormat(), static_cast<UINT>(DT_RIGHT | DT_VCENTER | DT_SINGLELINE));

    // SetText resolves and breaks again; no caps.
    Text(panel, kProfileInfo)->SetText(L"a\\nb");
    EXPECT_EQ(Text(panel, kProfileInfo)->GetText(), L"a\r\nb");
}

TEST_F(TextItemTest, ResolvedKeysTakeCapsUnresolvedOnesStayAsWritten) {
    const wchar_t lines[] = L"Test\r\nc\r\nProfile Info\r\nfirst line\\nsecond line\r\n";
    ctest::WriteFile(m_dir + L"lang\\text-lang.txt",
                     std::string(reinterpret_cast<const char*>(lines), sizeof lines - sizeof(wchar_t)));
    ctest::WriteSkin(m_dir, L"TextLang.xml", R"(<ITEMLIST><LANGLIST>
  <LANG name="LANGUAGE_DEFAULT" file="text-lang.txt"><LANGOVERRIDE name="TEXT_PROFILENAME" caps="Lower"/></LANG>
</LANGLIST></ITEMLIST>)");
    ctest::WriteSkin(m_dir, L"TextKeys.xml", R"(<GUIPANEL><BACKGROUND>text-bg.bmp</BACKGROUND><TEXTLIST>
  <TEXTITEM name="TEXT_PROFILEINFO" textkey="$profileinfo" caps="U" multiline="1"><RECT left="0" top="0" right="150" bottom="40"/></TEXTITEM>
  <TEXTITEM name="TEXT_PROFILENAME" textkey="$ProfileInfo" caps="U"><RECT left="0" top="50" right="150" bottom="20"/></TEXTITEM>
  <TEXTITEM name="TEXT_DPI1" textkey="$Profile Info" caps="U"><RECT left="0" top="80" right="150" bottom="20"/></TEXTITEM>
</TEXTLIST></GUIPANEL>)");
    ItemList languages;
    skin::LoadSkinFile(L"TextLang.xml", languages, nullptr, nullptr);
    ASSERT_NE(lang::SelectCurrent(names::kDefaultLanguage), nullptr);
    {
        ctest::RecordingPanel panel(L"TextKeys.xml", 0, nullptr);
        ASSERT_NE(panel.Create(), nullptr);
        ASSERT_TRUE(Text(panel, kProfileInfo) && Text(panel, kProfileName) && Text(panel, kDpi1));
        EXPECT_EQ(Text(panel, kProfileInfo)->GetText(), L"FIRST LINE\r\nSECOND LINE");
        EXPECT_EQ(Text(panel, kProfileName)->GetText(), L"first line\r\nsecond line")
            << "the language's caps";
        EXPECT_EQ(Text(panel, kDpi1)->GetText(), L"$Profile Info") << "not a key of the language";
    }
    languages.clear();
    EXPECT_EQ(lang::Current(), nullptr);
}

TEST_F(TextItemTest, TextOnABitmapItemIsItsChildAndItsCommandsReachThePanel) {
    ctest::RecordingPanel panel(L"Texts.xml", 0, nullptr);
    HWND hwnd = panel.Create();
    ASSERT_NE(hwnd, nullptr);
    CGUIItem* plate = panel.FindItem(kSolvan, kItemBitmap);
    CTextItem* text = Text(panel, kDpi1);
    ASSERT_TRUE(plate && text);
    EXPECT_EQ(GetParent(text->Handle()), plate->Window());
    EXPECT_EQ(text->Owner(), plate);
    RECT r = {};
    GetWindowRect(text->Handle(), &r);
    MapWindowPoints(nullptr, plate->Window(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 10);
    EXPECT_EQ(r.right, 130);

    // A click (the static's notify style) goes to the bitmap item, which
    // posts it on to the panel unchanged.
    ctest::ShowAndActivate(hwnd);
    panel.seen.clear();
    SendMessageW(text->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(text->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ctest::Pump();
    ctest::ExpectSequence(
        panel.seen,
        {{WM_COMMAND, MAKEWPARAM(0, STN_CLICKED), reinterpret_cast<LPARAM>(text->Handle()), ctest::kBoth}},
        "click on a text placed on a bitmap item");
}

TEST_F(TextItemTest, OnlyInteractiveTextsTakeTheMouse) {
    ctest::RecordingPanel panel(L"Texts.xml", 0, nullptr);
    ASSERT_NE(panel.Create(), nullptr);
    HWND passive = Text(panel, kProfileInfo)->Handle();
    HWND active = Text(panel, kProfileName)->Handle();
    EXPECT_EQ(SendMessageW(passive, WM_NCHITTEST, 0, 0), HTTRANSPARENT);
    EXPECT_NE(SendMessageW(active, WM_NCHITTEST, 0, 0), HTTRANSPARENT);
}

TEST_F(TextItemTest, HoverTakesTheCaptureAndShowsTheHotColour) {
    ctest::RecordingPanel panel(L"Texts.xml", 0, nullptr);
    HWND hwnd = panel.Create();
    ASSERT_NE(hwnd, nullptr);
    ctest::ShowAndActivate(hwnd);
    CTextItem* text = Text(panel, kProfileName);
    ASSERT_NE(text, nullptr);

    const int redBefore = ctest::Capture(text->Handle()).Count(0xFF0000, 40);
    EXPECT_GT(redBefore, 0) << "normal colour drawn";
    EXPECT_EQ(ctest::Capture(text->Handle()).Count(0x00FF00, 40), 0);

    SendMessageW(text->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    EXPECT_TRUE(text->IsHot());
    EXPECT_EQ(GetCapture(), text->Handle());
    EXPECT_EQ(text->CurrentColour(), static_cast<COLORREF>(RGB(0, 255, 0)));
    ctest::Capture hot(text->Handle());
    EXPECT_GT(hot.Count(0x00FF00, 40), 0) << "hot colour drawn";
    EXPECT_EQ(hot.Count(0xFF0000, 40), 0);

    // A captured move over another window ends the hover and frees the mouse.
    RECT r = {};
    GetWindowRect(text->Handle(), &r);
    POINT outside = {r.left + 100, r.bottom + 60};  // over the panel's picture
    ScreenToClient(text->Handle(), &outside);
    SendMessageW(text->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(outside.x, outside.y));
    EXPECT_FALSE(text->IsHot());
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(text->CurrentColour(), static_cast<COLORREF>(RGB(255, 0, 0)));
}

TEST_F(TextItemTest, LosingTheCaptureKeepsAnotherWindowsCapture) {
    ctest::RecordingPanel panel(L"Texts.xml", 0, nullptr);
    HWND hwnd = panel.Create();
    ctest::ShowAndActivate(hwnd);
    CTextItem* text = Text(panel, kProfileName);
    ASSERT_NE(text, nullptr);
    SendMessageW(text->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    ASSERT_EQ(GetCapture(), text->Handle());
    // Another window takes the capture: the text must not release it.
    SetCapture(hwnd);
    EXPECT_EQ(GetCapture(), hwnd);
    ReleaseCapture();
}

TEST_F(TextItemTest, BoundCheckBoxTogglesAndTheTextReportsWithItsOwnId) {
    ctest::RecordingPanel panel(L"Texts.xml", 0, nullptr);
    HWND hwnd = panel.Create();
    ASSERT_NE(hwnd, nullptr);
    ctest::ShowAndActivate(hwnd);
    CTextItem* text = Text(panel, kProfileName);
    ASSERT_NE(text, nullptr);

    FakeCheckBox notACheckBox(hwnd, false, true);
    text->SetLinkedCheckBox(&notACheckBox);
    EXPECT_EQ(text->LinkedCheckBox(), nullptr) << "only a check box is accepted";

    FakeCheckBox toggling(hwnd, true, true);
    text->SetLinkedCheckBox(&toggling);
    panel.seen.clear();
    SendMessageW(text->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(text->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ctest::Pump();
    EXPECT_EQ(toggling.GetChecked(), 1);
    const auto checkHwnd = reinterpret_cast<LPARAM>(toggling.Window());
    const auto textHwnd = reinterpret_cast<LPARAM>(text->Handle());
    ctest::ExpectSequence(panel.seen,
                          {{WM_COMMAND, MAKEWPARAM(0, STN_CLICKED), textHwnd, ctest::kBoth},
                           {WM_COMMAND, static_cast<WPARAM>(kProfileName), checkHwnd, ctest::kBoth}},
                          "click on a text bound to a check box");

    // A check box whose page keeps the state: no toggle, still a command.
    FakeCheckBox managed(hwnd, true, false);
    text->SetLinkedCheckBox(&managed);
    panel.seen.clear();
    SendMessageW(text->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(managed.GetChecked(), 0);
    ctest::ExpectSequence(panel.seen,
                          {{WM_COMMAND, static_cast<WPARAM>(kProfileName),
                            reinterpret_cast<LPARAM>(managed.Window()), ctest::kBoth}},
                          "check box that does not toggle on click");

    // A disabled box ignores its text: no toggle, no command.
    EnableWindow(toggling.Window(), FALSE);
    text->SetLinkedCheckBox(&toggling);
    panel.seen.clear();
    SendMessageW(text->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(toggling.GetChecked(), 1);
    EXPECT_TRUE(std::none_of(panel.seen.begin(), panel.seen.end(), [&](const auto& seen) {
        return seen.message == WM_COMMAND && seen.lParam == checkHwnd;
    })) << "no command for a disabled box";
    text->SetLinkedCheckBox(nullptr);
}

}  // namespace
