#include "macro/Macro.h"

#include "skin/NameTables.h"

namespace {

constexpr uint32_t kVkLeftCtrl = VK_LCONTROL;
constexpr uint32_t kVkLeftAlt = VK_LMENU;
constexpr uint32_t kVkLeftWin = VK_LWIN;

struct KeyChord {
    uint32_t modifier;
    uint32_t key;
};

// In command-number order: 1..9 first, then 10..17.
constexpr KeyChord kGroup1[] = {
    {kVkLeftCtrl, 'X'}, {kVkLeftCtrl, 'C'}, {kVkLeftCtrl, 'V'}, {kVkLeftCtrl, 'Z'}, {kVkLeftCtrl, 'A'},
    {kVkLeftCtrl, 'F'}, {kVkLeftCtrl, 'N'}, {kVkLeftCtrl, 'P'}, {kVkLeftCtrl, 'S'},
};
constexpr KeyChord kGroup2[] = {
    {kVkLeftAlt, VK_TAB}, {kVkLeftAlt, VK_F4}, {kVkLeftWin, 'L'},          {kVkLeftWin, 'E'},
    {kVkLeftWin, 'R'},    {kVkLeftWin, 'D'},   {kVkLeftCtrl, VK_OEM_PLUS}, {kVkLeftCtrl, VK_OEM_MINUS},
};

constexpr int kGroup1First = 1;
constexpr int kGroup2First = 10;
constexpr int kLast = 17;

uint32_t KeyCode(uint32_t vk) {
    return (MapVirtualKeyW(vk, MAPVK_VK_TO_VSC_EX) & 0xFFFF) | vk << 16;
}

MacroEvents ChordEvents(const KeyChord& chord) {
    // The Windows key is an extended key, so its press and release carry that bit.
    uint32_t extended = chord.modifier == kVkLeftWin ? kMacroStateExtended : 0;
    uint32_t modifier = KeyCode(chord.modifier);
    uint32_t key = KeyCode(chord.key);
    return {
        {kMacroEventKey, modifier, kMacroStatePress | extended},
        {kMacroEventKey, key, kMacroStatePress},
        {kMacroEventKey, key, kMacroStateRelease},
        {kMacroEventKey, modifier, kMacroStateRelease | extended},
    };
}

}  // namespace

void CPredefinedMacroList::Build() {
    m_group1.clear();
    m_group2.clear();
    for (const KeyChord& c : kGroup1)
        m_group1.push_back(ChordEvents(c));
    for (const KeyChord& c : kGroup2)
        m_group2.push_back(ChordEvents(c));
}

int CPredefinedMacroList::GroupOf(int number) {
    if (number >= kGroup1First && number < kGroup2First)
        return 1;
    if (number >= kGroup2First && number <= kLast)
        return 2;
    return 0;
}

bool CPredefinedMacroList::Lookup(int number, MacroEvents& out) const {
    const std::vector<MacroEvents>* group = nullptr;
    size_t index = 0;
    switch (GroupOf(number)) {
        case 1:
            group = &m_group1;
            index = static_cast<size_t>(number - kGroup1First);
            break;
        case 2:
            group = &m_group2;
            index = static_cast<size_t>(number - kGroup2First);
            break;
        default:
            return false;
    }
    // Before Build() there is nothing to give.
    if (index >= group->size())
        return false;
    out = (*group)[index];
    return true;
}

std::vector<std::wstring> CPredefinedMacroList::Keywords(int group) const {
    const std::vector<MacroEvents>* held = group == 1 ? &m_group1 : group == 2 ? &m_group2 : nullptr;
    std::vector<std::wstring> keywords;
    if (held == nullptr)
        return keywords;
    const int first = group == 1 ? kGroup1First : kGroup2First;
    for (size_t i = 0; i < held->size(); ++i)
        keywords.emplace_back(names::PredefinedCommandName(first + static_cast<int>(i)));
    return keywords;
}

CPredefinedMacroList& CPredefinedMacroList::Instance() {
    static CPredefinedMacroList list;
    return list;
}
