#include "StateFile.h"

#include <shlobj.h>

#include <vector>

#include "Environment.h"
#include "RecordText.h"
#include "TextFormat.h"

namespace tarnsvc::statefile {
namespace {

using records::FieldResult;

enum class Section { kTop, kProfile, kMacro, kRange };

struct RangeFields {
    bool colour = false, lower = false, upper = false;
};

bool ParseRevision(std::string_view value, uint64_t& out) {
    if (value.empty() || value.size() > 20 || value[0] == '0')
        return false;  // 1 .. 2^64 - 1, no leading zero
    uint64_t result = 0;
    for (char c : value) {
        const auto digit = static_cast<uint64_t>(c - '0');
        if (c < '0' || c > '9' || result > (UINT64_MAX - digit) / 10)
            return false;
        result = result * 10 + digit;
    }
    out = result;
    return true;
}

bool ReadTopField(std::string_view key, std::string_view value, MouseState& state) {
    if (key == "product")
        return text::ParseUnsigned(value, state.product);
    if (key == "revision")
        return ParseRevision(value, state.revision);
    if (key == "polling")
        return text::ParseUnsigned(value, state.pollingMs);
    if (key == "acceleration")
        return text::ParseUnsigned(value, state.accelerationLevel);
    if (key == "accelerationEnabled") {
        if (value != "0" && value != "1")
            return false;
        state.accelerationEnabled = value == "1";
        return true;
    }
    if (key == "activeProfile") {
        state.activeProfile = GUID{};
        return value.empty() || text::ParseGuid(value, state.activeProfile);
    }
    return false;
}

bool ReadRangeField(std::string_view key, std::string_view value, RangeState& range, RangeFields& seen) {
    if (key == "colour")
        return seen.colour = text::ParseHex32(value, range.colour);
    if (key == "lower")
        return seen.lower = text::ParseSigned(value, range.lower);
    if (key == "upper")
        return seen.upper = text::ParseSigned(value, range.upper);
    return false;
}

}  // namespace

std::string Serialize(const MouseState& state) {
    text::Writer w;
    w.Raw(kHeader);
    w.Raw("# The emulated mouse's memory: edit with care, a damaged file is set aside as .bad.");
    w.Field("product", std::to_string(state.product));
    w.Field("revision", std::to_string(state.revision));
    w.Field("polling", std::to_string(state.pollingMs));
    w.Field("acceleration", std::to_string(state.accelerationLevel));
    w.Field("accelerationEnabled", state.accelerationEnabled ? "1" : "0");
    w.Field("activeProfile",
            IsNullId(state.activeProfile) ? std::string() : text::GuidText(state.activeProfile));
    for (const ProfileState& profile : state.profiles) {
        w.Blank();
        w.Raw("[profile]");
        w.Field("id", text::GuidText(profile.id));
        records::WriteProfileFields(w, profile);
    }
    for (const MacroState& macro : state.macros) {
        w.Blank();
        w.Raw("[macro]");
        w.Field("id", text::GuidText(macro.id));
        records::WriteMacroFields(w, macro);
    }
    for (const RangeState& range : state.ranges) {
        w.Blank();
        w.Raw("[range]");
        w.Field("colour", text::Hex32(range.colour));
        w.Field("lower", std::to_string(range.lower));
        w.Field("upper", std::to_string(range.upper));
    }
    w.Blank();
    w.Raw("end");
    return std::move(w.Text());
}

bool Parse(std::string_view document, MouseState& out) {
    std::string_view header, body;
    text::SplitHeader(document, header, body);
    std::vector<text::Line> lines;
    if (header != kHeader || !text::SplitLines(body, lines))
        return false;

    MouseState state;
    Section section = Section::kTop;
    RangeFields rangeSeen;
    records::ProfileFieldsSeen profileSeen;
    bool productSeen = false;
    bool ended = false;
    // A range names all three of its fields.
    auto rangeComplete = [&] {
        return section != Section::kRange || (rangeSeen.colour && rangeSeen.lower && rangeSeen.upper);
    };
    for (const text::Line& line : lines) {
        if (ended)
            return false;  // nothing may follow the end line
        if (line.kind == text::Line::kWord) {
            if (line.key != "end" || !rangeComplete())
                return false;
            ended = true;
            continue;
        }
        if (line.kind == text::Line::kSection) {
            if (!rangeComplete())
                return false;
            if (line.key == "profile") {
                section = Section::kProfile;
                state.profiles.push_back(FactoryProfile(L""));
                profileSeen = {};
            } else if (line.key == "macro") {
                section = Section::kMacro;
                state.macros.emplace_back();
            } else if (line.key == "range") {
                section = Section::kRange;
                state.ranges.emplace_back();
                rangeSeen = {};
            } else {
                return false;
            }
            continue;
        }
        switch (section) {
            case Section::kTop:
                if (!ReadTopField(line.key, line.value, state))
                    return false;
                productSeen = productSeen || line.key == "product";
                break;
            case Section::kProfile:
                if (line.key == "id") {
                    if (!text::ParseGuid(line.value, state.profiles.back().id))
                        return false;
                } else if (records::ReadProfileField(line.key, line.value, state.profiles.back(), profileSeen) !=
                           FieldResult::kApplied) {
                    return false;
                }
                break;
            case Section::kMacro:
                if (line.key == "id") {
                    if (!text::ParseGuid(line.value, state.macros.back().id))
                        return false;
                } else if (records::ReadMacroField(line.key, line.value, state.macros.back()) !=
                           FieldResult::kApplied) {
                    return false;
                }
                break;
            case Section::kRange:
                if (!ReadRangeField(line.key, line.value, state.ranges.back(), rangeSeen))
                    return false;
                break;
        }
        // Keep a hostile file from growing the state without bound.
        if (state.profiles.size() > kMaxProfiles || state.macros.size() > kMaxMacros ||
            state.ranges.size() > kMaxColourRanges)
            return false;
    }
    if (!ended || !productSeen || !ValidState(state))
        return false;
    out = std::move(state);
    return true;
}

LoadOutcome Load(const std::wstring& path, uint32_t product, MouseState& out, files::FileStamp& stamp) {
    std::string document;
    DWORD error = 0;
    files::FileStamp found;
    switch (files::ReadWhole(path, kSizeLimit, document, error, &found)) {
        case files::ReadResult::kMissing:
            return LoadOutcome::kMissing;
        case files::ReadResult::kFailed:
            return LoadOutcome::kUnreadable;
        case files::ReadResult::kTooLarge:
            return LoadOutcome::kDamaged;
        case files::ReadResult::kRead:
            break;
    }
    MouseState state;
    if (!Parse(document, state) || state.product != product)
        return LoadOutcome::kDamaged;
    out = std::move(state);
    stamp = found;
    return LoadOutcome::kLoaded;
}

bool SetAside(const std::wstring& path) {
    const std::wstring aside = path + L".bad";
    return ::MoveFileExW(path.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool Save(const std::wstring& path, const MouseState& state, const files::WriteOptions& options) {
    return files::WriteAtomically(path, Serialize(state), options);
}

std::wstring BasePath() {
    std::wstring path = EnvironmentValue(L"TARN_DEVICE_STATE");
    if (!path.empty())
        return path;
    std::wstring folder = EnvironmentValue(L"LOCALAPPDATA");
    wchar_t buffer[MAX_PATH * 2];
    if (folder.empty() &&
        SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, buffer)))
        folder = buffer;
    if (folder.empty()) {
        const DWORD length = ::GetTempPathW(static_cast<DWORD>(std::size(buffer)), buffer);
        folder.assign(buffer, length < std::size(buffer) ? length : 0);
    }
    if (!folder.empty() && folder.back() != L'\\')
        folder += L'\\';
    return folder + L"Korvo\\Tarn\\mouse-state.txt";
}

}  // namespace tarnsvc::statefile
