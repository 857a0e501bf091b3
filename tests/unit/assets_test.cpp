// The shipped skin, picture and language files, as the build lays them out in
// the module directory (build/bin, beside this test's build/tests): every text
// key that a skin or the program asks for is answered by every shipped
// language; every picture a skin names is there and loads; every name a skin
// uses is one the program knows; panels are shaped as their masks say.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <cwctype>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "controls/ItemText.h"
#include "popups/PopupBoxSingleKeyEntry.h"
#include "popups/VellNameEntryPopup.h"
#include "popups/VellWarningDlg.h"
#include "skin/ControlIds.h"
#include "skin/FontItem.h"
#include "skin/LangTable.h"
#include "skin/NameTables.h"
#include "skin/ResourceCache.h"
#include "win/Gdi.h"
#include "win/Handles.h"
#include "win/ModuleDir.h"
#include "xml/XmlDocument.h"

namespace {

// build\bin\ seen from build\tests\.
std::wstring ShippedDir() {
    return app::ModuleDirectory() + L"..\\bin\\";
}

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text)
        out += (c > 0 && c < 128) ? static_cast<char>(c) : '?';
    return out;
}

std::wstring Lower(std::wstring text) {
    for (auto& c : text)
        c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

std::vector<std::wstring> FilesIn(const std::wstring& folder, const wchar_t* pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found = {};
    win::UniqueFind find(FindFirstFileW((folder + pattern).c_str(), &found));
    if (!find)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    } while (FindNextFileW(find.get(), &found));
    std::sort(names.begin(), names.end());
    return names;
}

bool ReadWholeFile(const std::wstring& path, std::vector<uint8_t>& bytes) {
    win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > (1 << 24))
        return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    return bytes.empty() ||
           (ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
            got == bytes.size());
}

void Walk(const XmlElement& element, std::vector<const XmlElement*>& out) {
    out.push_back(&element);
    for (const auto& child : element.Children())
        Walk(*child, out);
}

// One shipped skin file, parsed.
struct Skin {
    std::wstring name;
    std::unique_ptr<XmlDocument> document;
    std::vector<const XmlElement*> elements;  // every element, document order
};

// A text key named by a skin, and where.
struct KeyUse {
    std::wstring key;  // with its leading $ or #
    std::string where;
};

const wchar_t* const kTextAttributes[] = {L"caption", L"tooltip", L"textkey"};
const wchar_t* const kTextElements[] = {L"LISTCOLUMN", L"COMBOITEM", L"LISTPANELITEM"};
const wchar_t* const kColourAttributes[] = {L"fontclr", L"fontclrhi",   L"backclr",   L"backclrhi",
                                            L"bdrclr",  L"disbbackclr", L"disbbdrclr"};
// Elements whose text is a picture file in skins\.
const wchar_t* const kPictureElements[] = {
    L"BACKGROUND", L"MASK",       L"SBMN",      L"SBMO",       L"SBMD",        L"SBMDS",
    L"SBMM",       L"MARK",       L"BMP",       L"BMPMASK",    L"MDBMP_KEYDN", L"MDBMP_KEYUP",
    L"MDBMP_MSE",  L"MDBMP_MSEH", L"MDBMP_CLK", L"MDBMP_CLKH", L"VSBMP_TMB",   L"VSBMP_TOP",
    L"VSBMP_BOT",  L"VSBMP_AUP",  L"VSBMP_ADN", L"VSBMP_SPN"};
// Item elements whose RECT places a window on its panel (or, for files
// without a panel of their own, on the main window).
const wchar_t* const kPlacedItems[] = {L"BITMAPITEM", L"BITMAPWINDOW", L"BUTTON",         L"PROFBUTTON",
                                       L"AVIBUTTON",  L"VSLIDER",      L"HSLIDERM",       L"HSLIDERMAPM",
                                       L"DMARKER",    L"TEXTITEM",     L"DPISTAGEWINDOW", L"MACRODISPLAY",
                                       L"LISTCTRL",   L"LISTPANEL",    L"EDITCTRL",       L"EDITCTRLSK"};
// Attributes that name another item or a font of the control-name table.
const wchar_t* const kReferenceAttributes[] = {L"fontid",  L"windowid",   L"checkboxid",
                                               L"trackid", L"fontsearch", L"fontreplace"};

template <size_t N>
bool OneOf(const std::wstring& text, const wchar_t* const (&set)[N]) {
    for (const wchar_t* item : set)
        if (text == item)
            return true;
    return false;
}

bool IsKey(const std::wstring& text) {
    return text.size() > 1 && (text[0] == L'$' || text[0] == L'#');
}

// The keys the program itself shows, beside the name tables' keys.
// clang-format off
const wchar_t* const kProgramKeys[] = {
    L"$LeftButton", L"$RightButton", L"$Wheel", L"$ScrollUp", L"$ScrollDown",
    L"$RightSideButton1", L"$RightSideButton2", L"$LeftSideButton1", L"$LeftSideButton2",
    L"$CenterButton1", L"$CenterButton2",
    L"$ThumbGrid1", L"$ThumbGrid2", L"$ThumbGrid3", L"$ThumbGrid4", L"$ThumbGrid5", L"$ThumbGrid6",
    L"$ThumbGrid7", L"$ThumbGrid8", L"$ThumbGrid9", L"$ThumbGrid10", L"$ThumbGrid11", L"$ThumbGrid12",
    L"$Button4", L"$Button5",
    L"$LeftButtonDown", L"$LeftButtonUp", L"$RightButtonDown", L"$RightButtonUp", L"$WheelDown", L"$WheelUp",
    L"$Button4Down", L"$Button4Up", L"$Button5Down", L"$Button5Up",
    L"$Stop", L"$Record", L"$DisableAll", L"$EnableAll", L"$CreateProfile", L"$ImportProfile",
    L"$New", L"$Preview", L"$Delete", L"$Copy", L"$Import", L"$Export", L"$RestoreDefault",
    L"$AssignApplication", L"$UnassignApplication", L"$InsertDelay", L"$Edit", L"$TopView",
    L"$ThumbGridView"};
// clang-format on

// The pixels of a bitmap as 0x00RRGGBB, top row first.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> rgb;
    uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x] & 0xFFFFFF; }
};

bool ReadPixels(HBITMAP bitmap, Pixels& out) {
    BITMAP info = {};
    if (!bitmap || !GetObjectW(bitmap, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0)
        return false;
    out.width = info.bmWidth;
    out.height = info.bmHeight;
    out.rgb.assign(static_cast<size_t>(out.width) * out.height, 0);
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    format.bmiHeader.biWidth = out.width;
    format.bmiHeader.biHeight = -out.height;  // top-down
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    win::UniqueDC dc(CreateCompatibleDC(nullptr));
    return dc &&
           GetDIBits(dc.get(), bitmap, 0, out.height, out.rgb.data(), &format, DIB_RGB_COLORS) == out.height;
}

SIZE SizeOf(HBITMAP bitmap) {
    BITMAP info = {};
    if (!bitmap || !GetObjectW(bitmap, sizeof info, &info))
        return {0, 0};
    return {info.bmWidth, info.bmHeight};
}

// x, y, width, height of an element's RECT child.
struct Placement {
    bool present = false;
    long x = 0, y = 0, width = 0, height = 0;
};

long Number(const std::wstring& text) {
    return std::wcstol(text.c_str(), nullptr, 10);
}

Placement PlacementOf(const XmlElement& element) {
    Placement p;
    for (const auto& child : element.Children())
        if (child->Name() == L"RECT") {
            p.present = true;
            p.x = Number(child->Attribute(L"left"));
            p.y = Number(child->Attribute(L"top"));
            p.width = Number(child->Attribute(L"right"));
            p.height = Number(child->Attribute(L"bottom"));
            break;
        }
    return p;
}

bool FlagSet(const XmlElement& element, const wchar_t* name) {
    return Number(element.Attribute(name)) != 0;
}

std::wstring Trimmed(const std::wstring& text) {
    const auto first = text.find_first_not_of(L" \t\r\n");
    if (first == std::wstring::npos)
        return L"";
    return text.substr(first, text.find_last_not_of(L" \t\r\n") - first + 1);
}

// A language key as the look-up matches it: blanks left out, case ignored.
std::wstring MatchForm(const std::wstring& key) {
    std::wstring out;
    for (wchar_t c : key)
        if (c != L' ')
            out += static_cast<wchar_t>(std::towlower(c));
    return out;
}

// One shipped language: its LANG element and its parsed text file.
struct Language {
    std::wstring name;  // control name
    std::wstring file;
    std::vector<uint8_t> bytes;
    std::unique_ptr<CLangTable> table;
    bool parsed = false;
    std::map<std::wstring, std::wstring> fontSwaps;          // LANGFONT, lower-case names
    std::map<std::wstring, const XmlElement*> overrides;     // LANGOVERRIDE, by lower-case item name

    // The font the item draws with in this language.
    std::wstring FontName(const XmlElement& item) const {
        const std::wstring declared = Lower(item.Attribute(L"fontid"));
        const auto swap = fontSwaps.find(declared);
        return swap != fontSwaps.end() ? swap->second : declared;
    }
    const XmlElement* OverrideOf(const XmlElement& item) const {
        const auto found = overrides.find(Lower(item.Attribute(L"name")));
        return found != overrides.end() ? found->second : nullptr;
    }
};

class AssetsBase : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        names::BuildAllNameTables();
        if (s_skins)
            return;
        s_skins = new std::vector<Skin>;
        for (const auto& file : FilesIn(ShippedDir() + L"xml\\", L"*.xml")) {
            Skin skin;
            skin.name = file;
            skin.document = std::make_unique<XmlDocument>();
            if (skin.document->Load(ShippedDir() + L"xml\\" + file) && skin.document->Root())
                Walk(*skin.document->Root(), skin.elements);
            s_skins->push_back(std::move(skin));
        }
    }

    void SetUp() override {
        m_oldModuleDir = app::ModuleDirectory();
        app::SetModuleDirectory(ShippedDir());
    }
    void TearDown() override { app::SetModuleDirectory(m_oldModuleDir); }

    static const std::vector<Skin>& Skins() { return *s_skins; }
    static const Skin* SkinNamed(const wchar_t* name) {
        for (const auto& skin : Skins())
            if (Lower(skin.name) == Lower(name))
                return &skin;
        return nullptr;
    }
    static std::string Where(const Skin& skin, const XmlElement& element) {
        return Narrow(skin.name) + " " + Narrow(element.Name()) + " " + Narrow(element.Attribute(L"name"));
    }

    // Every $ or # text that a skin names.
    static std::vector<KeyUse> SkinKeys() {
        std::vector<KeyUse> keys;
        for (const auto& skin : Skins())
            for (const XmlElement* element : skin.elements) {
                for (const wchar_t* attribute : kTextAttributes)
                    if (IsKey(element->Attribute(attribute)))
                        keys.push_back(
                            {element->Attribute(attribute), Where(skin, *element) + " " + Narrow(attribute)});
                if (OneOf(element->Name(), kTextElements) && IsKey(Trimmed(element->Text())))
                    keys.push_back({Trimmed(element->Text()), Where(skin, *element) + " text"});
            }
        return keys;
    }

    // The languages that Language.xml declares, with their files read and parsed.
    static std::vector<Language> ShippedLanguages() {
        std::vector<Language> languages;
        const Skin* declarations = SkinNamed(L"Language.xml");
        if (!declarations)
            return languages;
        for (const XmlElement* element : declarations->elements) {
            if (element->Name() == L"LANGFONT" && !languages.empty())
                languages.back().fontSwaps[Lower(element->Attribute(L"fontsearch"))] =
                    Lower(element->Attribute(L"fontreplace"));
            if (element->Name() == L"LANGOVERRIDE" && !languages.empty())
                languages.back().overrides[Lower(element->Attribute(L"name"))] = element;
            if (element->Name() != L"LANG")
                continue;
            Language language;
            language.name = element->Attribute(L"name");
            language.file = element->Attribute(L"file");
            language.table = std::make_unique<CLangTable>();
            if (ReadWholeFile(ShippedDir() + L"lang\\" + language.file, language.bytes))
                language.parsed =
                    ParseLangText(language.bytes.data(), language.bytes.size(), *language.table);
            languages.push_back(std::move(language));
        }
        return languages;
    }

    std::wstring m_oldModuleDir;
    static std::vector<Skin>* s_skins;
};
std::vector<Skin>* AssetsBase::s_skins = nullptr;

class AssetsSkin : public AssetsBase {};
class AssetsLanguage : public AssetsBase {};
class AssetsPopup : public AssetsBase {};

// --- skins -------------------------------------------------------------------

TEST_F(AssetsSkin, EveryShippedFileParsesAsASkin) {
    ASSERT_NE(SkinNamed(L"MainPage.xml"), nullptr) << "no MainPage.xml in " << Narrow(ShippedDir()) << "xml";
    ASSERT_NE(SkinNamed(L"Language.xml"), nullptr);
    for (const auto& skin : Skins()) {
        const XmlElement* root = skin.document->Root();
        ASSERT_NE(root, nullptr) << Narrow(skin.name) << " does not parse";
        EXPECT_TRUE(root->Name() == L"GUIPANEL" || root->Name() == L"ITEMLIST") << Narrow(skin.name);
        EXPECT_TRUE(root->HasContent()) << Narrow(skin.name);
    }
}

// An unknown name makes the loader skip the element without a word, so every
// name, reference and colour must be one the program knows, and what an item
// refers to must be declared in the same file (items find only those).
TEST_F(AssetsSkin, EveryNameAReferenceAndColourIsKnown) {
    for (const auto& skin : Skins()) {
        std::set<std::wstring> fonts, bitmapItems, checkBoxes;
        for (const XmlElement* element : skin.elements) {
            if (element->Name() == L"FONT")
                fonts.insert(Lower(element->Attribute(L"name")));
            if (element->Name() == L"BITMAPITEM")
                bitmapItems.insert(Lower(element->Attribute(L"name")));
            if (element->Name() == L"BUTTON" && FlagSet(*element, L"ischeckbox"))
                checkBoxes.insert(Lower(element->Attribute(L"name")));
        }
        for (const XmlElement* element : skin.elements) {
            const std::string where = Where(skin, *element);
            const std::wstring& name = element->Name();
            if (OneOf(name, kPlacedItems) || name == L"FONT" || name == L"LANG" || name == L"LANGOVERRIDE" ||
                name == L"COMBO") {
                EXPECT_NE(names::ControlId(element->Attribute(L"name").c_str()), -1) << where;
            }
            if (name == L"STAGE") {
                EXPECT_NE(names::ControlId(Trimmed(element->Text()).c_str()), -1) << where << " stage";
            }
            for (const wchar_t* attribute : kReferenceAttributes)
                if (element->HasAttribute(attribute)) {
                    EXPECT_NE(names::ControlId(element->Attribute(attribute).c_str()), -1)
                        << where << " " << Narrow(attribute);
                }
            for (const wchar_t* attribute : kColourAttributes)
                if (element->HasAttribute(attribute)) {
                    EXPECT_NE(names::ColourValue(element->Attribute(attribute).c_str()), -1)
                        << where << " " << Narrow(attribute) << "=" << Narrow(element->Attribute(attribute));
                }
            if (element->HasAttribute(L"fontid") && name != L"LANGOVERRIDE") {
                EXPECT_EQ(fonts.count(Lower(element->Attribute(L"fontid"))), 1u)
                    << where << ": font not declared in this file";
            }
            for (const wchar_t* attribute : {L"windowid", L"trackid"})
                if (element->HasAttribute(attribute)) {
                    EXPECT_EQ(bitmapItems.count(Lower(element->Attribute(attribute))), 1u)
                        << where << ": " << Narrow(attribute) << " names no bitmap item of this file";
                }
            if (element->HasAttribute(L"checkboxid")) {
                EXPECT_EQ(checkBoxes.count(Lower(element->Attribute(L"checkboxid"))), 1u)
                    << where << ": checkboxid names no check box of this file";
            }
        }
    }
}

// A text that names a check box stands for the box: it must take clicks
// itself, or a click on it passes to the window behind (which drags).
TEST_F(AssetsSkin, EveryCheckBoxTextTakesClicks) {
    int texts = 0;
    for (const auto& skin : Skins())
        for (const XmlElement* element : skin.elements) {
            if (element->Name() != L"TEXTITEM" || !element->HasAttribute(L"checkboxid"))
                continue;
            ++texts;
            EXPECT_TRUE(FlagSet(*element, L"interactive")) << Where(skin, *element) << ": needs interactive=\"1\"";
        }
    EXPECT_GT(texts, 0) << "the shipped skins have texts beside their check boxes";
}

// The main window binds these items by name.
TEST_F(AssetsSkin, MainPageDeclaresWhatTheMainWindowBinds) {
    const Skin* main = SkinNamed(L"MainPage.xml");
    ASSERT_NE(main, nullptr);
    std::set<std::wstring> declared;
    for (const XmlElement* element : main->elements)
        declared.insert(element->Name() + L":" + element->Attribute(L"name"));
    const wchar_t* const expected[] = {L"BUTTON:BUTTON_ASSIGNBUTTONS",
                                       L"BUTTON:BUTTON_ADJUSTPERFORMANCE",
                                       L"BUTTON:BUTTON_MANAGEPROFILES",
                                       L"BUTTON:BUTTON_MANAGEMACROS",
                                       L"BUTTON:BUTTON_LIGHTINGMAINTENANCE",
                                       L"BUTTON:BUTTON_OK",
                                       L"BUTTON:BUTTON_APPLY",
                                       L"BUTTON:BUTTON_CANCEL",
                                       L"BUTTON:BUTTON_EXIT",
                                       L"BUTTON:BUTTON_HELP",
                                       L"TEXTITEM:TEXT_PROFILEINFO",
                                       L"TEXTITEM:TEXT_PROFILENAME",
                                       L"BITMAPITEM:BITMAP_KORVOLOGO"};
    for (const wchar_t* item : expected)
        EXPECT_EQ(declared.count(item), 1u) << Narrow(item);
}

// --- popups ------------------------------------------------------------------

// The popup boxes the pages open, by the class that reads each file. A
// warning that only informs offers OK; one that asks (a confirmation) offers
// OK and Cancel, and so do the entry popups. Some warnings show ": " and a
// profile's or macro's name after their heading.
enum class PopupKind { kInform, kConfirm, kThreeAnswers, kNameEntry, kSingleKey };
struct PopupUse {
    const wchar_t* file;
    PopupKind kind;
    bool named = false;
};
const PopupUse kPopups[] = {
    {L"NoMousePopup.xml", PopupKind::kInform},
    {L"NoClickPopup.xml", PopupKind::kInform},
    {L"RestorePopup.xml", PopupKind::kConfirm},
    {L"ProfileLimitReachedPopup.xml", PopupKind::kInform},
    {L"ProfileNamePopup.xml", PopupKind::kNameEntry},
    {L"DuplicateProfileWarningPopup.xml", PopupKind::kInform, true},
    {L"ExportProfileWarningPopup.xml", PopupKind::kInform, true},
    {L"ImportProfileFailedPopup.xml", PopupKind::kInform, true},
    {L"ExportProfileFailedPopup.xml", PopupKind::kInform, true},
    {L"ImporttProfileWarningPopup.xml", PopupKind::kInform},
    {L"DisallowDeletePopup.xml", PopupKind::kInform, true},
    {L"ConfirmDeletePopup.xml", PopupKind::kConfirm, true},
    {L"MacroNamePopup.xml", PopupKind::kNameEntry},
    {L"DuplicateMacroWarningPopup.xml", PopupKind::kInform, true},
    {L"DefaultDelayWarningPopup.xml", PopupKind::kInform},
    {L"ExportMacroWarningPopup.xml", PopupKind::kInform, true},
    {L"ImportMacroFailedPopup.xml", PopupKind::kInform, true},
    {L"ExportMacroFailedPopup.xml", PopupKind::kInform, true},
    {L"MacroFullPopup.xml", PopupKind::kInform},
    {L"BackupFailedPopup.xml", PopupKind::kInform},
    {L"ConfirmDeleteMacroPopup.xml", PopupKind::kConfirm, true},
    {L"SingleKeyPopup.xml", PopupKind::kSingleKey},
    {L"UnsavedChangesPopup.xml", PopupKind::kThreeAnswers},
    {L"MouseChangedPopup.xml", PopupKind::kThreeAnswers},
    {L"WriteFailedPopup.xml", PopupKind::kInform},
    {L"MacroLimitPopup.xml", PopupKind::kInform},
    {L"MacroEventsLimitPopup.xml", PopupKind::kInform},
    {L"ProgramPathPopup.xml", PopupKind::kInform},
    {L"ImportedAsCopyPopup.xml", PopupKind::kInform, true},
};

// An item a popup class looks for: the element that makes it, the list the
// loader reads it from, and how many the file must declare.
struct PopupItem {
    int32_t id;
    const wchar_t* list;
    const wchar_t* element;
    size_t count;
};

std::vector<PopupItem> ItemsFor(PopupKind kind) {
    const PopupItem heading = {CVellWarningDlg::kHeadingText, L"TEXTLIST", L"TEXTITEM", 1};
    const PopupItem ok = {CPopupBox::kOkButton, L"BUTTONLIST", L"BUTTON", 1};
    const PopupItem cancel = {CPopupBox::kCancelButton, L"BUTTONLIST", L"BUTTON", 1};
    const PopupItem noCancel = {CPopupBox::kCancelButton, L"BUTTONLIST", L"BUTTON", 0};
    switch (kind) {
        case PopupKind::kInform:
            return {heading, ok, noCancel};
        case PopupKind::kConfirm:
            return {heading, ok, cancel};
        case PopupKind::kThreeAnswers:
            return {heading, ok, cancel, {CUnsavedChangesPopup::kApplyButton, L"BUTTONLIST", L"BUTTON", 1}};
        case PopupKind::kNameEntry:
            return {{CVellNameEntryPopup::kNameEdit, L"EDITCTRLLIST", L"EDITCTRL", 1}, ok, cancel};
        case PopupKind::kSingleKey:
            return {{CPopupBoxSingleKeyEntry::kKeyInput, L"EDITCTRLLIST", L"EDITCTRLSK", 1}, ok, cancel};
    }
    return {};
}

// The loader reads items only from the first list element of their kind
// below GUIPANEL, and a popup takes its size from its BACKGROUND: an item
// in the wrong list, or a file without a panel, leaves the popup without it.
TEST_F(AssetsPopup, EveryPopupDeclaresWhatItsClassFinds) {
    for (const PopupUse& use : kPopups) {
        const Skin* skin = SkinNamed(use.file);
        ASSERT_NE(skin, nullptr) << Narrow(use.file) << " is not shipped";
        const std::string file = Narrow(use.file);
        const XmlElement* root = skin->document->Root();
        ASSERT_TRUE(root != nullptr && root->Name() == L"GUIPANEL") << file << ": no GUIPANEL";
        EXPECT_NE(root->FindFirst(L"BACKGROUND"), nullptr) << file;
        EXPECT_NE(root->FindFirst(L"MASK"), nullptr) << file;
        for (const PopupItem& need : ItemsFor(use.kind)) {
            const XmlElement* list = root->FindFirst(need.list);
            size_t found = 0;
            if (list != nullptr)
                for (const XmlElement* element : list->FindAll(need.element))
                    found += names::ControlId(element->Attribute(L"name").c_str()) == need.id;
            EXPECT_EQ(found, need.count)
                << file << ": " << Narrow(need.element) << " " << Narrow(names::ControlName(need.id))
                << " in " << Narrow(need.list);
        }
        // Buttons must draw: faces from the file, never supplied later.
        size_t buttons = 0;
        for (const XmlElement* element : skin->elements)
            if (element->Name() == L"BUTTON") {
                ++buttons;
                EXPECT_FALSE(FlagSet(*element, L"dynamic")) << Where(*skin, *element);
            }
        EXPECT_EQ(buttons, use.kind == PopupKind::kInform ? 1u : use.kind == PopupKind::kThreeAnswers ? 3u : 2u) << file;
    }
}

// One popup frame for all: the same size everywhere, so pages and users meet
// the same box whatever it asks.
TEST_F(AssetsPopup, PopupsShareOneSize) {
    CResourceCache cache;
    SIZE first = {0, 0};
    for (const PopupUse& use : kPopups) {
        const Skin* skin = SkinNamed(use.file);
        ASSERT_NE(skin, nullptr) << Narrow(use.file);
        const XmlElement* background = skin->document->Root()->FindFirst(L"BACKGROUND");
        ASSERT_NE(background, nullptr) << Narrow(use.file);
        const SIZE size = SizeOf(cache.Get(Trimmed(background->Text()).c_str(), kResourcePicture)->Bitmap());
        if (first.cx == 0)
            first = size;
        EXPECT_EQ(size.cx, first.cx) << Narrow(use.file);
        EXPECT_EQ(size.cy, first.cy) << Narrow(use.file);
    }
    EXPECT_GT(first.cx, 0);
}

// Glyphs may ink a few pixels past their advance: a line laid out to end
// right at an item's edge loses its last character on screen.
constexpr long kInkSlack = 3;

// Beside the warning and entry popups, skins whose fixed texts are measured
// too: the texts a program writes into them at run time are not.
const PopupUse kMeasuredSkins[] = {
    {L"PreviewPopup.xml", PopupKind::kInform},
    {L"AdvancedMacroPopup.xml", PopupKind::kInform},
    {L"ManageProfiles.xml", PopupKind::kInform},
    {L"ManageMacros.xml", PopupKind::kInform},
    {L"AdjustPerformance.xml", PopupKind::kInform},
    {L"LightingMaintenance.xml", PopupKind::kInform},
    {L"DPIStagesPopup.xml", PopupKind::kInform},
    {L"MainPage.xml", PopupKind::kInform},
    {L"AssignButtons.xml", PopupKind::kInform},
    {L"AssignKeys.xml", PopupKind::kInform},
    {L"TrayDisplay.xml", PopupKind::kInform},
};

// What the pages write around an item's own text, at its longest: the rate
// before a polling-rate caption ("%d%s"), the version after a version text
// ("%s: %s").
struct RunTimeText {
    int32_t id;
    const wchar_t* before;
    const wchar_t* after;
};
const RunTimeText kRunTimeTexts[] = {
    {ctl::BUTTON_RATE1, L"1000", L""},        {ctl::BUTTON_RATE2, L"1000", L""},
    {ctl::BUTTON_RATE3, L"1000", L""},        {ctl::TEXT_FIRMWAREVER, L"", L": 99.99"},
    {ctl::TEXT_DRIVERVER, L"", L": 99.99"},
};

// The fonts a skin file declares, by their lower-case names.
using SkinFonts = std::map<std::wstring, std::unique_ptr<CFontItem>>;
SkinFonts FontsOf(const Skin& skin) {
    SkinFonts fonts;
    for (const XmlElement* element : skin.elements)
        if (element->Name() == L"FONT") {
            // A face that ships in fonts\ is added first, as the loader does.
            const std::wstring file = Trimmed(element->Text());
            if (!file.empty()) {
                EXPECT_GT(CResourceCache::Instance().Get(file.c_str(), kResourceFontFile)->FontCount(), 0)
                    << Narrow(skin.name) << ": the font file " << Narrow(file) << " adds no font";
            }
            fonts[Lower(element->Attribute(L"name"))] = std::make_unique<CFontItem>(
                element->Attribute(L"typeface"), static_cast<int32_t>(Number(element->Attribute(L"pitch"))),
                static_cast<int32_t>(Number(element->Attribute(L"boldlevel"))));
        }
    return fonts;
}

// Measures `shown` as the item draws it, in its font: a text that overflows
// its item is cut off on screen.
// A language's LANGOVERRIDE of the item (a rectangle, or several lines)
// counts as the loader applies it.
void ExpectFits(HDC dc, const CFontItem& font, const XmlElement& element, std::wstring shown,
                const std::string& where, const XmlElement* languageOverride = nullptr) {
    const bool text = element.Name() == L"TEXTITEM";
    Placement p = PlacementOf(element);
    bool multiline = Number(element.Attribute(L"multiline")) == 1;
    if (languageOverride != nullptr) {
        const Placement overridden = PlacementOf(*languageOverride);
        if (overridden.present)
            p = overridden;
        if (languageOverride->HasAttribute(L"multiline"))
            multiline = Number(languageOverride->Attribute(L"multiline")) == 1;
    }
    // Buttons keep a margin for their chamfered corners; a one-line text
    // item draws 5 pixels in from its left edge; text that wraps does so
    // short of the right edge by what glyphs ink past their advance.
    const long room = !text ? p.width - 10 : multiline ? p.width - controls::kInkOverhang : p.width - 5;
    controls::FirstLineBreak(shown);
    controls::ApplyCaps(shown, controls::ParseCaps(element.Attribute(L"caps")));
    win::SelectGuard select(dc, font.Font());
    RECT box = {0, 0, room, p.height};
    const UINT format = DT_CALCRECT | (multiline ? DT_WORDBREAK : DT_SINGLELINE);
    DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &box, format);
    EXPECT_LE(box.right, multiline ? room : room - kInkSlack) << where << ": \"" << Narrow(shown) << "\" is " << box.right << " px wide";
    EXPECT_LE(box.bottom, p.height) << where << ": \"" << Narrow(shown) << "\" is " << box.bottom << " px high";
}

// Texts as the items draw them, in the font the file declares, measured in
// every shipped language. Headings that get a name are measured with ": "
// and a name of the longest length a name entry takes appended, as the
// pages show them.
TEST_F(AssetsPopup, TextsFitTheirItemsInEveryLanguage) {
    const auto languages = ShippedLanguages();
    ASSERT_FALSE(languages.empty());
    win::UniqueDC dc(CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc);
    const std::wstring longest = L"Tournament Setup 001";
    ASSERT_EQ(longest.size(), CVellNameEntryPopup::kMaxNameLength);
    int measured = 0;
    std::vector<PopupUse> uses(std::begin(kPopups), std::end(kPopups));
    uses.insert(uses.end(), std::begin(kMeasuredSkins), std::end(kMeasuredSkins));
    for (const PopupUse& use : uses) {
        const Skin* skin = SkinNamed(use.file);
        ASSERT_NE(skin, nullptr) << Narrow(use.file);
        const SkinFonts fonts = FontsOf(*skin);
        for (const XmlElement* element : skin->elements) {
            const bool text = element->Name() == L"TEXTITEM";
            if (!text && element->Name() != L"BUTTON")
                continue;
            const std::wstring key = element->Attribute(text ? L"textkey" : L"caption");
            if (!IsKey(key))
                continue;
            ASSERT_NE(fonts.find(Lower(element->Attribute(L"fontid"))), fonts.end()) << Where(*skin, *element) << ": no font";
            const bool appended =
                text && use.named &&
                names::ControlId(element->Attribute(L"name").c_str()) == CVellWarningDlg::kHeadingText;
            for (const auto& language : languages) {
                std::wstring shown;
                ASSERT_TRUE(language.table->Resolve(key, shown)) << Where(*skin, *element);
                if (appended) {
                    std::wstring separator;
                    ASSERT_TRUE(language.table->Resolve(L"$NameSeparator", separator)) << Narrow(language.file);
                    shown += separator + longest;
                }
                for (const RunTimeText& around : kRunTimeTexts)
                    if (names::ControlId(element->Attribute(L"name").c_str()) == around.id) {
                        std::wstring after = around.after;
                        std::wstring separator;
                        if (after.rfind(L": ", 0) == 0 && language.table->Resolve(L"$NameSeparator", separator))
                            after = separator + after.substr(2);
                        shown = around.before + shown + after;
                    }
                ++measured;
                const auto font = fonts.find(language.FontName(*element));
                ASSERT_NE(font, fonts.end()) << Where(*skin, *element) << ": no font " << Narrow(language.FontName(*element))
                                             << " for " << Narrow(language.file);
                ExpectFits(dc.get(), *font->second, *element, shown,
                           Where(*skin, *element) + " (" + Narrow(language.file) + ")", language.OverrideOf(*element));
            }
        }
    }
    EXPECT_GT(measured, 0);
}

// Texts the program puts into items while it runs, each made of parts:
// language keys (resolved), kOwnText (the item's own text) and plain text.
constexpr const wchar_t* kOwnText = L"";
struct RunTimeCaption {
    const wchar_t* skin;
    const wchar_t* control;
    std::vector<std::vector<const wchar_t*>> texts;
};
const wchar_t kLongestName[] = L"Tournament Setup 001";

const RunTimeCaption kRunTimeCaptions[] = {
    // The write status beside OK, and Apply with its dot for changes the
    // mouse lacks.
    {L"MainPage.xml", L"TEXT_WRITESTATUS",
     {{L"$WriteBusy"}, {L"$WriteFailed"}, {L"$WriteDiffers"}, {L"$WriteUnsaved"}, {L"$WriteDone"}}},
    {L"MainPage.xml", L"BUTTON_APPLY", {{kOwnText, L" \u2022"}}},
    {L"MainPage.xml", L"TEXT_PROFILEINFO", {{kOwnText, L"$NameSeparator"}}},
    {L"MainPage.xml", L"TEXT_PROFILENAME", {{kLongestName}}},
    // Buttons whose caption follows their state.
    {L"AssignKeys.xml", L"BUTTON_DISABLE_KEYS", {{L"$DisableAll"}, {L"$EnableAll"}}},
    {L"ManageMacros.xml", L"BUTTON_MACRO_RECORD", {{L"$Record"}, {L"$Stop"}}},
    // Popups whose message is put together when they open.
    {L"WriteFailedPopup.xml", L"TEXT_WARNDLG_MESSAGE",
     {{L"$WriteFailedNoMouse", L" ", L"$WriteFailedKept"},
      {L"$WriteFailedSlow", L" ", L"$WriteFailedKept"},
      {L"$WriteFailedStep", L" ", L"$WriteFailedKept"},
      {L"$WriteFailedChanged", L" ", L"$WriteFailedKept"},
      {L"$WriteFailedProfiles", L" ", L"$WriteFailedKept"},
      {L"$WriteFailedMacros", L" ", L"$WriteFailedKept"},
      {L"$WriteFailedEvents", L" ", L"$WriteFailedKept"},
      {L"$WriteFailedPath", L" ", L"$WriteFailedKept"},
      {L"$WriteFailedLimit", L" ", L"$WriteFailedKept"}}},
    {L"ImportedAsCopyPopup.xml", L"TEXT_WARNDLG_MESSAGE", {{L"$ImportedAsCopyMessage", L" ", kLongestName}}},
    // The companion's on-screen display: %1 is the profile's name, the
    // sensitivity or the stage; %2 the number of stages.
    {L"TrayDisplay.xml", L"TEXT_OSD_PROFILE", {{L"$OsdProfile"}}},
    {L"TrayDisplay.xml", L"TEXT_OSD_SENSITIVITY", {{L"$OsdSensitivity"}}},
    {L"TrayDisplay.xml", L"TEXT_OSD_STAGE", {{L"$OsdStage"}}},
};

// A run-time text with its placeholders filled at their longest.
std::wstring Filled(std::wstring text, const std::wstring& control) {
    const std::wstring first = control == L"TEXT_OSD_PROFILE" ? kLongestName : control == L"TEXT_OSD_STAGE" ? L"5" : L"16000";
    for (const auto& [mark, value] : {std::pair<std::wstring, std::wstring>{L"%1", first}, {L"%2", L"5"}})
        for (size_t at = text.find(mark); at != std::wstring::npos; at = text.find(mark, at + value.size()))
            text.replace(at, mark.size(), value);
    return text;
}

TEST_F(AssetsPopup, RunTimeTextsFitTheirItemsInEveryLanguage) {
    const auto languages = ShippedLanguages();
    ASSERT_FALSE(languages.empty());
    win::UniqueDC dc(CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc);
    for (const RunTimeCaption& caption : kRunTimeCaptions) {
        const Skin* skin = SkinNamed(caption.skin);
        ASSERT_NE(skin, nullptr) << Narrow(caption.skin);
        const XmlElement* item = nullptr;
        for (const XmlElement* element : skin->elements)
            if ((element->Name() == L"TEXTITEM" || element->Name() == L"BUTTON") &&
                element->Attribute(L"name") == caption.control)
                item = element;
        ASSERT_NE(item, nullptr) << Narrow(caption.skin) << ": no " << Narrow(caption.control);
        const SkinFonts fonts = FontsOf(*skin);
        const std::wstring own = item->Attribute(item->Name() == L"TEXTITEM" ? L"textkey" : L"caption");
        for (const auto& language : languages)
            for (const auto& parts : caption.texts) {
                std::wstring shown;
                for (const wchar_t* part : parts) {
                    const std::wstring key = part == kOwnText ? own : std::wstring(part);
                    std::wstring resolved;
                    if (IsKey(key))
                        ASSERT_TRUE(language.table->Resolve(key, resolved)) << Where(*skin, *item) << " " << Narrow(key);
                    else
                        resolved = key;
                    shown += resolved;
                }
                shown = Filled(shown, caption.control);
                const auto font = fonts.find(language.FontName(*item));
                ASSERT_NE(font, fonts.end()) << Where(*skin, *item) << ": no font for " << Narrow(language.file);
                ExpectFits(dc.get(), *font->second, *item, shown,
                           Where(*skin, *item) + " (" + Narrow(language.file) + ")", language.OverrideOf(*item));
            }
    }
}

// Pictures reach the program only as BMP, JPEG or GIF: the picture loader of
// some platforms reads nothing else.
TEST_F(AssetsSkin, EveryPictureIsShippedAndLoads) {
    CResourceCache cache;
    int pictures = 0;
    for (const auto& skin : Skins())
        for (const XmlElement* element : skin.elements) {
            std::wstring file;
            if (OneOf(element->Name(), kPictureElements))
                file = Trimmed(element->Text());
            else if (element->Name() == L"VSLIDER")
                file = element->Attribute(L"file");
            if (file.empty())
                continue;
            ++pictures;
            const std::string where = Where(skin, *element) + " " + Narrow(file);
            std::vector<uint8_t> bytes;
            ASSERT_TRUE(ReadWholeFile(ShippedDir() + L"skins\\" + file, bytes)) << where << ": missing";
            const bool bmp = bytes.size() > 2 && bytes[0] == 'B' && bytes[1] == 'M';
            const bool jpeg = bytes.size() > 2 && bytes[0] == 0xFF && bytes[1] == 0xD8;
            const bool gif = bytes.size() > 3 && bytes[0] == 'G' && bytes[1] == 'I' && bytes[2] == 'F';
            EXPECT_TRUE(bmp || jpeg || gif) << where << ": not BMP, JPEG or GIF";
            const ResourceEntry* entry = cache.Get(file.c_str(), kResourcePicture);
            ASSERT_TRUE(entry->HasData()) << where << ": does not load";
            const SIZE size = SizeOf(entry->Bitmap());
            EXPECT_GT(size.cx, 0) << where;
            EXPECT_GT(size.cy, 0) << where;
        }
    EXPECT_GT(pictures, 0);
}

// A face or picture smaller than its item leaves part of the item unpainted.
TEST_F(AssetsSkin, PicturesCoverTheirItems) {
    CResourceCache cache;
    const wchar_t* const faces[] = {L"SBMN", L"SBMO", L"SBMD", L"SBMDS"};
    for (const auto& skin : Skins())
        for (const XmlElement* element : skin.elements) {
            const bool button = element->Name() == L"BUTTON" && !FlagSet(*element, L"dynamic");
            if (!button && element->Name() != L"BITMAPITEM")
                continue;
            Placement want = PlacementOf(*element);
            if (const XmlElement* size = element->FindFirst(L"BMPSZ")) {
                want.width = Number(size->Attribute(L"width"));
                want.height = Number(size->Attribute(L"height"));
            }
            for (const wchar_t* face : faces) {
                const XmlElement* child = element->FindFirst(face);
                if (button) {
                    ASSERT_NE(child, nullptr) << Where(skin, *element) << ": no " << Narrow(face);
                }
                if (!child)
                    continue;
                const SIZE got =
                    SizeOf(cache.Get(Trimmed(child->Text()).c_str(), kResourcePicture)->Bitmap());
                EXPECT_GE(got.cx, want.width) << Where(skin, *element) << " " << Narrow(face);
                EXPECT_GE(got.cy, want.height) << Where(skin, *element) << " " << Narrow(face);
            }
        }
}

// The pixels of a panel picture: exact file pixels for BMP, else as loaded.
bool ReadPicture(CResourceCache& cache, const std::wstring& file, Pixels& out) {
    const ResourceEntry* entry = cache.Get(file.c_str(), kResourceDibSection);
    if (!entry->HasData())
        entry = cache.Get(file.c_str(), kResourcePicture);
    return ReadPixels(entry->Bitmap(), out);
}

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kMagenta = 0xFF00FF;

// A slider's thumb stands at the top of the slider and is shaped by leaving
// out the colour of its picture's top-left pixel: a thumb larger than its
// slider is cut off, and a magenta key would be the main window's own
// transparent colour, a hole wherever a stray pixel of it is drawn.
TEST_F(AssetsSkin, SliderThumbsFitTheirSlidersAndAreShaped) {
    CResourceCache cache;
    int thumbs = 0;
    for (const auto& skin : Skins())
        for (const XmlElement* element : skin.elements) {
            if (element->Name() != L"HSLIDERM")
                continue;
            const Placement slider = PlacementOf(*element);
            for (const wchar_t* face : {L"SBMN", L"SBMO"}) {
                const XmlElement* child = element->FindFirst(face);
                const std::string where = Where(skin, *element) + " " + Narrow(face);
                ASSERT_NE(child, nullptr) << where;
                Pixels thumb;
                ASSERT_TRUE(ReadPicture(cache, Trimmed(child->Text()), thumb)) << where;
                ++thumbs;
                EXPECT_LE(thumb.width, slider.width) << where;
                EXPECT_LE(thumb.height, slider.height) << where;
                const uint32_t key = thumb.At(0, 0);
                EXPECT_NE(key, kMagenta) << where;
                long kept = 0;
                for (uint32_t rgb : thumb.rgb)
                    kept += (rgb & 0xFFFFFF) != key;
                EXPECT_GT(kept, static_cast<long>(thumb.rgb.size() / 2)) << where << ": the shape leaves little";
            }
        }
    EXPECT_GT(thumbs, 0);
}

// Wine ignores the window region of a colour-keyed window, so a panel's
// background itself must be magenta exactly where its mask is white.
TEST_F(AssetsSkin, BackgroundsAreKeyedExactlyWhereTheirMasksAreWhite) {
    CResourceCache cache;
    int panels = 0;
    for (const auto& skin : Skins()) {
        const XmlElement* root = skin.document->Root();
        if (!root || root->Name() != L"GUIPANEL")
            continue;
        ++panels;
        const XmlElement* background = root->FindFirst(L"BACKGROUND");
        ASSERT_NE(background, nullptr) << Narrow(skin.name);
        const XmlElement* mask = root->FindFirst(L"MASK");
        if (!mask)
            continue;  // a rectangular panel
        Pixels picture, shape;
        ASSERT_TRUE(ReadPicture(cache, Trimmed(background->Text()), picture)) << Narrow(skin.name);
        ASSERT_TRUE(ReadPicture(cache, Trimmed(mask->Text()), shape)) << Narrow(skin.name);
        ASSERT_EQ(picture.width, shape.width) << Narrow(skin.name);
        ASSERT_EQ(picture.height, shape.height) << Narrow(skin.name);
        long holes = 0, leaks = 0;
        for (int y = 0; y < shape.height; ++y)
            for (int x = 0; x < shape.width; ++x) {
                const bool outside = shape.At(x, y) == kWhite;
                const bool keyed = picture.At(x, y) == kMagenta;
                holes += !outside && keyed;
                leaks += outside && !keyed;
            }
        EXPECT_EQ(holes, 0) << Narrow(skin.name) << ": magenta inside the mask";
        EXPECT_EQ(leaks, 0) << Narrow(skin.name) << ": outside the mask but not magenta";
    }
    EXPECT_GT(panels, 0);
}

TEST_F(AssetsSkin, MainWindowIsShaped) {
    CResourceCache cache;
    const Skin* main = SkinNamed(L"MainPage.xml");
    ASSERT_NE(main, nullptr);
    const XmlElement* mask = main->document->Root()->FindFirst(L"MASK");
    ASSERT_NE(mask, nullptr);
    Pixels shape;
    ASSERT_TRUE(ReadPicture(cache, Trimmed(mask->Text()), shape));
    // Cut corners: the desktop shows through all four.
    EXPECT_EQ(shape.At(0, 0), kWhite);
    EXPECT_EQ(shape.At(shape.width - 1, 0), kWhite);
    EXPECT_EQ(shape.At(0, shape.height - 1), kWhite);
    EXPECT_EQ(shape.At(shape.width - 1, shape.height - 1), kWhite);
    EXPECT_NE(shape.At(shape.width / 2, shape.height / 2), kWhite);
}

// Every item sits inside the shape of the window that shows it: its own
// panel, or for a file without a panel (a page), the main window; an item
// placed on a bitmap item (windowid, a slider's trackid) inside that item,
// which clips it.
TEST_F(AssetsSkin, ItemsLieInsideTheirWindow) {
    CResourceCache cache;
    auto shapeOf = [&](const Skin& skin, Pixels& shape) {
        const XmlElement* root = skin.document->Root();
        const XmlElement* mask = root->FindFirst(L"MASK");
        if (!mask)
            mask = root->FindFirst(L"BACKGROUND");  // rectangular: anything inside the picture
        if (!mask)
            return false;
        if (!ReadPicture(cache, Trimmed(mask->Text()), shape))
            return false;
        if (root->FindFirst(L"MASK") == nullptr)
            std::fill(shape.rgb.begin(), shape.rgb.end(), 0u);
        return true;
    };
    const Skin* main = SkinNamed(L"MainPage.xml");
    ASSERT_NE(main, nullptr);
    Pixels mainShape;
    ASSERT_TRUE(shapeOf(*main, mainShape));

    for (const auto& skin : Skins()) {
        if (Lower(skin.name) == L"language.xml")
            continue;
        Pixels ownShape;
        const bool panel = skin.document->Root()->Name() == L"GUIPANEL";
        if (panel) {
            ASSERT_TRUE(shapeOf(skin, ownShape)) << Narrow(skin.name);
        }
        const Pixels& shape = panel ? ownShape : mainShape;
        std::map<std::wstring, Placement> bitmapItems;
        for (const XmlElement* element : skin.elements)
            if (element->Name() == L"BITMAPITEM")
                bitmapItems[Lower(element->Attribute(L"name"))] = PlacementOf(*element);
        for (const XmlElement* element : skin.elements) {
            if (!OneOf(element->Name(), kPlacedItems) && element->Name() != L"COMBO")
                continue;
            const wchar_t* hostAttribute = element->HasAttribute(L"windowid") ? L"windowid"
                                           : element->HasAttribute(L"trackid") ? L"trackid"
                                                                               : nullptr;
            if (hostAttribute != nullptr) {
                const auto host = bitmapItems.find(Lower(element->Attribute(hostAttribute)));
                if (host == bitmapItems.end())
                    continue;  // reported by the names test
                const Placement p = PlacementOf(*element);
                const std::string where = Where(skin, *element);
                EXPECT_TRUE(p.present && p.width > 0 && p.height > 0) << where << ": no RECT";
                EXPECT_TRUE(p.x >= 0 && p.y >= 0 && p.x + p.width <= host->second.width &&
                            p.y + p.height <= host->second.height)
                    << where << ": " << p.x << "," << p.y << " " << p.width << "x" << p.height << " outside "
                    << Narrow(element->Attribute(hostAttribute)) << " (" << host->second.width << "x"
                    << host->second.height << ")";
                continue;
            }
            const XmlElement* box = element->Name() == L"COMBO" ? element->FindFirst(L"CBOX") : element;
            const Placement p = box ? PlacementOf(*box) : Placement{};
            const std::string where = Where(skin, *element);
            ASSERT_TRUE(p.present) << where << ": no RECT";
            EXPECT_GT(p.width, 0) << where;
            EXPECT_GT(p.height, 0) << where;
            const long xs[] = {p.x, p.x + p.width - 1};
            const long ys[] = {p.y, p.y + p.height - 1};
            for (long x : xs)
                for (long y : ys) {
                    const bool inPicture = x >= 0 && y >= 0 && x < shape.width && y < shape.height;
                    EXPECT_TRUE(inPicture) << where << ": corner " << x << "," << y << " outside the window";
                    if (inPicture) {
                        EXPECT_NE(shape.At(x, y), kWhite)
                            << where << ": corner " << x << "," << y << " outside the window's shape";
                    }
                }
        }
    }
}

// --- languages -----------------------------------------------------------------

TEST_F(AssetsLanguage, DeclaredLanguagesHaveWellFormedFiles) {
    const auto languages = ShippedLanguages();
    ASSERT_GE(languages.size(), 2u);
    bool hasDefault = false;
    for (const auto& language : languages) {
        const std::string what = Narrow(language.name) + " " + Narrow(language.file);
        const int32_t id = names::ControlId(language.name.c_str());
        EXPECT_GE(id, lang::kFirstLanguage) << what;
        EXPECT_LE(id, lang::kLastLanguage) << what;
        hasDefault |= id == lang::kFirstLanguage;

        ASSERT_FALSE(language.bytes.empty()) << what << ": missing or empty";
        ASSERT_EQ(language.bytes.size() % 2, 0u) << what << ": not 16-bit text";
        std::wstring text(language.bytes.size() / 2, L'\0');
        for (size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<wchar_t>(language.bytes[2 * i] | (language.bytes[2 * i + 1] << 8));
        EXPECT_NE(text[0], 0xFEFF) << what << ": a byte-order mark would join the title";
        long badEnds = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == L'\r')
                badEnds += i + 1 >= text.size() || text[i + 1] != L'\n';
            if (text[i] == L'\n')
                badEnds += i == 0 || text[i - 1] != L'\r';
        }
        EXPECT_EQ(badEnds, 0) << what << ": lines must end with CR LF";
        // A text left empty would be skipped as a blank line and pair the
        // next key with the wrong text.
        EXPECT_EQ(text.find(L"\r\n\r\n"), std::wstring::npos) << what << ": blank line";
        const std::wstring end = L"\r\nEND OF FILE\r\n";
        EXPECT_TRUE(text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0)
            << what << ": does not close with END OF FILE";

        ASSERT_TRUE(language.parsed) << what;
        EXPECT_FALSE(language.table->Title().empty()) << what;
        std::map<std::wstring, std::wstring> seen;
        for (const auto& [key, value] : language.table->Entries()) {
            const std::wstring form = MatchForm(key);
            EXPECT_LE(form.size(), CLangTable::kMaxKeyLength)
                << what << ": " << Narrow(key) << " never matches";
            EXPECT_FALSE(value.empty()) << what << ": " << Narrow(key);
            const auto [at, fresh] = seen.emplace(form, key);
            EXPECT_TRUE(fresh) << what << ": " << Narrow(key) << " hides a later pair, as "
                               << Narrow(at->second) << " matches it first";
        }
    }
    EXPECT_TRUE(hasDefault) << "no LANGUAGE_DEFAULT in Language.xml";
}

TEST_F(AssetsLanguage, EveryKeyInUseResolvesInEveryLanguage) {
    std::vector<KeyUse> keys = SkinKeys();
    const size_t skinKeys = keys.size();
    for (const wchar_t* key : kProgramKeys)
        keys.push_back({key, "program"});
    for (int32_t id = 0; id <= 61; ++id)
        keys.push_back({names::FunctionName(id), "assignment function " + std::to_string(id)});
    for (int32_t id = 1; id <= 17; ++id)
        keys.push_back({names::PredefinedCommandName(id), "predefined command " + std::to_string(id)});
    EXPECT_GT(skinKeys, 0u);
    for (const auto& use : keys)
        ASSERT_TRUE(IsKey(use.key)) << use.where << ": '" << Narrow(use.key) << "' is no key";

    const auto languages = ShippedLanguages();
    ASSERT_FALSE(languages.empty());
    for (const auto& language : languages) {
        ASSERT_TRUE(language.parsed) << Narrow(language.file);
        std::string missing;
        for (const auto& use : keys) {
            std::wstring text;
            if (!language.table->Resolve(use.key, text))
                missing += "\n  " + Narrow(use.key) + " (" + use.where + ")";
            else if (text.empty())
                missing += "\n  " + Narrow(use.key) + " is empty (" + use.where + ")";
        }
        EXPECT_TRUE(missing.empty()) << Narrow(language.file) << " lacks:" << missing;
    }
}

// A key added to one language only shows up as "$Key" in the others.
TEST_F(AssetsLanguage, EveryLanguageAnswersTheSameKeys) {
    const auto languages = ShippedLanguages();
    const Language* reference = nullptr;
    for (const auto& language : languages)
        if (names::ControlId(language.name.c_str()) == lang::kFirstLanguage)
            reference = &language;
    ASSERT_NE(reference, nullptr);
    auto formsOf = [](const Language& language) {
        std::set<std::wstring> forms;
        for (const auto& entry : language.table->Entries())
            forms.insert(MatchForm(entry.first));
        return forms;
    };
    const auto expected = formsOf(*reference);
    for (const auto& language : languages) {
        const auto got = formsOf(language);
        std::string only;
        for (const auto& form : expected)
            if (!got.count(form))
                only += " -" + Narrow(form);
        for (const auto& form : got)
            if (!expected.count(form))
                only += " +" + Narrow(form);
        EXPECT_TRUE(only.empty()) << Narrow(language.file) << " against " << Narrow(reference->file) << ":"
                                  << only;
    }
}

}  // namespace
