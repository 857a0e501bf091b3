#include <gtest/gtest.h>

#include <string>

#include "macro/Macro.h"

namespace {

constexpr GUID kIdA = {0x1a2b3c4d, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr GUID kIdB = {0x1a2b3c4d, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 9}};

MacroEvent Key(uint16_t scan, uint16_t vk, uint32_t state) {
    return {kMacroEventKey, scan | uint32_t{vk} << 16, state};
}

// Builds a raw buffer: header {0, count} and the given entries.
struct Entry {
    uint32_t type;
    uint16_t a;
    uint16_t b;
};
std::vector<uint8_t> Buffer(uint32_t count, std::initializer_list<Entry> entries) {
    std::vector<uint8_t> buf;
    auto put32 = [&buf](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            buf.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    put32(0);
    put32(count);
    for (const Entry& e : entries) {
        put32(e.type);
        put32(e.a | uint32_t{e.b} << 16);
    }
    return buf;
}

// --- macro and list ----------------------------------------------------------

TEST(MacroName, LongNamesAreCutToTheBuffer) {
    std::wstring longName(1000, L'm');
    CMacro macro(longName.c_str(), {});
    EXPECT_EQ(std::wstring(macro.Name()), longName.substr(0, 255));

    macro.SetName(L"Short");
    EXPECT_STREQ(macro.Name(), L"Short");
    macro.SetName(nullptr);
    EXPECT_STREQ(macro.Name(), L"");

    // A surrogate pair straddling the cut is dropped whole.
    std::wstring pair = std::wstring(254, L'a') + L"\xD83D\xDE00" + L"tail";
    macro.SetName(pair.c_str());
    EXPECT_EQ(std::wstring(macro.Name()), std::wstring(254, L'a'));
}

TEST(MacroModel, NewMacroCopiesAndHasNoId) {
    MacroEvents events = {Key(0x1E, 0, kMacroStatePress), {kMacroEventDelay, 50, 50}};
    CMacro macro(L"Jump", events);
    events.clear();
    EXPECT_EQ(macro.Events().size(), 2u);
    EXPECT_FALSE(macro.HasId());
    EXPECT_TRUE(macro.SourcePath().empty());
    macro.SetId(kIdA);
    EXPECT_TRUE(macro.HasId());
}

TEST(MacroModel, Equality) {
    MacroEvents events = {Key(0x1E, 0, kMacroStatePress), Key(0x1E, 0, kMacroStateRelease)};
    CMacro a(L"Jump", events);
    CMacro b(L"jUMP", events);
    a.SetId(kIdA);
    b.SetId(kIdA);
    EXPECT_TRUE(a == b);
    b.SetSourcePath(L"C:\\x.vxm");  // where it came from is no part of the macro
    EXPECT_TRUE(a == b);

    b.SetId(kIdB);
    EXPECT_FALSE(a == b);
    b.SetId(kIdA);

    b.SetName(L"Jump2");
    EXPECT_FALSE(a == b);
    b.SetName(L"Jump");

    b.Events().pop_back();
    EXPECT_FALSE(a == b);
    b.Events().push_back(Key(0x1E, 0, kMacroStatePress));  // same count, one differs
    EXPECT_FALSE(a == b);
}

TEST(MacroList, AddAndFindIgnoreCase) {
    CMacroList list;
    CMacro* jump = list.Add(L"Jump", {{kMacroEventDelay, 5, 5}});
    ASSERT_NE(jump, nullptr);
    CMacro* run = list.Add(L"Run", {});
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(list.Add(L"JUMP", {}), nullptr);
    EXPECT_EQ(list.Add(nullptr, {}), nullptr);
    EXPECT_EQ(list.Count(), 2);

    EXPECT_EQ(list.FindByName(L"jump"), jump);
    EXPECT_EQ(list.FindByName(L"rUn"), run);
    EXPECT_EQ(list.FindByName(L"Walk"), nullptr);
    EXPECT_EQ(list.FindByName(nullptr), nullptr);
    EXPECT_EQ(list.At(0), jump);
    EXPECT_EQ(list.At(1), run);
    EXPECT_EQ(list.At(2), nullptr);
    EXPECT_EQ(list.At(-1), nullptr);

    EXPECT_EQ(list.FindById(kIdA), nullptr);
    run->SetId(kIdA);
    EXPECT_EQ(list.FindById(kIdA), run);
}

TEST(MacroList, OverLongNameCountsAsItsCut) {
    CMacroList list;
    std::wstring longName(1000, L'x');
    CMacro* first = list.Add(longName.c_str(), {});
    ASSERT_NE(first, nullptr);
    // The stored name is the first 255 characters; the same long name, or
    // another that only differs past the cut, is the same macro.
    EXPECT_EQ(list.Add(longName.c_str(), {}), nullptr);
    EXPECT_EQ(list.Add((longName + L"y").c_str(), {}), nullptr);
    EXPECT_EQ(list.FindByName(std::wstring(255, L'X').c_str()), first);
    EXPECT_EQ(list.Count(), 1);
}

TEST(MacroList, RemoveOnlyWhatItHolds) {
    CMacroList list;
    CMacro* a = list.Add(L"A", {});
    CMacro* b = list.Add(L"B", {});
    CMacro stranger(L"A", {});

    list.Remove(&stranger);
    list.Remove(nullptr);
    EXPECT_EQ(list.Count(), 2);

    list.Remove(a);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.At(0), b);
    EXPECT_EQ(list.FindByName(L"A"), nullptr);
    EXPECT_NE(list.Add(L"a", {}), nullptr);  // the name is free again

    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

// --- event buffer ------------------------------------------------------------

TEST(EventBuffer, RoundTripAndLayout) {
    // Keys other than 0x45 come back without their virtual key, so use none.
    MacroEvents events = {
        Key(0x1E, 0, kMacroStatePress),
        Key(0x1E, 0, kMacroStateRelease),
        Key(0x4B, 0, kMacroStatePress | kMacroStateExtended),
        Key(0x4B, 0, kMacroStateRelease | kMacroStateExtended),
        {kMacroEventDelay, 1234, 1234},
        {kMacroEventDelay, kMacroMaxDelay, kMacroMaxDelay},
        {kMacroEventButton, 25, kMacroStatePress},
        {kMacroEventButton, 25, kMacroStateRelease},
    };
    std::vector<uint8_t> buf = macrobuf::FromEvents(events);
    std::vector<uint8_t> expected = Buffer(8, {
                                                  {2, 0x1E, 0},
                                                  {2, 0x1E, 1},
                                                  {2, 0x4B, 2},
                                                  {2, 0x4B, 3},
                                                  {3, 1234, 0},
                                                  {3, 0xFFFF, 0xFF},
                                                  {1, 0x40, 0},
                                                  {1, 0x80, 0},
                                              });
    EXPECT_EQ(buf, expected);

    MacroEvents back;
    ASSERT_TRUE(macrobuf::ToEvents(buf.data(), buf.size(), back));
    EXPECT_EQ(back, events);

    // A successful read replaces what was there.
    MacroEvents again = {{kMacroEventDelay, 7, 7}};
    ASSERT_TRUE(macrobuf::ToEvents(buf.data(), buf.size(), again));
    EXPECT_EQ(again, events);
}

TEST(EventBuffer, KeyVirtualKeysAreNotCarried) {
    // Any state low byte other than a press counts as a release.
    MacroEvents events = {Key(0x2D, 'X', kMacroStatePress), Key(0x2D, 'X', 0x42)};
    std::vector<uint8_t> buf = macrobuf::FromEvents(events);
    EXPECT_EQ(buf, Buffer(2, {{2, 0x2D, 0}, {2, 0x2D, 1}}));
    MacroEvents back;
    ASSERT_TRUE(macrobuf::ToEvents(buf.data(), buf.size(), back));
    EXPECT_EQ(back, (MacroEvents{Key(0x2D, 0, kMacroStatePress), Key(0x2D, 0, kMacroStateRelease)}));
}

TEST(EventBuffer, PauseAndNumLockShareAScanCode) {
    MacroEvents events = {
        Key(0x45, 19, kMacroStatePress),  // Pause: sent extended
        Key(0x45, 19, kMacroStateRelease),
        Key(0x45, 144, kMacroStatePress),  // Num Lock
        Key(0x45, 144, kMacroStateRelease),
    };
    std::vector<uint8_t> buf = macrobuf::FromEvents(events);
    EXPECT_EQ(buf, Buffer(4, {{2, 0x45, 2}, {2, 0x45, 3}, {2, 0x45, 0}, {2, 0x45, 1}}));

    MacroEvents back;
    ASSERT_TRUE(macrobuf::ToEvents(buf.data(), buf.size(), back));
    EXPECT_EQ(back, events);  // no extended bit on the Pause events read back

    // Pause is recognised by its virtual key even on another scan code.
    EXPECT_EQ(macrobuf::FromEvents({Key(0x1D, 19, kMacroStatePress)}), Buffer(1, {{2, 0x1D, 2}}));
}

TEST(EventBuffer, ButtonCodeTable) {
    struct Row {
        uint16_t flag;
        uint32_t button, state;
    };
    const Row rows[] = {{0x1, 1, 255}, {0x2, 1, 1},     {0x4, 2, 255}, {0x8, 2, 1},      {0x10, 3, 255},
                        {0x20, 3, 1},  {0x40, 25, 255}, {0x80, 25, 1}, {0x100, 26, 255}, {0x200, 26, 1}};
    for (const Row& r : rows) {
        EXPECT_EQ(macrobuf::ButtonFlag(r.button, r.state), r.flag) << r.button << "/" << r.state;
        uint32_t button = 0, state = 0;
        ASSERT_TRUE(macrobuf::ButtonFromFlag(r.flag, button, state)) << r.flag;
        EXPECT_EQ(button, r.button);
        EXPECT_EQ(state, r.state);
    }
    EXPECT_EQ(macrobuf::ButtonFlag(4, 255), 0);
    EXPECT_EQ(macrobuf::ButtonFlag(1, 0x1FF), 0);
    uint32_t button = 77, state = 77;
    for (uint16_t bad : {0x0, 0x3, 0x400, 0xFFFF})
        EXPECT_FALSE(macrobuf::ButtonFromFlag(bad, button, state)) << bad;
    EXPECT_EQ(button, 77u);
    EXPECT_EQ(state, 77u);
}

TEST(EventBuffer, DelaysStayWithinRange) {
    std::vector<uint8_t> buf = macrobuf::FromEvents({{kMacroEventDelay, 0x12345678, 0x12345678}});
    EXPECT_EQ(buf, Buffer(1, {{3, 0xFFFF, 0xFF}}));

    std::vector<uint8_t> huge = Buffer(1, {{3, 0xFFFF, 0xFFFF}});
    MacroEvents back;
    ASSERT_TRUE(macrobuf::ToEvents(huge.data(), huge.size(), back));
    EXPECT_EQ(back, (MacroEvents{{kMacroEventDelay, kMacroMaxDelay, kMacroMaxDelay}}));
}

TEST(EventBuffer, UnknownKindsAreNotWritten) {
    MacroEvents events = {{7, 1, 1}, {kMacroEventDelay, 10, 10}, {3, 0, 0}};
    EXPECT_EQ(macrobuf::FromEvents(events), Buffer(1, {{3, 10, 0}}));
    EXPECT_EQ(macrobuf::FromEvents({}), Buffer(0, {}));
}

TEST(EventBuffer, MalformedBuffersAreReadSafely) {
    const MacroEvents before = {{kMacroEventDelay, 99, 99}};
    MacroEvents out = before;

    // The header claims far more entries than the bytes hold: read what is there.
    std::vector<uint8_t> overclaim = Buffer(1000, {{3, 10, 0}, {2, 0x1E, 0}});
    ASSERT_TRUE(macrobuf::ToEvents(overclaim.data(), overclaim.size(), out));
    EXPECT_EQ(out, (MacroEvents{{kMacroEventDelay, 10, 10}, Key(0x1E, 0, kMacroStatePress)}));

    // A trailing partial entry is ignored.
    std::vector<uint8_t> partial = Buffer(2, {{3, 10, 0}, {2, 0x1E, 0}});
    ASSERT_TRUE(macrobuf::ToEvents(partial.data(), partial.size() - 1, out));
    EXPECT_EQ(out, (MacroEvents{{kMacroEventDelay, 10, 10}}));

    // Unknown types and button codes outside the table are dropped.
    std::vector<uint8_t> mixed = Buffer(4, {{9, 1, 1}, {2, 0x1E, 1}, {1, 0x400, 0}, {0, 0, 0}});
    ASSERT_TRUE(macrobuf::ToEvents(mixed.data(), mixed.size(), out));
    EXPECT_EQ(out, (MacroEvents{Key(0x1E, 0, kMacroStateRelease)}));

    // Nothing usable: false, and the list is left as it was.
    out = before;
    std::vector<uint8_t> unknown = Buffer(2, {{9, 1, 1}, {42, 0, 0}});
    EXPECT_FALSE(macrobuf::ToEvents(unknown.data(), unknown.size(), out));
    std::vector<uint8_t> zeroCount = Buffer(0, {{3, 10, 0}});
    EXPECT_FALSE(macrobuf::ToEvents(zeroCount.data(), zeroCount.size(), out));
    std::vector<uint8_t> tiny = Buffer(1, {});
    EXPECT_FALSE(macrobuf::ToEvents(tiny.data(), 7, out));
    EXPECT_FALSE(macrobuf::ToEvents(tiny.data(), tiny.size(), out));  // header only
    EXPECT_FALSE(macrobuf::ToEvents(nullptr, 64, out));
    EXPECT_EQ(out, before);
}

// --- predefined macros -------------------------------------------------------

uint32_t SystemKeyCode(uint32_t vk) {
    return (MapVirtualKeyW(vk, MAPVK_VK_TO_VSC_EX) & 0xFFFF) | vk << 16;
}

TEST(PredefinedMacros, ChordsUseTheSystemScanCodes) {
    struct KeyChord {
        int number;
        uint32_t modifier, key;
    };
    const KeyChord chords[] = {
        {1, VK_LCONTROL, 'X'},  {2, VK_LCONTROL, 'C'},  {3, VK_LCONTROL, 'V'}, {4, VK_LCONTROL, 'Z'},
        {5, VK_LCONTROL, 'A'},  {6, VK_LCONTROL, 'F'},  {7, VK_LCONTROL, 'N'}, {8, VK_LCONTROL, 'P'},
        {9, VK_LCONTROL, 'S'},  {10, VK_LMENU, VK_TAB}, {11, VK_LMENU, VK_F4}, {12, VK_LWIN, 'L'},
        {13, VK_LWIN, 'E'},     {14, VK_LWIN, 'R'},     {15, VK_LWIN, 'D'},    {16, VK_LCONTROL, 187},
        {17, VK_LCONTROL, 189},
    };
    CPredefinedMacroList list;
    list.Build();
    for (const KeyChord& c : chords) {
        SCOPED_TRACE(c.number);
        MacroEvents events;
        ASSERT_TRUE(list.Lookup(c.number, events));
        uint32_t mod = SystemKeyCode(c.modifier);
        uint32_t key = SystemKeyCode(c.key);
        // A chord whose keys the system cannot map would replay nothing.
        EXPECT_NE(mod & 0xFFFF, 0u);
        EXPECT_NE(key & 0xFFFF, 0u);
        uint32_t ext = c.modifier == VK_LWIN ? kMacroStateExtended : 0;
        MacroEvents expected = {
            {kMacroEventKey, mod, 255 | ext},
            {kMacroEventKey, key, 255},
            {kMacroEventKey, key, 1},
            {kMacroEventKey, mod, 1 | ext},
        };
        EXPECT_EQ(events, expected);
    }
}

TEST(PredefinedMacros, LookupOutsideTheTableGivesNothing) {
    CPredefinedMacroList list;
    MacroEvents out = {{kMacroEventDelay, 5, 5}};
    const MacroEvents before = out;
    EXPECT_FALSE(list.Lookup(1, out));  // not built yet
    list.Build();
    for (int n : {0, -1, 18, 1000})
        EXPECT_FALSE(list.Lookup(n, out)) << n;
    EXPECT_EQ(out, before);
    EXPECT_TRUE(list.Lookup(17, out));
    EXPECT_EQ(out.size(), 4u);

    EXPECT_EQ(CPredefinedMacroList::GroupOf(1), 1);
    EXPECT_EQ(CPredefinedMacroList::GroupOf(9), 1);
    EXPECT_EQ(CPredefinedMacroList::GroupOf(10), 2);
    EXPECT_EQ(CPredefinedMacroList::GroupOf(17), 2);
    EXPECT_EQ(CPredefinedMacroList::GroupOf(0), 0);
    EXPECT_EQ(CPredefinedMacroList::GroupOf(18), 0);
}

}  // namespace
