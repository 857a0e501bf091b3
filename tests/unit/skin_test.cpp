// The skin loader: value syntax, the grammar (lists in their fixed order,
// items anywhere below their list, first-only elements, skipped names), panel
// bitmaps, fonts and language overrides. Creation functions that record what
// they are given stand in for the controls, so no window is needed.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "controls/ItemFactories.h"
#include "controls/ItemText.h"
#include "controls/PanelItems.h"
#include "skin/FontItem.h"
#include "skin/LangTable.h"
#include "skin/NameTables.h"
#include "skin/SkinLoader.h"
#include "win/ModuleDir.h"
#include "xml/XmlDocument.h"

namespace {

// --- scratch files ---------------------------------------------------------------

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// A solid 24-bit BMP.
std::string SolidBmp(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
    const int stride = (width * 3 + 3) & ~3;
    std::string bytes(54 + stride * height, '\0');
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<uint32_t>(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, width);
    put32(22, height);
    bytes[26] = 1;
    bytes[28] = 24;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            size_t at = 54 + y * stride + x * 3;
            bytes[at] = static_cast<char>(b);
            bytes[at + 1] = static_cast<char>(g);
            bytes[at + 2] = static_cast<char>(r);
        }
    }
    return bytes;
}

std::string Utf16(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

// --- recording creation functions ----------------------------------------------------

struct Made {
    std::wstring element;
    int32_t id;
    HFONT font;
    RECT rect;
};
std::vector<Made>* g_made = nullptr;

void Record(const XmlElement& element, int32_t id, skin::SkinContext& context) {
    if (g_made != nullptr)
        g_made->push_back(
            Made{element.Name(), id, skin::ItemFont(element, id, context), skin::ItemRect(element, id)});
    auto item = std::make_unique<CGUIItem>();
    item->SetId(id);
    item->SetType(kItemBitmap);  // so that windowid/trackid look-ups find something
    context.Add(std::move(item));
}

const wchar_t* const kRecorded[] = {
    L"BITMAPITEM", L"BITMAPWINDOW", L"BUTTON",    L"PROFBUTTON", L"AVIBUTTON",      L"VSLIDER",
    L"HSLIDERM",   L"HSLIDERMAPM",  L"DMARKER",   L"TEXTITEM",   L"DPISTAGEWINDOW", L"MACRODISPLAY",
    L"LISTCTRL",   L"COMBO",        L"LISTPANEL", L"EDITCTRL",   L"EDITCTRLSK"};

class SkinLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        names::BuildAllNameTables();
        // The controls, registered as at start-up (the panel bitmaps and fonts
        // are used as they are), then the recorders in their place.
        controls::RegisterItemFactories();
        for (const wchar_t* element : kRecorded) {
            m_saved.emplace_back(element, skin::ItemCreator(element));
            skin::RegisterItem(element, Record);
        }
        g_made = &m_made;

        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        m_dir = std::wstring(temp) + L"tarn-skin-unit-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(GetTickCount64()) + L"\\";
        CreateDirectoryW(m_dir.c_str(), nullptr);
        for (const wchar_t* sub : {L"xml", L"skins", L"lang", L"fonts"})
            CreateDirectoryW((m_dir + sub).c_str(), nullptr);
        m_savedModuleDir = app::ModuleDirectory();  // other suites of the process expect it back
        app::SetModuleDirectory(m_dir);
        WriteBytes(m_dir + L"skins\\unit-bg.bmp", SolidBmp(64, 48, 10, 20, 30));
        WriteBytes(m_dir + L"skins\\unit-mask.bmp", SolidBmp(64, 48, 0, 0, 0));
    }

    void TearDown() override {
        g_made = nullptr;
        for (auto& [element, create] : m_saved)
            skin::RegisterItem(element.c_str(), create);
        app::SetModuleDirectory(m_savedModuleDir);
        for (const wchar_t* file :
             {L"xml\\unit.xml", L"skins\\unit-bg.bmp", L"skins\\unit-mask.bmp", L"lang\\unit-lang.txt"})
            DeleteFileW((m_dir + file).c_str());
        for (const wchar_t* sub : {L"xml", L"skins", L"lang", L"fonts", L""})
            RemoveDirectoryW((m_dir + sub).c_str());
    }

    // Loads the text as a skin file.
    void Load(const char* xml) {
        WriteBytes(m_dir + L"xml\\unit.xml", xml);
        skin::LoadSkinFile(L"unit.xml", m_items, nullptr, this);
    }

    std::vector<std::wstring> Elements() const {
        std::vector<std::wstring> names;
        for (const Made& made : m_made)
            names.push_back(made.element);
        return names;
    }

    std::vector<std::pair<std::wstring, skin::CreateItemFn>> m_saved;
    std::vector<Made> m_made;
    ItemList m_items;
    std::wstring m_dir;
    std::wstring m_savedModuleDir;
};

// --- values ----------------------------------------------------------------------------

TEST(SkinValues, NumbersStopAtTheFirstNonDigitAndSaturate) {
    EXPECT_EQ(skin::ParseNumber(L"42"), 42);
    EXPECT_EQ(skin::ParseNumber(L"-17px"), -17);
    EXPECT_EQ(skin::ParseNumber(L"+8"), 8);
    EXPECT_EQ(skin::ParseNumber(L"  12 34"), 12);
    EXPECT_EQ(skin::ParseNumber(L"x12"), 0);
    EXPECT_EQ(skin::ParseNumber(L""), 0);
    EXPECT_EQ(skin::ParseNumber(L"-"), 0);
    EXPECT_EQ(skin::ParseNumber(L"99999999999999999999"), INT32_MAX);
    EXPECT_EQ(skin::ParseNumber(L"-99999999999999999999"), INT32_MIN);
    EXPECT_EQ(skin::ParseNumber(L"2147483647"), INT32_MAX);
    EXPECT_EQ(skin::ParseNumber(L"-2147483648"), INT32_MIN);
}

TEST(SkinValues, RectsAreGivenAsCornerWidthAndHeight) {
    XmlDocument document;
    const char xml[] =
        R"(<X><RECT left="10" top="20" right="100" bottom="30"/><RECT left="2147483647" top="-5" right="2147483647" bottom="junk"/></X>)";
    ASSERT_TRUE(document.LoadFromMemory(xml, sizeof xml - 1));
    std::vector<const XmlElement*> rects = document.FindAll(L"RECT");
    ASSERT_EQ(rects.size(), 2u);
    RECT r = skin::ReadRect(rects[0]);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.right, 110);
    EXPECT_EQ(r.bottom, 50);
    RECT huge = skin::ReadRect(rects[1]);
    EXPECT_EQ(huge.left, INT32_MAX);
    EXPECT_EQ(huge.right, INT32_MAX) << "no overflow";
    EXPECT_EQ(huge.bottom, -5);
    RECT none = skin::ReadRect(nullptr);
    EXPECT_EQ(none.left | none.top | none.right | none.bottom, 0);
}

TEST(SkinValues, JustifyAndCapsLookAtTheFirstLetterOnly) {
    using controls::Justify;
    EXPECT_EQ(controls::ParseJustify(L"center"), Justify::kDefault) << "lower case first letter";
    EXPECT_EQ(controls::ParseJustify(L"Center"), Justify::kCentre);
    EXPECT_EQ(controls::ParseJustify(L"C"), Justify::kCentre);
    EXPECT_EQ(controls::ParseJustify(L"Rechts"), Justify::kRight);
    EXPECT_EQ(controls::ParseJustify(L"Left"), Justify::kLeft);
    EXPECT_EQ(controls::ParseJustify(L"c"), Justify::kDefault);
    EXPECT_EQ(controls::ParseJustify(L""), Justify::kDefault);
    EXPECT_EQ(controls::ParseCaps(L"Upper"), controls::kCapsUpper);
    EXPECT_EQ(controls::ParseCaps(L"L"), controls::kCapsLower);
    EXPECT_EQ(controls::ParseCaps(L"upper"), controls::kCapsNone);

    EXPECT_EQ(controls::TextDrawFormat(Justify::kDefault, false), 0u);
    EXPECT_EQ(controls::TextDrawFormat(Justify::kLeft, true), static_cast<UINT>(DT_WORDBREAK));
    EXPECT_EQ(controls::TextDrawFormat(Justify::kCentre, false),
              static_cast<UINT>(DT_CENTER | DT_VCENTER | DT_SINGLELINE));
    EXPECT_EQ(controls::TextDrawFormat(Justify::kRight, true), static_cast<UINT>(DT_RIGHT | DT_WORDBREAK));
}

TEST(SkinValues, LineBreaksAndToolTipTexts) {
    std::wstring text = L"a\\nb\\nc";
    controls::FirstLineBreak(text);
    EXPECT_EQ(text, L"a\r\nb\\nc");
    EXPECT_EQ(controls::TooltipText(L"two\\nwords"), L"two words");
    EXPECT_EQ(controls::TooltipText(L"ends\\"), L"ends ");
    EXPECT_EQ(controls::TooltipText(L"plain"), L"plain");
}

// --- grammar ------------------------------------------------------------------------------

TEST_F(SkinLoaderTest, ListsAreReadInTheirFixedOrderWhateverTheDocumentOrder) {
    Load(R"(<ITEMLIST>
  <EDITCTRLLIST><EDITCTRLSK name="TEXT_DPI1"/><EDITCTRL name="TEXT_DPI2"/></EDITCTRLLIST>
  <LISTPANELLIST><LISTPANEL name="TEXT_DPI1"/></LISTPANELLIST>
  <COMBOLIST><COMBO name="TEXT_DPI1"/><LISTCTRL name="TEXT_DPI2"/></COMBOLIST>
  <MACRODISPLAY name="TEXT_DPI1"/>
  <DPISTAGELIST><DPISTAGEWINDOW name="TEXT_DPI1"/></DPISTAGELIST>
  <TEXTLIST><TEXTITEM name="TEXT_DPI1"/></TEXTLIST>
  <SLIDERLIST><DMARKER name="TEXT_DPI1"/><HSLIDERMAPM name="TEXT_DPI1"/><HSLIDERM name="TEXT_DPI1"/><VSLIDER name="TEXT_DPI1"/></SLIDERLIST>
  <BUTTONLIST><AVIBUTTON name="TEXT_DPI1"/><PROFBUTTON name="TEXT_DPI1"/><BUTTON name="TEXT_DPI1"/></BUTTONLIST>
  <BITMAPLIST><BITMAPWINDOW name="TEXT_DPI1"/><BITMAPITEM name="TEXT_DPI1"/></BITMAPLIST>
</ITEMLIST>)");
    EXPECT_EQ(Elements(),
              (std::vector<std::wstring>{L"BITMAPITEM", L"BITMAPWINDOW", L"BUTTON", L"PROFBUTTON",
                                         L"AVIBUTTON", L"VSLIDER", L"HSLIDERM", L"HSLIDERMAPM", L"DMARKER",
                                         L"TEXTITEM", L"DPISTAGEWINDOW", L"MACRODISPLAY", L"LISTCTRL",
                                         L"COMBO", L"LISTPANEL", L"EDITCTRL", L"EDITCTRLSK"}));
}

TEST_F(SkinLoaderTest, ItemsLieAnywhereBelowTheirListAndSomeCountOnlyOnce) {
    Load(R"(<ITEMLIST>
  <BITMAPLIST>
    <BITMAPWINDOW name="TEXT_DPI1"/>
    <GROUP><BITMAPITEM name="TEXT_DPI2"/><DEEP><BITMAPITEM name="TEXT_HEADING_X"/></DEEP></GROUP>
    <BITMAPITEM name="TEXT_HEADING_Y"/>
  </BITMAPLIST>
  <BUTTONLIST><PROFBUTTON name="TEXT_DPI1"/><PROFBUTTON name="TEXT_DPI2"/><AVIBUTTON name="TEXT_DPI1"/><AVIBUTTON name="TEXT_DPI2"/></BUTTONLIST>
  <TEXTITEM name="TEXT_DPI1"/>
  <EDITCTRLLIST><MACRODISPLAY name="TEXT_DPI2"/></EDITCTRLLIST>
  <MACRODISPLAY name="TEXT_DPI1"/>
</ITEMLIST>)");
    std::vector<std::wstring> expected = {L"BITMAPITEM", L"BITMAPITEM", L"BITMAPITEM",  L"BITMAPWINDOW",
                                          L"PROFBUTTON", L"AVIBUTTON",  L"MACRODISPLAY"};
    EXPECT_EQ(Elements(), expected) << "a TEXTITEM outside its list is not read";
    ASSERT_EQ(m_made.size(), expected.size());
    EXPECT_EQ(m_made[0].id, 262);  // TEXT_DPI2, document order within the list
    EXPECT_EQ(m_made[1].id, 265);  // TEXT_HEADING_X
    EXPECT_EQ(m_made[2].id, 266);  // TEXT_HEADING_Y
    EXPECT_EQ(m_made[4].id, 261) << "only the first PROFBUTTON";
    EXPECT_EQ(m_made[6].id, 262) << "the first MACRODISPLAY in the document";
}

TEST_F(SkinLoaderTest, UnknownNamesAndElementsWithoutAControlAreSkipped) {
    skin::RegisterItem(L"BUTTON", nullptr);  // a control not made yet
    Load(R"(<ITEMLIST>
  <BITMAPLIST><BITMAPITEM name="NO_SUCH_NAME"/><BITMAPITEM/><BITMAPITEM name="bitmap_solvan"/></BITMAPLIST>
  <BUTTONLIST><BUTTON name="BUTTON_OK"/></BUTTONLIST>
  <TEXTLIST><TEXTITEM name="TEXT_DPI1"/></TEXTLIST>
</ITEMLIST>)");
    EXPECT_EQ(Elements(), (std::vector<std::wstring>{L"BITMAPITEM", L"TEXTITEM"}));
    ASSERT_EQ(m_made.size(), 2u);
    EXPECT_EQ(m_made[0].id, 216) << "names match without regard to case";
}

TEST_F(SkinLoaderTest, PanelBitmapsComeFirstAndAnUnloadableOneStopsTheFile) {
    const char lists[] = R"(<TEXTLIST><TEXTITEM name="TEXT_DPI1"/></TEXTLIST>)";
    Load((std::string("<GUIPANEL><BACKGROUND>nothing.bmp</BACKGROUND>") + lists + "</GUIPANEL>").c_str());
    EXPECT_TRUE(m_items.empty()) << "no loadable background";
    Load((std::string("<GUIPANEL>") + lists + "</GUIPANEL>").c_str());
    EXPECT_TRUE(m_items.empty()) << "no background at all";
    Load((std::string("<GUIPANEL><BACKGROUND>unit-bg.bmp</BACKGROUND><MASK>nothing.bmp</MASK>") + lists +
          "</GUIPANEL>")
             .c_str());
    EXPECT_TRUE(m_items.empty()) << "a mask that cannot be loaded";
    EXPECT_TRUE(m_made.empty());

    Load((std::string("<GUIPANEL><MASK> unit-mask.bmp\n</MASK><BACKGROUND>unit-bg.bmp</BACKGROUND>") + lists +
          "</GUIPANEL>")
             .c_str());
    ASSERT_EQ(m_items.size(), 3u);
    auto* background = dynamic_cast<CPanelBitmap*>(m_items[0].get());
    auto* mask = dynamic_cast<CPanelBitmap*>(m_items[1].get());
    ASSERT_TRUE(background && mask);
    EXPECT_EQ(background->Id(), 0);
    EXPECT_EQ(mask->Id(), 1);
    EXPECT_EQ(background->Type(), kItemPanelBitmap);
    EXPECT_EQ(background->Size().cx, 64);
    EXPECT_EQ(background->Size().cy, 48);
    EXPECT_EQ(background->Owner(), this);
    EXPECT_EQ(m_items[2]->Id(), 261);
}

TEST_F(SkinLoaderTest, PanelBitmapsAreMadeByTheFunctionsRegisteredForThem) {
    const char panel[] = R"(<GUIPANEL><BACKGROUND>unit-bg.bmp</BACKGROUND><MASK>unit-mask.bmp</MASK>
  <TEXTLIST><TEXTITEM name="TEXT_DPI1"/></TEXTLIST></GUIPANEL>)";
    for (const wchar_t* element : {L"BACKGROUND", L"MASK"})
        m_saved.emplace_back(element, skin::ItemCreator(element));  // put back by TearDown

    // Before the controls are registered the loader cannot make a panel.
    skin::RegisterItem(L"BACKGROUND", nullptr);
    Load(panel);
    EXPECT_TRUE(m_items.empty());
    EXPECT_TRUE(m_made.empty());

    // Whatever is registered is handed the element and the fixed ids.
    skin::RegisterItem(L"BACKGROUND", Record);
    skin::RegisterItem(L"MASK", Record);
    Load(panel);
    EXPECT_EQ(Elements(), (std::vector<std::wstring>{L"BACKGROUND", L"MASK", L"TEXTITEM"}));
    ASSERT_EQ(m_made.size(), 3u);
    EXPECT_EQ(m_made[0].id, 0);
    EXPECT_EQ(m_made[1].id, 1);
    EXPECT_EQ(m_items.size(), 3u);

    // A mask function that makes nothing takes the background made before it
    // out again, and the rest of the file is not read.
    m_made.clear();
    m_items.clear();
    skin::RegisterItem(L"MASK", [](const XmlElement&, int32_t, skin::SkinContext&) {});
    Load(panel);
    EXPECT_EQ(Elements(), std::vector<std::wstring>{L"BACKGROUND"});
    EXPECT_TRUE(m_items.empty());
}

TEST_F(SkinLoaderTest, EmptyPanelFallsBackToTheItemListAndNothingLoadsNothing) {
    Load(R"(<ROOT><GUIPANEL/><ITEMLIST><TEXTLIST><TEXTITEM name="TEXT_DPI1"/></TEXTLIST></ITEMLIST></ROOT>)");
    EXPECT_EQ(Elements(), std::vector<std::wstring>{L"TEXTITEM"});
    m_made.clear();
    m_items.clear();
    Load(R"(<ROOT><TEXTLIST><TEXTITEM name="TEXT_DPI1"/></TEXTLIST></ROOT>)");
    Load(R"(<ITEMLIST/>)");
    Load("<ITEMLIST><TEXTLIST>");  // malformed
    skin::LoadSkinFile(L"no-such-file.xml", m_items, nullptr, this);
    skin::LoadSkinFile(L"", m_items, nullptr, this);
    EXPECT_TRUE(m_made.empty());
    EXPECT_TRUE(m_items.empty());
}

// --- fonts ---------------------------------------------------------------------------

TEST_F(SkinLoaderTest, FontsAreFoundOnlyWhenMadeEarlier) {
    Load(R"(<ITEMLIST>
  <FONTLIST><FONT name="FONT_ARIAL12" typeface="Arial" pitch="12" boldlevel="700"/></FONTLIST>
  <TEXTLIST>
    <TEXTITEM name="TEXT_DPI1" fontid="FONT_ARIAL12"/>
    <TEXTITEM name="TEXT_DPI2" fontid="FONT_ARIAL14"/>
    <TEXTITEM name="TEXT_HEADING_X" fontid="TEXT_DPI1"/>
    <TEXTITEM name="TEXT_HEADING_Y"/>
  </TEXTLIST>
  <FONTLIST><FONT name="FONT_ARIAL14" typeface="Arial" pitch="14"/></FONTLIST>
</ITEMLIST>)");
    ASSERT_EQ(m_made.size(), 4u);
    auto* font = dynamic_cast<CFontItem*>(m_items[0].get());
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(m_made[0].font, font->Font());
    EXPECT_EQ(m_made[1].font, nullptr) << "declared after the texts: the default font";
    EXPECT_EQ(m_made[2].font, nullptr) << "names an item that is not a font";
    EXPECT_EQ(m_made[3].font, nullptr);
}

TEST(SkinFonts, FontItemTakesFaceHeightAndWeight) {
    CFontItem font(L"Arial", 14, 700);
    ASSERT_NE(font.Font(), nullptr);
    EXPECT_EQ(font.Type(), kItemFont);
    EXPECT_STREQ(font.LogFont().lfFaceName, L"Arial");
    EXPECT_EQ(font.LogFont().lfHeight, 14);
    EXPECT_EQ(font.LogFont().lfWeight, 700);
    EXPECT_EQ(font.LogFont().lfPitchAndFamily, 0x20);
    EXPECT_EQ(font.LogFont().lfCharSet, 0);

    CFontItem unset(std::wstring(40, L'F'), 0, -3);
    EXPECT_EQ(std::wstring(unset.LogFont().lfFaceName), std::wstring(31, L'F'));
    EXPECT_EQ(unset.LogFont().lfHeight, 0);
    EXPECT_EQ(unset.LogFont().lfWeight, 0);

    CFontItem huge(L"Arial", INT32_MAX, INT32_MAX);
    EXPECT_EQ(huge.LogFont().lfHeight, CFontItem::kMaxHeight);
    EXPECT_EQ(huge.LogFont().lfWeight, FW_HEAVY);
}

// --- language overrides -------------------------------------------------------------------

TEST_F(SkinLoaderTest, LanguageOverridesReplaceTheFilesValues) {
    WriteBytes(m_dir + L"lang\\unit-lang.txt",
               Utf16(L"Unit\r\ncomment\r\nProfile Name\r\nthe name\\nsecond\r\nOther\r\nx\r\n"));
    Load(R"(<ITEMLIST>
  <LANGLIST><LANG name="LANGUAGE_DEFAULT" file="unit-lang.txt">
    <LANGFONT fontsearch="FONT_ARIAL12" fontreplace="FONT_ARIAL16"/>
    <LANGOVERRIDE name="TEXT_DPI1"><RECT left="1" top="2" right="30" bottom="40"/></LANGOVERRIDE>
    <LANGOVERRIDE name="TEXT_DPI1" caps="L"/>
    <LANGOVERRIDE name="TEXT_DPI2" fontid="FONT_ARIAL14"/>
    <LANGFONT fontsearch="FONT_ARIAL14" fontreplace="FONT_ARIAL18B"/>
  </LANG></LANGLIST>
  <FONTLIST>
    <FONT name="FONT_ARIAL12" typeface="Arial" pitch="12"/>
    <FONT name="FONT_ARIAL14" typeface="Arial" pitch="14"/>
    <FONT name="FONT_ARIAL16" typeface="Arial" pitch="16"/>
  </FONTLIST>
</ITEMLIST>)");
    ASSERT_EQ(m_items.size(), 4u) << "a language table and three fonts";
    EXPECT_EQ(m_items[0]->Type(), kItemLanguage);
    ASSERT_NE(lang::SelectCurrent(names::kDefaultLanguage), nullptr);

    // The rest of the file is read with the language in force.
    Load(R"(<ITEMLIST><TEXTLIST>
  <TEXTITEM name="TEXT_DPI1" caps="U" fontid="FONT_ARIAL12"><RECT left="5" top="5" right="5" bottom="5"/></TEXTITEM>
  <TEXTITEM name="TEXT_DPI2" fontid="FONT_ARIAL12"><RECT left="5" top="5" right="5" bottom="5"/></TEXTITEM>
  <TEXTITEM name="TEXT_DPIVALUE1" fontid="FONT_ARIAL14"><RECT left="5" top="5" right="5" bottom="5"/></TEXTITEM>
</TEXTLIST></ITEMLIST>)");
    ASSERT_EQ(m_made.size(), 3u);
    auto fontOf = [&](size_t index) { return dynamic_cast<CFontItem*>(m_items[index].get())->Font(); };
    EXPECT_EQ(m_made[0].rect.left, 1);
    EXPECT_EQ(m_made[0].rect.top, 2);
    EXPECT_EQ(m_made[0].rect.right, 31) << "override in the same corner form";
    EXPECT_EQ(m_made[0].rect.bottom, 42);
    EXPECT_EQ(m_made[0].font, fontOf(3)) << "the language's font replacement";
    EXPECT_EQ(m_made[1].rect.right, 10);
    EXPECT_EQ(m_made[1].font, fontOf(2)) << "a fontid override is used as it is";
    EXPECT_EQ(m_made[2].font, fontOf(2)) << "a replacement the file does not declare keeps the file's font";

    XmlDocument document;
    const char item[] = R"(<TEXTITEM name="TEXT_DPI1" caps="U" tooltip="t"/>)";
    ASSERT_TRUE(document.LoadFromMemory(item, sizeof item - 1));
    bool present = false;
    EXPECT_EQ(skin::OverriddenAttribute(*document.Root(), 261, L"caps", &present), L"L");
    EXPECT_TRUE(present);
    EXPECT_EQ(skin::OverriddenAttribute(*document.Root(), 262, L"caps", &present), L"U");
    EXPECT_EQ(skin::OverriddenAttribute(*document.Root(), 262, L"multiline", &present), L"");
    EXPECT_FALSE(present);

    // Caps apply only to a key that resolved.
    EXPECT_EQ(controls::ItemText(L"$profilename", controls::kCapsUpper), L"THE NAME\r\nSECOND");
    EXPECT_EQ(controls::ItemText(L"$Missing", controls::kCapsUpper), L"$Missing");
    EXPECT_EQ(controls::ItemText(L"#Oth", controls::kCapsNone), L"x");

    m_items.clear();  // the tables leave the register with their list
    EXPECT_EQ(lang::Current(), nullptr);
}

}  // namespace
