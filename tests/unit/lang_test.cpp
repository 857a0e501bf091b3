#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "skin/GUIItem.h"
#include "skin/LangTable.h"
#include "skin/NameTables.h"
#include "skin/ResourceCache.h"
#include "win/ModuleDir.h"
#include "xml/XmlDocument.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Utf16(const std::wstring& text) {
    Bytes bytes;
    for (wchar_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    return bytes;
}

// Parses the text as a language file into a fresh table.
struct Parsed {
    CLangTable table;
    bool ok = false;
    explicit Parsed(const Bytes& bytes) { ok = ParseLangText(bytes.data(), bytes.size(), table); }
    std::wstring Look(const std::wstring& text) const {
        std::wstring out = L"<none>";
        table.Resolve(text, out);
        return out;
    }
};

const int32_t kButtonOk = 8;
const int32_t kButtonCancel = 10;
const int32_t kEnglish = 318;
const int32_t kGerman = 323;

TEST(LangText, LinesPairUpFromLineTwoUntilEndOfFile) {
    Parsed file(Utf16(L"English\r\nThe comment line\r\nA\r\nText of A\r\nEND OF FILE\r\nB\r\nText of B\r\n"));
    EXPECT_TRUE(file.ok);
    EXPECT_EQ(file.table.Title(), L"English");
    ASSERT_EQ(file.table.EntryCount(), 1u);
    EXPECT_EQ(file.table.Entries()[0].first, L"A");
    EXPECT_EQ(file.Look(L"$A"), L"Text of A");
    EXPECT_EQ(file.Look(L"$B"), L"<none>");

    // Ignoring case, and only from line 2 on: as line 1 it is the comment.
    Parsed lower(Utf16(L"T\r\nEnd Of File\r\nK\r\nV\r\nend of file\r\nL\r\nW"));
    ASSERT_EQ(lower.table.EntryCount(), 1u);
    EXPECT_EQ(lower.Look(L"$K"), L"V");
    // A text line reading END OF FILE ends the file too, and drops its key.
    Parsed asText(Utf16(L"T\r\nC\r\nK\r\nV\r\nL\r\nEND OF FILE\r\n"));
    EXPECT_EQ(asText.table.EntryCount(), 1u);
    // Not a whole line: an ordinary text.
    Parsed partial(Utf16(L"T\r\nC\r\nK\r\nEND OF FILE!\r\n"));
    EXPECT_EQ(partial.Look(L"$K"), L"END OF FILE!");
}

TEST(LangText, BlankLinesLineEndsAndTheLastLineAreHandled) {
    // Blank lines between a key and its text, and before the title.
    Parsed blanks(
        Utf16(L"\r\n\r\nTitle\r\n\r\n\r\nComment\r\nKey 1\r\n\r\n\n\r\nText 1\r\n\r\nKey 2\r\nText 2"));
    EXPECT_EQ(blanks.table.Title(), L"Title");
    ASSERT_EQ(blanks.table.EntryCount(), 2u);
    EXPECT_EQ(blanks.Look(L"$Key1"), L"Text 1");
    EXPECT_EQ(blanks.Look(L"$Key2"), L"Text 2");  // last line without a line end

    // Line feeds alone end lines as well.
    Parsed unixEnds(Utf16(L"Title\nComment\nKey\nText\n"));
    EXPECT_EQ(unixEnds.Look(L"$Key"), L"Text");

    // A key without a text line is dropped; a title with a byte-order mark
    // loses it.
    Parsed dangling(Utf16(L"\xFEFFTitle\r\nC\r\nK\r\nV\r\nLonely\r\n"));
    EXPECT_EQ(dangling.table.Title(), L"Title");
    EXPECT_EQ(dangling.table.EntryCount(), 1u);
    EXPECT_EQ(dangling.Look(L"$Lonely"), L"<none>");

    // A zero character ends the data.
    Parsed zero(Utf16(std::wstring(L"T\r\nC\r\nK\r\nV\r\nL", 13) + L'\0' + L"\r\nW\r\n"));
    EXPECT_EQ(zero.table.EntryCount(), 1u);
}

TEST(LangText, ShortOddAndEmptyDataAreSafe) {
    Bytes odd = Utf16(L"T\r\nC\r\nK\r\nV");
    odd.push_back('X');  // half a character
    Parsed oddFile(odd);
    EXPECT_TRUE(oddFile.ok);
    EXPECT_EQ(oddFile.Look(L"$K"), L"V");

    Parsed titleOnly(Utf16(L"Only a title"));
    EXPECT_FALSE(titleOnly.ok);
    EXPECT_EQ(titleOnly.table.Title(), L"Only a title");
    EXPECT_EQ(titleOnly.table.EntryCount(), 0u);

    CLangTable table;
    EXPECT_FALSE(ParseLangText(nullptr, 10, table));
    const uint8_t one = 'A';
    EXPECT_FALSE(ParseLangText(&one, 1, table));
    EXPECT_EQ(table.EntryCount(), 0u);
}

TEST(LangResolve, KeysMatchWithoutBlanksAndIgnoringCase) {
    Parsed file(
        Utf16(L"T\r\nC\r\nKey 1\r\nFirst\r\nKey10\r\nTenth\r\nCreate Profile\r\nNew profile\r\n"
              L"Key 1\r\nDuplicate\r\n"));
    EXPECT_EQ(file.Look(L"$key1"), L"First");
    EXPECT_EQ(file.Look(L"$KEY1"), L"First");  // first in file order wins over the duplicate
    EXPECT_EQ(file.Look(L"$CreateProfile"), L"New profile");
    EXPECT_EQ(file.Look(L"$createprofile"), L"New profile");
    EXPECT_EQ(file.Look(L"$Create Profile"), L"<none>");  // blanks count in the wanted key
    EXPECT_EQ(file.Look(L"$Key"), L"<none>");
    // # takes the first key that begins with the prefix.
    EXPECT_EQ(file.Look(L"#Key"), L"First");
    EXPECT_EQ(file.Look(L"#key10"), L"Tenth");
    EXPECT_EQ(file.Look(L"#Create"), L"New profile");
    EXPECT_EQ(file.Look(L"#Nothing"), L"<none>");
    // Anything else is no key, even when a pair has it as its key.
    EXPECT_EQ(file.Look(L"Key1"), L"<none>");
    EXPECT_EQ(file.Look(L""), L"<none>");
    EXPECT_EQ(file.Look(L" $Key1"), L"<none>");
}

TEST(LangResolve, KeysLongerThan59CharactersNeverMatch) {
    const std::wstring k59(59, L'k');
    const std::wstring l60(60, L'l');
    const std::wstring m59spaced = std::wstring(30, L'm') + L"  " + std::wstring(29, L'm');
    Parsed file(Utf16(L"T\r\nC\r\n" + k59 + L"\r\nfits\r\n" + l60 + L"\r\ntoo long\r\n" + m59spaced +
                      L"\r\nblanks do not count\r\n"));
    EXPECT_EQ(file.Look(L"$" + k59), L"fits");
    EXPECT_EQ(file.Look(L"$" + l60), L"<none>");
    EXPECT_EQ(file.Look(L"$" + l60.substr(0, 59)), L"<none>");  // not even by its first 59
    EXPECT_EQ(file.Look(L"$" + std::wstring(59, L'm')), L"blanks do not count");
    EXPECT_EQ(file.Look(L"#lll"), L"too long");  // a prefix still finds it

    CLangTable table;
    table.AddEntry(L"Empty", L"");
    std::wstring out = L"unchanged";
    EXPECT_TRUE(table.Resolve(L"$empty", out));
    EXPECT_EQ(out, L"");
}

TEST(LangRegister, NoCurrentLanguageLeavesEverythingAsWritten) {
    lang::ClearRegister();
    std::wstring out = L"unchanged";
    EXPECT_FALSE(lang::Resolve(L"$LeftButton", out));
    EXPECT_FALSE(lang::Resolve(L"#Left", out));
    EXPECT_FALSE(lang::Resolve(L"plain", out));
    EXPECT_EQ(out, L"unchanged");
    EXPECT_EQ(lang::FontOf(229), 229);
    EXPECT_EQ(lang::OverrideOf(kButtonOk, L"caps"), nullptr);
    EXPECT_NE(lang::KeyboardLayout(), nullptr);
}

TEST(LangRegister, TablesRegisterByNumberAndLeaveWhenDestroyed) {
    lang::ClearRegister();
    auto first = std::make_unique<CLangTable>();
    first->SetId(kEnglish);
    EXPECT_EQ(first->Type(), kItemLanguage);
    CLangTable later;
    later.SetId(kEnglish);
    CLangTable notALanguage;
    notALanguage.SetId(kButtonOk);
    CLangTable japanese;
    japanese.SetId(326);

    EXPECT_FALSE(lang::Register(&notALanguage));
    EXPECT_FALSE(lang::Register(nullptr));
    EXPECT_TRUE(lang::Register(&japanese));  // the last language number
    EXPECT_TRUE(lang::Register(first.get()));
    EXPECT_EQ(lang::SelectCurrent(kButtonOk), first.get());
    EXPECT_TRUE(lang::Register(&later));  // same number: replaces in the register
    EXPECT_EQ(lang::Find(kEnglish), &later);
    EXPECT_EQ(lang::Current(), first.get());  // the current language stays until selected again

    first.reset();  // the current language goes away: no dangling reference
    EXPECT_EQ(lang::Current(), nullptr);
    EXPECT_EQ(lang::Find(kEnglish), &later);
    EXPECT_EQ(lang::SelectCurrent(326), &japanese);

    // Only languages other than 318 declared: an unknown choice gives none.
    lang::ClearRegister();
    ASSERT_TRUE(lang::Register(&japanese));
    EXPECT_EQ(lang::SelectCurrent(kGerman), nullptr);
    EXPECT_EQ(lang::Current(), nullptr);
    lang::ClearRegister();
}

// A scratch module directory with xml\ and lang\ folders.
class LangFiles : public ::testing::Test {
protected:
    void SetUp() override {
        names::BuildAllNameTables();
        lang::ClearRegister();
        CResourceCache::Instance().ReleaseAll();
        m_oldModuleDir = app::ModuleDirectory();
        wchar_t temp[MAX_PATH] = {};
        ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
        m_dir = std::wstring(temp) + L"tarn_lang_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                std::to_wstring(GetTickCount64()) + L"\\";
        ASSERT_TRUE(CreateDirectoryW(m_dir.c_str(), nullptr));
        for (const wchar_t* sub : {L"xml", L"lang"})
            ASSERT_TRUE(CreateDirectoryW((m_dir + sub).c_str(), nullptr));
        app::SetModuleDirectory(m_dir);
    }

    void TearDown() override {
        m_items.clear();
        lang::ClearRegister();
        CResourceCache::Instance().ReleaseAll();
        app::SetModuleDirectory(m_oldModuleDir);
        for (const std::wstring& path : m_written)
            DeleteFileW(path.c_str());
        for (const wchar_t* sub : {L"xml", L"lang"})
            RemoveDirectoryW((m_dir + sub).c_str());
        RemoveDirectoryW(m_dir.c_str());
    }

    void Write(const std::wstring& relative, const Bytes& bytes) {
        std::wstring path = m_dir + relative;
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        if (!bytes.empty()) {
            EXPECT_TRUE(WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
        }
        CloseHandle(file);
        m_written.push_back(path);
    }

    void WriteLanguageFile(const std::wstring& name, const std::wstring& text) {
        Write(L"lang\\" + name, Utf16(text));
    }

    // Reads xml\Language.xml as start-up does: every LANG below LANGLIST.
    void ReadDeclarations(const std::string& xml) {
        Write(L"xml\\Language.xml", Bytes(xml.begin(), xml.end()));
        XmlDocument document;
        ASSERT_TRUE(document.Load(m_dir + L"xml\\Language.xml"));
        const XmlElement* list = document.FindFirst(L"LANGLIST");
        ASSERT_NE(list, nullptr);
        for (const XmlElement* element : list->FindAll(L"LANG")) {
            if (std::unique_ptr<CLangTable> table = ReadLangElement(*element, &m_owner))
                m_items.push_back(std::move(table));
        }
    }

    CLangTable* Table(size_t index) const {
        return index < m_items.size() ? static_cast<CLangTable*>(m_items[index].get()) : nullptr;
    }

    std::wstring m_oldModuleDir;
    std::wstring m_dir;
    std::vector<std::wstring> m_written;
    ItemList m_items;
    int m_owner = 0;
};

TEST_F(LangFiles, DeclaredLanguagesAreReadRegisteredAndSelected) {
    WriteLanguageFile(L"English.txt", L"English\r\n#\r\nLeftButton\r\nLeft button\r\nRightButton\r\nRight button\r\n");
    // Written by another editor: a byte-order mark, LF line ends, and cut
    // off before its second key.
    WriteLanguageFile(L"German.txt", L"\xFEFF" L"Deutsch\n#\nLeftButton\nLinke Taste\nNameSeparator\n \u2013 \nRightBut");
    WriteLanguageFile(L"Empty.txt", L"");
    WriteLanguageFile(L"NoPairs.txt", L"Title only\r\n");
    ReadDeclarations(R"(<ITEMLIST><LANGLIST>
        <LANG name="LANGUAGE_DEFAULT" file="English.txt"/>
        <LANG name="language_german" file="German.txt"/>
        <LANG name="LANGUAGE_KLINGON" file="English.txt"/>
        <LANG name="LANGUAGE_FRENCH" file="Missing.txt"/>
        <LANG name="LANGUAGE_RUSSIAN" file="Empty.txt"/>
        <LANG name="LANGUAGE_KOREAN" file="NoPairs.txt"/>
        <LANG name="BUTTON_OK" file="English.txt"/>
    </LANGLIST></ITEMLIST>)");

    // Unknown name, missing or empty file: no table. Without pairs: kept.
    ASSERT_EQ(m_items.size(), 4u);
    EXPECT_EQ(Table(0)->Id(), kEnglish);
    EXPECT_EQ(Table(0)->Type(), kItemLanguage);
    EXPECT_EQ(Table(0)->Owner(), &m_owner);
    EXPECT_EQ(Table(0)->Title(), L"English");
    EXPECT_EQ(Table(0)->KeyboardLayout(), GetKeyboardLayout(0));
    EXPECT_EQ(Table(1)->Id(), kGerman);
    EXPECT_EQ(Table(2)->Id(), 324);
    EXPECT_EQ(Table(2)->EntryCount(), 0u);
    EXPECT_EQ(lang::Find(321), nullptr);
    EXPECT_EQ(lang::Find(325), nullptr);
    // An item id that is no language number: kept in the list, never current.
    EXPECT_EQ(Table(3)->Id(), kButtonOk);
    EXPECT_EQ(lang::Find(kButtonOk), nullptr);

    std::wstring text;
    EXPECT_EQ(lang::SelectCurrent(kGerman), Table(1));
    ASSERT_TRUE(lang::Resolve(L"$leftbutton", text));
    EXPECT_EQ(text, L"Linke Taste");
    EXPECT_EQ(Table(1)->Title(), L"Deutsch");
    // What the cut file lacks is shown in English; what neither has stays.
    ASSERT_TRUE(lang::Resolve(L"$RightButton", text));
    EXPECT_EQ(text, L"Right button");
    EXPECT_FALSE(lang::Resolve(L"$Wheel", text));
    EXPECT_EQ(lang::NameSeparator(), L" \u2013 ");
    EXPECT_EQ(lang::SelectCurrent(321), Table(0));  // French was not declared
    ASSERT_TRUE(lang::Resolve(L"$LeftButton", text));
    EXPECT_EQ(text, L"Left button");
    EXPECT_EQ(lang::NameSeparator(), L": ") << "another language, another separator";
    EXPECT_EQ(lang::KeyboardLayout(), Table(0)->KeyboardLayout());

    // The owners drop their tables: nothing stays registered or current.
    m_items.clear();
    EXPECT_EQ(lang::Current(), nullptr);
    EXPECT_EQ(lang::Find(kEnglish), nullptr);
}

TEST_F(LangFiles, FontReplacementsAndOverridesOfAllThreeShapes) {
    WriteLanguageFile(L"English.txt", L"English\r\n#\r\nOK\r\nOkay\r\n");
    ReadDeclarations(R"(<ITEMLIST><LANGLIST><LANG name="LANGUAGE_DEFAULT" file="English.txt">
        <LANGFONT fontsearch="FONT_ARIAL12" fontreplace="FONT_ARIAL10"/>
        <LANGFONT fontsearch="FONT_ARIAL14" fontreplace="FONT_ARIAL10"/>
        <LANGFONT fontsearch="FONT_ARIAL14" fontreplace="FONT_ARIAL16"/>
        <LANGFONT fontsearch="FONT_NONE" fontreplace="FONT_ARIAL10"/>
        <LANGFONT fontsearch="FONT_ARIAL18" fontreplace="FONT_NONE"/>
        <LANGOVERRIDE name="BUTTON_OK" caps="U"/>
        <LANGOVERRIDE multiline="1" NAME="button_ok"/>
        <LANGOVERRIDE name="BUTTON_OK" tooltip="$first"/>
        <LANGOVERRIDE name="BUTTON_OK" TOOLTIP="$second"/>
        <LANGOVERRIDE name="BUTTON_NOSUCH" caps="L"/>
        <LANGOVERRIDE name="BUTTON_OK" caps="L" multiline="0"/>
        <LANGOVERRIDE caps="L" fontid="FONT_ARIAL10"/>
        <LANGOVERRIDE caps="L"><RECT left="1" top="2" right="3" bottom="4"/></LANGOVERRIDE>
        <LANGOVERRIDE name="BUTTON_OK"><RECT left="10" top="-20" right="100" bottom="30x"/><SBMN>ignored.bmp</SBMN></LANGOVERRIDE>
        <LANGOVERRIDE name="BUTTON_CANCEL"><SBMN> cancel_n.bmp </SBMN><SBMDS>cancel_ds.bmp</SBMDS></LANGOVERRIDE>
        <LANGOVERRIDE name="BUTTON_CANCEL"><SBMO>)" +
                     std::string(300, 'o') + R"(</SBMO></LANGOVERRIDE>
        <LANGOVERRIDE name="BUTTON_NOSUCH"><RECT left="1" top="2" right="3" bottom="4"/></LANGOVERRIDE>
    </LANG></LANGLIST></ITEMLIST>)");
    ASSERT_EQ(m_items.size(), 1u);
    ASSERT_NE(lang::SelectCurrent(kEnglish), nullptr);

    // Fonts: known pairs only; a later replacement of the same font wins.
    EXPECT_EQ(lang::FontOf(229), 228);  // FONT_ARIAL12 -> FONT_ARIAL10
    EXPECT_EQ(lang::FontOf(232), 234);  // FONT_ARIAL14 -> FONT_ARIAL16
    EXPECT_EQ(lang::FontOf(235), 235);  // replacement unknown: unchanged
    EXPECT_EQ(lang::FontOf(-1), -1);

    // Plain attributes: stored as text with its terminator, looked up ignoring case.
    const LangOverride* caps = lang::OverrideOf(kButtonOk, L"CAPS");
    ASSERT_NE(caps, nullptr);
    EXPECT_EQ(caps->Kind(), LangOverride::Shape::Text);
    EXPECT_EQ(caps->Text(), L"U");
    EXPECT_EQ(caps->Size(), 2 * sizeof(wchar_t));
    ASSERT_NE(lang::OverrideOf(kButtonOk, L"multiline"), nullptr);
    EXPECT_EQ(lang::OverrideOf(kButtonOk, L"multiline")->Text(), L"1");
    EXPECT_EQ(lang::OverrideOf(kButtonOk, L"tooltip")->Text(), L"$second");  // the later one
    EXPECT_EQ(lang::OverrideOf(kButtonOk, L"fontid"), nullptr);

    // RECT: the four numbers as written; a RECT child wins over bitmaps.
    const LangOverride* rect = lang::OverrideOf(kButtonOk, L"RECT");
    ASSERT_NE(rect, nullptr);
    int32_t numbers[4] = {};
    ASSERT_TRUE(rect->Numbers(numbers));
    EXPECT_EQ(numbers[0], 10);
    EXPECT_EQ(numbers[1], -20);
    EXPECT_EQ(numbers[2], 100);
    EXPECT_EQ(numbers[3], 30);
    EXPECT_EQ(rect->Size(), 16u);
    EXPECT_EQ(lang::OverrideOf(kButtonOk, L"SBMN"), nullptr);
    EXPECT_FALSE(caps->Numbers(numbers));  // a text is no rectangle

    // Bitmaps: trimmed file names in a 512-byte field, at most 255 characters.
    const LangOverride* normal = lang::OverrideOf(kButtonCancel, L"SBMN");
    ASSERT_NE(normal, nullptr);
    EXPECT_EQ(normal->Kind(), LangOverride::Shape::Bitmap);
    EXPECT_EQ(normal->Size(), LangOverride::kBitmapFieldBytes);
    EXPECT_EQ(normal->BitmapName(), L"cancel_n.bmp");
    EXPECT_EQ(normal->Text(), L"cancel_n.bmp");
    EXPECT_EQ(lang::OverrideOf(kButtonCancel, L"sbmds")->BitmapName(), L"cancel_ds.bmp");
    ASSERT_NE(lang::OverrideOf(kButtonCancel, L"SBMO"), nullptr);
    EXPECT_EQ(lang::OverrideOf(kButtonCancel, L"SBMO")->BitmapName(), std::wstring(255, L'o'));
    EXPECT_EQ(lang::OverrideOf(kButtonCancel, L"SBMD"), nullptr);
    EXPECT_EQ(caps->BitmapName(), L"");

    // Unknown item names, three attributes and a lone attribute other than
    // name were all skipped.
    EXPECT_EQ(Table(0)->OverrideCount(), 7u);  // caps, multiline, tooltip, RECT; SBMN, SBMDS, SBMO
    EXPECT_EQ(lang::OverrideOf(kButtonOk, L"caps")->Text(), L"U");

    std::wstring text;
    ASSERT_TRUE(lang::Resolve(L"$ok", text));
    EXPECT_EQ(text, L"Okay");
}

}  // namespace
