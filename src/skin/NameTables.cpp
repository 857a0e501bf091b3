#include "skin/NameTables.h"

#include <windows.h>

#include <cwchar>
#include <iterator>
#include <map>

namespace names {
namespace {

using Table = std::map<int32_t, const wchar_t*>;

struct Row {
    int32_t id;
    const wchar_t* name;
};

constexpr Row kPredefinedCommandRows[] = {
    {1, L"$cut"},          {2, L"$copy"},     {3, L"$paste"},         {4, L"$undo"}, {5, L"$all"},
    {6, L"$find"},         {7, L"$new"},      {8, L"$print"},         {9, L"$save"}, {10, L"$swapwindows"},
    {11, L"$closewindow"}, {12, L"$lockpc"},  {13, L"$openexplorer"}, {14, L"$run"}, {15, L"$showdesktop"},
    {16, L"$zoomin"},      {17, L"$zoomout"},
};

// Two functions share a name ($macro, $profile): a look-up by name finds the
// lower id, the higher one is reached only from a stored number.
constexpr Row kFunctionRows[] = {
    {0, L"$click"},
    {1, L"$menu"},
    {2, L"$universalscrolling"},
    {3, L"$Double-Click"},
    {4, L"$SingleKey"},
    {5, L"$macro"},
    {6, L"$macro"},
    {7, L"$buttonoff"},
    {8, L"$advanced"},
    {9, L"$on-the-flysensitivity"},
    {10, L"$button4"},
    {11, L"$button5"},
    {12, L"$SensitivityStageUp"},
    {13, L"$SensitivityStageDown"},
    {14, L"$SensitivityStages"},
    {15, L"$dpistage1"},
    {16, L"$dpistage2"},
    {17, L"$dpistage3"},
    {18, L"$dpistage4"},
    {19, L"$dpistage5"},
    {20, L"$profile"},
    {21, L"$profile"},
    {22, L"$profileup"},
    {23, L"$profiledown"},
    {24, L"$profile1"},
    {25, L"$profile2"},
    {26, L"$profile3"},
    {27, L"$profile4"},
    {28, L"$profile5"},
    {29, L"$play"},
    {30, L"$stop"},
    {31, L"$Backward"},
    {32, L"$Forward"},
    {33, L"$pause"},
    {34, L"$volumeup"},
    {35, L"$volumedown"},
    {36, L"$mute"},
    {37, L"$skipback"},
    {38, L"$skipforward"},
    {39, L"$scrollup"},
    {40, L"$scrolldown"},
    {41, L"$cut"},
    {42, L"$copy"},
    {43, L"$paste"},
    {44, L"$undo"},
    {45, L"$all"},
    {46, L"$find"},
    {47, L"$new"},
    {48, L"$print"},
    {49, L"$save"},
    {50, L"$swapwindows"},
    {51, L"$closewindow"},
    {52, L"$lockpc"},
    {53, L"$openexplorer"},
    {54, L"$run"},
    {55, L"$showdesktop"},
    {56, L"$zoomin"},
    {57, L"$zoomout"},
    {58, L"$dpisetting"},
    {59, L"$profilesetting"},
    {60, L"$selectfun"},
    {61, L"$launchprogram"},
};

constexpr Row kControlRows[] = {
#define TARN_CONTROL(id, name) {id, L## #name},
#include "skin/ControlList.inc"
#undef TARN_CONTROL
};

// Short names for keys the system cannot name.
constexpr Row kKeyRows[] = {
    {8, L"BkSp"},      {9, L"Tab"},     {12, L"Clr"},    {13, L"Ret"},   {16, L"Shft"},  {17, L"Ctrl"},
    {18, L"Alt"},      {19, L"Pause"},  {20, L"CpLk"},   {27, L"Esc"},   {32, L"Spc"},   {33, L"PgUp"},
    {34, L"PgDn"},     {35, L"End"},    {36, L"Home"},   {37, L"Lft"},   {38, L"Up"},    {39, L"Rht"},
    {40, L"Dn"},       {41, L"Select"}, {42, L"Prnt"},   {43, L"Exe"},   {44, L"Print"}, {45, L"Ins"},
    {46, L"Del"},      {47, L"Hlp"},    {91, L"LWin"},   {92, L"RWin"},  {93, L"Apps"},  {96, L"Num0"},
    {97, L"Num1"},     {98, L"Num2"},   {99, L"Num3"},   {100, L"Num4"}, {101, L"Num5"}, {102, L"Num6"},
    {103, L"Num7"},    {104, L"Num8"},  {105, L"Num9"},  {106, L"Num*"}, {107, L"Num+"}, {108, L"NumRet"},
    {109, L"Num-"},    {110, L"Num."},  {111, L"Num/"},  {112, L"F1"},   {113, L"F2"},   {114, L"F3"},
    {115, L"F4"},      {116, L"F5"},    {117, L"F6"},    {118, L"F7"},   {119, L"F8"},   {120, L"F9"},
    {121, L"F10"},     {122, L"F11"},   {123, L"F12"},   {144, L"Numl"}, {145, L"Scrl"}, {160, L"LShft"},
    {161, L"RShft"},   {162, L"LCtrl"}, {163, L"RCtrl"}, {164, L"LAlt"}, {165, L"RAlt"}, {166, L"Backward"},
    {167, L"Forward"},
};

// Colour references are 0x00BBGGRR.
constexpr Row kColourRows[] = {
    {0x0000FF, L"RED"},      {0x00FF00, L"GREEN"},   {0x067401, L"GREEN2"}, {0x094701, L"GREEN3"},
    {0xFF0000, L"BLUE"},     {0x000000, L"BLACK"},   {0x0B0B0B, L"BLACK2"}, {0xFFFFFF, L"WHITE"},
    {0x3A3A3A, L"DARKGREY"}, {0x5F5F5F, L"MIDGREY"},
};

// Same numbers as the LANGUAGE_ control names.
constexpr Row kLanguageRows[] = {
    {318, L"English"}, {319, L"ChineseSimplified"}, {320, L"ChineseTraditional"},
    {321, L"French"},  {322, L"FrenchCanadian"},    {323, L"German"},
    {324, L"Korean"},  {325, L"Russian"},           {326, L"Japanese"},
};

constexpr Row kListColumnItemRows[] = {
    {0, L"LCITEM_PROFILEID"},  {1, L"LCITEM_PROFILENAME"},   {2, L"LCITEM_PROFILEEXE"},
    {3, L"LCITEM_AUTOSWITCH"}, {4, L"LCITEM_MCREVENT_ICON"}, {5, L"LCITEM_MCREVENT_DESCRIP"},
};

constexpr Row kListColumnTypeRows[] = {
    {0, L"ICON"}, {1, L"STATIC"}, {2, L"EDIT"}, {3, L"COMBO"}, {4, L"CHECKBOX"}, {5, L"FILEDIALOG"},
};

constexpr Row kEventColumnTypeRows[] = {
    {0, L"ICON"},
    {1, L"STATIC"},
};

struct Tables {
    Table predefinedCommands;
    Table functions;
    Table controls;
    Table keys;
    Table colours;
    Table languages;
    Table listColumnItems;
    Table listColumnTypes;
    Table eventColumnTypes;
};

// Empty until BuildAllNameTables runs, so early look-ups find nothing
// instead of touching uninitialised data.
Tables& AllTables() {
    static Tables tables;
    return tables;
}

template <size_t N>
void Fill(Table& table, const Row (&rows)[N]) {
    table.clear();
    for (const Row& row : rows)
        table.emplace(row.id, row.name);
}

bool SameIgnoringCase(const wchar_t* a, const wchar_t* b) {
    return CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

int32_t IdOf(const Table& table, const wchar_t* name) {
    if (name == nullptr)
        return -1;
    for (const auto& [id, rowName] : table) {
        if (SameIgnoringCase(rowName, name))
            return id;
    }
    return -1;
}

const wchar_t* NameOf(const Table& table, int32_t id) {
    auto it = table.find(id);
    return it == table.end() || it->second == nullptr ? L"" : it->second;
}

}  // namespace

void BuildAllNameTables() {
    Tables& t = AllTables();
    Fill(t.predefinedCommands, kPredefinedCommandRows);
    Fill(t.functions, kFunctionRows);
    Fill(t.controls, kControlRows);
    Fill(t.keys, kKeyRows);
    Fill(t.colours, kColourRows);
    Fill(t.languages, kLanguageRows);
    Fill(t.listColumnItems, kListColumnItemRows);
    Fill(t.listColumnTypes, kListColumnTypeRows);
    Fill(t.eventColumnTypes, kEventColumnTypeRows);
}

int32_t ControlId(const wchar_t* name) {
    return IdOf(AllTables().controls, name);
}
int32_t FunctionId(const wchar_t* name) {
    return IdOf(AllTables().functions, name);
}
int32_t PredefinedCommandId(const wchar_t* name) {
    return IdOf(AllTables().predefinedCommands, name);
}
int32_t ColourValue(const wchar_t* name) {
    return IdOf(AllTables().colours, name);
}
int32_t LanguageId(const wchar_t* name) {
    return IdOf(AllTables().languages, name);
}
int32_t ListColumnItemId(const wchar_t* name) {
    return IdOf(AllTables().listColumnItems, name);
}
int32_t ListColumnTypeId(const wchar_t* name) {
    return IdOf(AllTables().listColumnTypes, name);
}
int32_t EventColumnTypeId(const wchar_t* name) {
    return IdOf(AllTables().eventColumnTypes, name);
}

const wchar_t* FunctionName(int32_t id) {
    return NameOf(AllTables().functions, id);
}
const wchar_t* PredefinedCommandName(int32_t id) {
    return NameOf(AllTables().predefinedCommands, id);
}
const wchar_t* KeyName(int32_t virtualKey) {
    return NameOf(AllTables().keys, virtualKey);
}
const wchar_t* ControlName(int32_t id) {
    return NameOf(AllTables().controls, id);
}
const wchar_t* LanguageName(int32_t id) {
    return NameOf(AllTables().languages, id);
}

void KeyDisplayName(uint16_t virtualKey, uint16_t scanCode, bool extended, std::wstring& out) {
    out.clear();

    // Bit 24 tells the system the key is extended; Num Lock always needs it.
    LONG param = static_cast<LONG>(static_cast<uint32_t>(scanCode) << 16);
    if (extended || virtualKey == VK_NUMLOCK)
        param |= 1L << 24;
    wchar_t systemName[20] = {};
    int length = GetKeyNameTextW(param, systemName, static_cast<int>(std::size(systemName)));
    // Some systems answer 1 with an empty text for a key they cannot name.
    size_t named = length > 0 ? wcsnlen(systemName, std::size(systemName)) : 0;
    if (named > 0) {
        out.assign(systemName, named);
        return;
    }

    const wchar_t* shortName = KeyName(virtualKey);
    if (*shortName != L'\0') {
        out = shortName;
        return;
    }

    // The character the key types with no modifier held. Flag 4 keeps a dead
    // key from lingering in the thread's keyboard state and spoiling the
    // user's next key press.
    BYTE keyState[256] = {};
    wchar_t typed[2] = {};
    int count = ToUnicode(virtualKey, scanCode, keyState, typed, 2, 4);
    if (count == 0 || typed[0] < L' ')
        return;  // nothing printable: no name
    // The whole UTF-16 unit, not just its low byte, so non-Latin layouts show
    // their own letters.
    wchar_t upper[2] = {typed[0], L'\0'};
    CharUpperBuffW(upper, 1);
    out.assign(1, upper[0]);
}

}  // namespace names
