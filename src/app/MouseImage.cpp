#include "app/MouseImage.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "macro/Macro.h"
#include "model/MouseConfig.h"
#include "model/MouseProfile.h"

namespace app {
namespace {

void Line(std::wstring& out, const wchar_t* key, const std::wstring& value) {
    out += key;
    out += L'=';
    out += value;
    out += L'\n';
}

void AppendNumber(std::wstring& out, uint32_t value) {
    wchar_t digits[10];
    int n = 0;
    do {
        digits[n++] = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (n > 0)
        out += digits[--n];
}

std::wstring Number(int64_t value) {
    return std::to_wstring(value);
}

// An assignment as the mouse runs it: the function and what it needs.
std::wstring AssignmentText(CMouseConfig& config, const Assignment& a) {
    std::wstring text = Number(a.code);
    switch (a.code) {
        case kFunctionSingleKey: {
            uint16_t scan = 0;
            std::memcpy(&scan, a.data, sizeof(scan));
            text += L" scan " + Number(scan) + L" mods " + Number(a.data[4]);
            break;
        }
        case kFunctionMacroById:
        case kFunctionMacroByName: {
            const CMacro* macro = a.code == kFunctionMacroById ? config.FindMacroById(AssignmentId(a)) : nullptr;
            text = L"macro " + (macro != nullptr ? std::wstring(macro->Name()) : AssignmentName(a));
            break;
        }
        case kFunctionProfileById:
        case kFunctionProfileByName: {
            const CMouseProfile* target =
                a.code == kFunctionProfileById ? config.FindById(AssignmentId(a)) : nullptr;
            text = L"profile " + (target != nullptr ? target->GetName() : AssignmentName(a));
            break;
        }
        default:
            break;
    }
    return text;
}

void ProfileImage(std::wstring& out, CMouseConfig& config, CMouseProfile& p) {
    Line(out, L"profile", p.GetName());
    Line(out, L" program", p.GetProgramPath());
    Line(out, L" flags", Number(p.GetAutoSwitch()) + L" " + Number(p.GetDpiOsd()) + L" " + Number(p.GetProfileOsd()) +
                             L" " + Number(p.GetThumbKeysEnabled()));
    Line(out, L" lights", Number(p.GetScrollLight()) + L" " + Number(p.GetUnderGlowLight()));
    // The mouse keeps one current pair: both axes alike unless apart.
    const bool apart = p.GetSeparateXY();
    Line(out, L" current", Number(apart ? p.GetSensitivityX() : p.GetSensitivity()) + L"x" +
                               Number(apart ? p.GetSensitivityY() : p.GetSensitivity()));
    const int32_t inUse = p.GetStagesInUse();
    Line(out, L" stages", Number(inUse) + L" active " + Number(p.GetActiveStage()));
    for (int32_t stage = 1; stage <= inUse && stage <= p.GetStageCount(); ++stage) {
        const bool stageApart = p.GetStageFlag(stage);
        Line(out, L"  stage", Number(stageApart ? p.GetStageX(stage) : p.GetStageValue(stage)) + L"x" +
                                  Number(stageApart ? p.GetStageY(stage) : p.GetStageValue(stage)));
    }
    // A button without an entry clicks: an entry that says so is no news.
    const Assignment click = MakeAssignment(kFunctionClick);
    for (const auto& [button, assignment] : p.ButtonAssignments()) {
        if (!(assignment == click))
            Line(out, L" button", Number(button) + L" " + AssignmentText(config, assignment));
    }
    for (int32_t key : p.KeyOrder())
        Line(out, L" key", Number(key) + L" " + AssignmentText(config, p.GetKeyAssignment(key)));
}

}  // namespace

std::wstring MouseImage(CMouseConfig& config) {
    std::wstring out;
    Line(out, L"polling", Number(config.GetPollingRateChoice()));
    Line(out, L"acceleration", Number(config.GetAccelerationEnabled()) + L" " + Number(config.GetAccelerationLevel()));
    const CMouseProfile* current = config.GetCurrentProfile();
    Line(out, L"current", current != nullptr ? current->GetName() : std::wstring());
    for (int32_t i = 0; i < config.GetProfileCount(); ++i) {
        if (CMouseProfile* profile = config.ProfileAt(i))
            ProfileImage(out, config, *profile);
    }
    for (int32_t i = 0; i < config.GetMacroCount(); ++i) {
        const CMacro* macro = config.MacroAt(i);
        if (macro == nullptr)
            continue;
        // A long macro is tens of thousands of events: appended in place,
        // without a string per number.
        std::wstring events;
        events.reserve(macro->Events().size() * 12);
        for (const MacroEvent& e : macro->Events()) {
            // Keys travel by scan code.
            const uint32_t code = e.kind == kMacroEventKey ? (e.code & 0xFFFF) : e.code;
            AppendNumber(events, e.kind);
            events += L':';
            AppendNumber(events, code);
            events += L':';
            AppendNumber(events, e.state);
            events += L' ';
        }
        Line(out, L"macro", std::wstring(macro->Name()) + L" " + events);
    }
    return out;
}

std::wstring FirstDifference(const std::wstring& expected, const std::wstring& found) {
    auto lines = [](const std::wstring& text) {
        std::vector<std::wstring> out;
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find(L'\n', start);
            if (end == std::wstring::npos)
                end = text.size();
            out.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        return out;
    };
    const std::vector<std::wstring> a = lines(expected);
    const std::vector<std::wstring> b = lines(found);
    for (size_t i = 0; i < a.size() || i < b.size(); ++i) {
        if (i >= a.size())
            return L"(none) / " + b[i];
        if (i >= b.size())
            return a[i] + L" / (none)";
        if (a[i] != b[i])
            return a[i] + L" / " + b[i];
    }
    return {};
}

}  // namespace app
