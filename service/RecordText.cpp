#include "RecordText.h"

#include <cstring>
#include <string>

namespace tarnsvc::records {
namespace {

using text::SplitSpaces;

std::string PairText(const devsvc::StagePair& pair) {
    return std::to_string(pair.x) + "x" + std::to_string(pair.y);
}

bool ParsePair(std::string_view value, devsvc::StagePair& out) {
    const size_t x = value.find('x');
    if (x == std::string_view::npos)
        return false;
    int32_t first = 0, second = 0;
    if (!text::ParseSigned(value.substr(0, x), first) || !text::ParseSigned(value.substr(x + 1), second))
        return false;
    out = {first, second};
    return true;
}

std::string ActionText(const devsvc::ActionRecord& record) {
    size_t used = sizeof(record.data);
    while (used > 0 && record.data[used - 1] == 0)
        --used;
    std::string out = std::to_string(record.id) + " " + std::to_string(record.category);
    if (used > 0) {
        out += ' ';
        out += text::HexBytes(record.data, used);
    }
    return out;
}

bool ParseAction(std::string_view value, devsvc::ActionRecord& out) {
    const auto parts = SplitSpaces(value);
    if (parts.size() < 2 || parts.size() > 3)
        return false;
    devsvc::ActionRecord record;
    size_t written = 0;
    if (!text::ParseUnsigned(parts[0], record.id) || !text::ParseUnsigned(parts[1], record.category) ||
        !ValidCategory(record.category))
        return false;
    if (parts.size() == 3 && !text::ParseHexBytes(parts[2], record.data, sizeof(record.data), written))
        return false;
    out = record;
    return true;
}

bool ParseBool(std::string_view value, bool& out) {
    if (value != "0" && value != "1")
        return false;
    out = value == "1";
    return true;
}

bool ParseU16(std::string_view value, uint16_t& out) {
    uint32_t number = 0;
    if (!text::ParseUnsigned(value, number) || number > 0xFFFF)
        return false;
    out = static_cast<uint16_t>(number);
    return true;
}

std::string EventText(const devsvc::EventEntry& event) {
    if (event.type == 3) {
        const uint32_t delay = event.first | (uint32_t(event.second) << 16);
        std::string out = "3 ";
        out += std::to_string(delay);
        return out;
    }
    return std::to_string(event.type) + " " + std::to_string(event.first) + " " +
           std::to_string(event.second);
}

bool ParseEvent(std::string_view value, devsvc::EventEntry& out) {
    const auto parts = SplitSpaces(value);
    uint32_t type = 0;
    if (parts.empty() || !text::ParseUnsigned(parts[0], type))
        return false;
    devsvc::EventEntry event{type, 0, 0};
    if (type == 3) {
        uint32_t delay = 0;
        if (parts.size() != 2 || !text::ParseUnsigned(parts[1], delay))
            return false;
        event.first = static_cast<uint16_t>(delay & 0xFFFF);
        event.second = static_cast<uint16_t>(delay >> 16);
    } else if (type == 1 || type == 2) {
        if (parts.size() != 3 || !ParseU16(parts[1], event.first) || !ParseU16(parts[2], event.second))
            return false;
    } else {
        return false;
    }
    out = event;
    return true;
}

std::string LightKey(ULONG kind) {
    std::string key = "light.";
    key += std::to_string(kind);
    return key;
}

FieldResult Result(bool ok) {
    return ok ? FieldResult::kApplied : FieldResult::kBad;
}

}  // namespace

void WriteProfileFields(text::Writer& writer, const ProfileState& profile) {
    writer.Field("name", text::Escape(profile.name));
    writer.Field("programPath", text::Escape(profile.programPath));
    writer.Field("flags", std::to_string(profile.flags));
    std::string stages;
    for (const devsvc::StagePair& pair : profile.stages) {
        if (!stages.empty())
            stages += ' ';
        stages += PairText(pair);
    }
    writer.Field("stages", stages);
    writer.Field("activeStage", std::to_string(profile.activeStage));
    writer.Field("current", PairText(profile.current));
    for (size_t i = 0; i < kLightKinds.size(); ++i)
        writer.Field(LightKey(kLightKinds[i]), profile.lights[i] ? "1" : "0");
    for (const devsvc::ActionRecord& record : profile.buttons)
        writer.Field("button", ActionText(record));
    for (const devsvc::ActionRecord& record : profile.keys)
        writer.Field("key", ActionText(record));
}

FieldResult ReadProfileField(std::string_view key, std::string_view value, ProfileState& profile,
                             ProfileFieldsSeen& seen) {
    if (key == "name")
        return Result(text::Unescape(value, profile.name) && ValidName(profile.name));
    if (key == "programPath")
        return Result(text::Unescape(value, profile.programPath) &&
                      profile.programPath.size() < kProgramPathChars);
    if (key == "flags") {
        uint32_t flags = 0;
        if (!text::ParseUnsigned(value, flags) || flags > 15)
            return FieldResult::kBad;
        profile.flags = static_cast<uint16_t>(flags);
        return FieldResult::kApplied;
    }
    if (key == "stages") {
        std::vector<devsvc::StagePair> stages;
        for (std::string_view part : SplitSpaces(value)) {
            devsvc::StagePair pair{};
            if (!ParsePair(part, pair))
                return FieldResult::kBad;
            stages.push_back(pair);
        }
        if (!ValidStages(stages.data(), stages.size()))
            return FieldResult::kBad;
        profile.stages = std::move(stages);
        return FieldResult::kApplied;
    }
    if (key == "activeStage")
        return Result(text::ParseUnsigned(value, profile.activeStage));
    if (key == "current")
        return Result(ParsePair(value, profile.current));
    for (size_t i = 0; i < kLightKinds.size(); ++i) {
        if (key == LightKey(kLightKinds[i]))
            return Result(ParseBool(value, profile.lights[i]));
    }
    if (key == "button" || key == "key") {
        devsvc::ActionRecord record;
        if (!ParseAction(value, record))
            return FieldResult::kBad;
        const int slot = key == "button" ? ButtonSlot(record.id) : KeySlot(record.id);
        if (slot < 0)
            return FieldResult::kBad;
        bool& named = key == "button" ? seen.buttons[static_cast<size_t>(slot)] : seen.keys[static_cast<size_t>(slot)];
        if (named)
            return FieldResult::kBad;
        named = true;
        (key == "button" ? profile.buttons[slot] : profile.keys[slot]) = record;
        return FieldResult::kApplied;
    }
    return FieldResult::kUnknown;
}

void WriteMacroFields(text::Writer& writer, const MacroState& macro) {
    writer.Field("name", text::Escape(macro.name));
    for (const devsvc::EventEntry& event : macro.events)
        writer.Field("event", EventText(event));
}

FieldResult ReadMacroField(std::string_view key, std::string_view value, MacroState& macro) {
    if (key == "name")
        return Result(text::Unescape(value, macro.name) && ValidName(macro.name));
    if (key == "event") {
        devsvc::EventEntry event{};
        if (!ParseEvent(value, event) || macro.events.size() >= kMaxMacroEvents)
            return FieldResult::kBad;
        macro.events.push_back(event);
        return FieldResult::kApplied;
    }
    return FieldResult::kUnknown;
}

}  // namespace tarnsvc::records
