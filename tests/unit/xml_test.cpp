#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "xml/XmlDocument.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Utf8(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Bytes Utf16WithBom(const std::wstring& text) {
    Bytes bytes = {0xFF, 0xFE};
    for (wchar_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    return bytes;
}

bool Parse(XmlDocument& document, const std::string& text) {
    return document.LoadFromMemory(text.data(), text.size());
}

std::vector<std::wstring> AttributeOf(const std::vector<const XmlElement*>& elements, const wchar_t* name) {
    std::vector<std::wstring> out;
    for (const XmlElement* element : elements)
        out.push_back(element->Attribute(name));
    return out;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A folder of its own under %TEMP%, removed with what the test wrote in it.
class XmlFiles : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
        m_dir = std::wstring(temp) + L"tarn_xml_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                std::to_wstring(GetTickCount64()) + L"\\";
        ASSERT_TRUE(CreateDirectoryW(m_dir.c_str(), nullptr));
    }
    void TearDown() override {
        for (const std::wstring& path : m_written)
            DeleteFileW(path.c_str());
        RemoveDirectoryW(m_dir.c_str());
    }

    std::wstring Write(const wchar_t* name, const Bytes& bytes) {
        std::wstring path = m_dir + name;
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        if (!bytes.empty()) {
            EXPECT_TRUE(WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
        }
        CloseHandle(file);
        m_written.push_back(path);
        return path;
    }

    std::wstring m_dir;
    std::vector<std::wstring> m_written;
};

TEST(XmlTree, AttributesKeepTheirOrderAndMissingOnesReadEmpty) {
    XmlDocument document;
    ASSERT_TRUE(Parse(document, R"(<ITEM name="BUTTON_OK" left="-3" Name="other" tooltip=""/>)"));
    const XmlElement* item = document.Root();
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->Name(), L"ITEM");
    ASSERT_EQ(item->AttributeCount(), 4u);
    EXPECT_EQ(item->AttributeName(0), L"name");
    EXPECT_EQ(item->AttributeValue(0), L"BUTTON_OK");
    EXPECT_EQ(item->AttributeName(1), L"left");
    EXPECT_EQ(item->AttributeName(2), L"Name");
    EXPECT_EQ(item->AttributeName(3), L"tooltip");
    // Names match exactly, letter case included.
    EXPECT_EQ(item->Attribute(L"Name"), L"other");
    EXPECT_EQ(item->Attribute(L"left"), L"-3");
    EXPECT_TRUE(item->HasAttribute(L"tooltip"));
    EXPECT_EQ(item->Attribute(L"tooltip"), L"");
    EXPECT_FALSE(item->HasAttribute(L"NAME"));
    EXPECT_EQ(item->Attribute(L"NAME"), L"");
    EXPECT_EQ(item->Attribute(nullptr), L"");
    EXPECT_EQ(item->AttributeName(4), L"");
    EXPECT_EQ(item->AttributeValue(99), L"");
    EXPECT_FALSE(item->HasContent());
}

TEST(XmlTree, TextIsTheFirstPieceAmongTheChildrenCappedAt512) {
    XmlDocument document;
    const std::string longText(700, 'x');
    ASSERT_TRUE(Parse(document,
                      "<ROOT>\n"
                      "  <A>\n    <B/>  first &amp; only<C>inner</C>second</A>\n"
                      "  <D><![CDATA[<not a tag>]]>after</D>\n"
                      "  <E>   </E>\n"
                      "  <F><G>deep</G></F>\n"
                      "  <L>" +
                          longText + "</L>\n</ROOT>"));
    const XmlElement* root = document.Root();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->FindFirst(L"A")->Text(), L"  first & only");
    EXPECT_EQ(root->FindFirst(L"C")->Text(), L"inner");
    EXPECT_EQ(root->FindFirst(L"D")->Text(), L"<not a tag>");
    EXPECT_EQ(root->FindFirst(L"E")->Text(), L"");  // white space only is no text piece
    EXPECT_EQ(root->FindFirst(L"F")->Text(), L"");  // a grandchild's text is not the element's
    EXPECT_TRUE(root->FindFirst(L"F")->HasContent());
    EXPECT_EQ(root->FindFirst(L"L")->Text(), std::wstring(512, L'x'));

    // A cut never leaves half a surrogate pair.
    XmlElement element(L"T");
    element.SetText(std::wstring(511, L'a') + L"\xD83D\xDE00" + L"b");
    EXPECT_EQ(element.Text(), std::wstring(511, L'a'));
}

TEST(XmlTree, FindFirstAndFindAllWalkDepthFirstInDocumentOrder) {
    XmlDocument document;
    ASSERT_TRUE(Parse(document, R"(<K id="root">
        <A id="1"><K id="1.1"><K id="1.1.1"/></K><K id="1.2"/></A>
        <K id="2"/>
        <LIST><B><K id="3.1.1"/></B></LIST>
    </K>)"));
    const XmlElement* root = document.Root();
    ASSERT_NE(root, nullptr);
    // Children before later siblings: the nested 1.1 comes before 2.
    ASSERT_NE(root->FindFirst(L"K"), nullptr);
    EXPECT_EQ(root->FindFirst(L"K")->Attribute(L"id"), L"1.1");
    EXPECT_EQ(AttributeOf(root->FindAll(L"K"), L"id"),
              (std::vector<std::wstring>{L"1.1", L"1.1.1", L"1.2", L"2", L"3.1.1"}));
    // Below an element only, never the element itself.
    const XmlElement* first = root->FindFirst(L"K");
    EXPECT_EQ(first->FindFirst(L"K")->Attribute(L"id"), L"1.1.1");
    EXPECT_EQ(first->FindAll(L"K").size(), 1u);
    EXPECT_EQ(root->FindFirst(L"LIST")->FindFirst(L"K")->Attribute(L"id"), L"3.1.1");
    EXPECT_EQ(root->FindFirst(L"k"), nullptr);  // exact letter case
    EXPECT_TRUE(root->FindAll(L"MISSING").empty());
    // The document's own look-ups start with the root.
    EXPECT_EQ(document.FindFirst(L"K"), root);
    EXPECT_EQ(document.FindAll(L"K").size(), 6u);
    EXPECT_EQ(document.FindFirst(L"B"), root->FindFirst(L"LIST")->FindFirst(L"B"));
}

TEST(XmlTree, DeepTreesAreSearchedAndDestroyedWithoutRecursion) {
    // Far deeper than any stack would take recursively.
    auto root = std::make_unique<XmlElement>(L"N");
    XmlElement* tip = root.get();
    for (int i = 0; i < 200000; ++i)
        tip = tip->AddChild(L"N");
    tip->AddChild(L"LEAF");
    ASSERT_NE(root->FindFirst(L"LEAF"), nullptr);
    EXPECT_EQ(root->FindAll(L"N").size(), 200000u);
    root.reset();
}

TEST(XmlTree, DocumentTypesAndEntityExpansionAreRefused) {
    XmlDocument document;
    const std::string bomb = R"(<?xml version="1.0"?>
<!DOCTYPE lolz [
 <!ENTITY lol "lol">
 <!ENTITY lol1 "&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;">
 <!ENTITY lol2 "&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;">
 <!ENTITY lol3 "&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;">
]>
<lolz>&lol3;</lolz>)";
    EXPECT_FALSE(Parse(document, bomb));
    EXPECT_EQ(document.Root(), nullptr);
    EXPECT_FALSE(Parse(document, "<!DOCTYPE ITEMLIST><ITEMLIST/>"));
    // The predefined entities and character references still read.
    ASSERT_TRUE(Parse(document, "<T a=\"&lt;&#65;&gt;\">&quot;&#x42;&apos;</T>"));
    EXPECT_EQ(document.Root()->Attribute(L"a"), L"<A>");
    EXPECT_EQ(document.Root()->Text(), L"\"B'");
}

TEST_F(XmlFiles, EncodingsReadAlike) {
    const std::wstring expected = L"\u00C4rger \u30D7\u30ED";
    const std::string utf8Body =
        "<P name=\"\xC3\x84rger \xE3\x83\x97\xE3\x83\xAD\">\xC3\x84rger \xE3\x83\x97\xE3\x83\xAD</P>";
    struct Case {
        const wchar_t* file;
        Bytes bytes;
    } cases[] = {
        {L"utf8.xml", Utf8("<?xml version=\"1.0\" encoding=\"utf-8\"?>" + utf8Body)},
        {L"utf8bom.xml", Utf8("\xEF\xBB\xBF" + utf8Body)},
        {L"utf16.xml", Utf16WithBom(L"<?xml version=\"1.0\" encoding=\"utf-16\"?><P name=\"" + expected +
                                    L"\">" + expected + L"</P>")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.file);
        XmlDocument document;
        ASSERT_TRUE(document.Load(Write(c.file, c.bytes)));
        ASSERT_NE(document.Root(), nullptr);
        EXPECT_EQ(document.Root()->Attribute(L"name"), expected);
        EXPECT_EQ(document.Root()->Text(), expected);
    }
}

TEST_F(XmlFiles, BadFilesLoadNothingAndDropAnEarlierTree) {
    Bytes binary;
    for (int i = 0; i < 4096; ++i)
        binary.push_back(static_cast<uint8_t>((i * 7919) >> 3));
    struct Case {
        const wchar_t* file;
        Bytes bytes;
    } cases[] = {
        {L"empty.xml", {}},
        {L"binary.xml", binary},
        {L"mismatched.xml", Utf8("<ITEMLIST><LANGLIST></ITEMLIST></LANGLIST>")},
        {L"unclosed.xml", Utf8("<ITEMLIST><LANGLIST>")},
        {L"tworoots.xml", Utf8("<A/><B/>")},
        {L"textonly.xml", Utf8("just words")},
        {L"duplicate.xml", Utf8("<A x=\"1\" x=\"2\"/>")},
        {L"nul.xml", Bytes{'<', 'A', 0, '/', '>'}},
        // Truncated in the middle of an element, white space after it.
        {L"truncated.xml",
         Utf8("<?xml version=\"1.0\"?>\r\n<GUIPANEL>\r\n  <ITEMLIST>\r\n  <TEXT \r\n  \r\n")},
        {L"declonly.xml", Utf8("<?xml version=\"1.0\"?>")},
        {L"commentonly.xml", Utf8("<?xml version=\"1.0\"?><!-- nothing -->\r\n")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.file);
        XmlDocument document;
        ASSERT_TRUE(Parse(document, "<OLD/>"));
        EXPECT_FALSE(document.Load(Write(c.file, c.bytes)));
        EXPECT_EQ(document.Root(), nullptr);
        EXPECT_EQ(document.FindFirst(L"OLD"), nullptr);
    }
    XmlDocument document;
    EXPECT_FALSE(document.Load(m_dir + L"missing.xml"));
    EXPECT_FALSE(document.Load(m_dir));  // a folder
    EXPECT_FALSE(document.LoadFromMemory(nullptr, 10));
}

TEST_F(XmlFiles, HugeFilesFinishQuickly) {
    // About 10 MB of small elements, with one long text among them.
    std::string text = "<ITEMLIST>";
    text.reserve(10 * 1024 * 1024 + 4096);
    text += "<BIG>" + std::string(2 * 1024 * 1024, 'b') + "</BIG>";
    int count = 0;
    while (text.size() < 10 * 1024 * 1024) {
        text += "<I n=\"" + std::to_string(count++) + "\"/>";
    }
    text += "<LAST/></ITEMLIST>";
    std::wstring path = Write(L"huge.xml", Utf8(text));
    auto start = std::chrono::steady_clock::now();
    XmlDocument document;
    ASSERT_TRUE(document.Load(path));
    EXPECT_NE(document.FindFirst(L"LAST"), nullptr);
    EXPECT_EQ(document.FindAll(L"I").size(), static_cast<size_t>(count));
    EXPECT_EQ(document.FindFirst(L"BIG")->Text().size(), XmlDocument::kMaxTextLength);
    EXPECT_LT(SecondsSince(start), 30.0);

    // One start tag with a great many attributes.
    std::string attributes = "<A";
    size_t attributeCount = 0;
    while (attributes.size() < 4 * 1024 * 1024)
        attributes += " a" + std::to_string(attributeCount++) + "=\"v\"";
    start = std::chrono::steady_clock::now();
    ASSERT_TRUE(document.Load(Write(L"attributes.xml", Utf8(attributes + "/>"))));
    EXPECT_EQ(document.Root()->AttributeCount(), attributeCount);
    EXPECT_FALSE(document.Load(Write(L"attributes2.xml", Utf8(attributes + " a7=\"again\"/>"))));
    EXPECT_LT(SecondsSince(start), 30.0);

    // Beyond the limit: refused before reading.
    std::string over(XmlDocument::kMaxFileSize + 1, ' ');
    over.replace(0, 4, "<A/>");
    EXPECT_FALSE(document.Load(Write(L"over.xml", Utf8(over))));
}

TEST_F(XmlFiles, DeepNestingIsRefusedBeyondTheLimit) {
    auto nested = [](size_t depth) {
        std::string text;
        for (size_t i = 0; i < depth; ++i)
            text += "<N>";
        text += "<LEAF/>";
        for (size_t i = 0; i < depth; ++i)
            text += "</N>";
        return text;
    };
    XmlDocument document;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(document.Load(Write(L"deep.xml", Utf8(nested(10000)))));
    EXPECT_EQ(document.Root(), nullptr);
    EXPECT_LT(SecondsSince(start), 10.0);
    // The deepest that is read: LEAF at the limit.
    ASSERT_TRUE(Parse(document, nested(XmlDocument::kMaxDepth - 1)));
    EXPECT_NE(document.FindFirst(L"LEAF"), nullptr);
    EXPECT_FALSE(Parse(document, nested(XmlDocument::kMaxDepth)));
}

}  // namespace
