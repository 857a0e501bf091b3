#include "device/Backup.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <cstdio>
#include <cwchar>
#include <string_view>
#include <utility>

#include "device/Collections.h"
#include "device/Records.h"
#include "win/Handles.h"

using devlink::CountItems;
using devlink::ForEachItem;
using devlink::GetFeature;
using win::ComPtr;

namespace backup {
namespace {

constexpr std::string_view kHeader = "TarnBackup 1";
// An index larger than this is not one of ours.
constexpr uint64_t kIndexLimit = 1u << 20;
// The service's own limit for an export file.
constexpr uint64_t kFileLimit = 16u << 20;
constexpr size_t kMacroLimit = 200;

// ---- text and checksums --------------------------------------------------------

uint32_t Crc32(std::string_view bytes) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char b : bytes)
        crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

std::string Hex32(uint32_t value) {
    char text[9];
    snprintf(text, sizeof(text), "%08X", value);
    return text;
}

bool ParseUnsigned(std::string_view text, uint64_t& out, int base = 10) {
    if (text.empty() || text.size() > 20)
        return false;
    uint64_t value = 0;
    for (char c : text) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0 || digit >= base)
            return false;
        if (value > (UINT64_MAX - static_cast<uint64_t>(digit)) / static_cast<uint64_t>(base))
            return false;
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
    out = value;
    return true;
}

bool ParseU32(std::string_view text, uint32_t& out, int base = 10) {
    uint64_t value = 0;
    if (!ParseUnsigned(text, value, base) || value > UINT32_MAX)
        return false;
    out = static_cast<uint32_t>(value);
    return true;
}

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text)
        out += (c > 0 && c < 0x80) ? static_cast<char>(c) : '?';
    return out;
}

std::wstring Widen(std::string_view text) {
    return std::wstring(text.begin(), text.end());
}

std::string GuidText(const GUID& id) {
    wchar_t text[40] = {};
    StringFromGUID2(id, text, 40);
    return Narrow(text);
}

bool ParseGuid(std::string_view text, GUID& out) {
    if (text.size() != 38)
        return false;
    std::wstring wide = Widen(text);
    return SUCCEEDED(IIDFromString(wide.c_str(), &out));
}

std::vector<std::string_view> SplitSpaces(std::string_view text) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = std::min(text.find(' ', start), text.size());
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// ---- files -----------------------------------------------------------------------

std::wstring Join(const std::wstring& dir, const std::wstring& name) {
    if (dir.empty() || dir.back() == L'\\' || dir.back() == L'/')
        return dir + name;
    return dir + L"\\" + name;
}

std::wstring WithoutTrailingSlash(std::wstring path) {
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/'))
        path.pop_back();
    return path;
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The names in a folder (one level), without "." and "..".
std::vector<std::pair<std::wstring, bool>> List(const std::wstring& dir) {
    std::vector<std::pair<std::wstring, bool>> names;
    WIN32_FIND_DATAW found = {};
    win::UniqueFind search(FindFirstFileW(Join(dir, L"*").c_str(), &found));
    if (!search)
        return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            names.emplace_back(name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (FindNextFileW(search.get(), &found));
    return names;
}

// Removes a folder of files; a folder with folders inside is left.
bool RemoveFlatFolder(const std::wstring& dir) {
    for (const auto& [name, folder] : List(dir)) {
        if (!folder)
            DeleteFileW(Join(dir, name).c_str());
    }
    return RemoveDirectoryW(dir.c_str()) != FALSE;
}

// Makes the folder and any missing folder above it.
bool MakeFolders(const std::wstring& path) {
    if (path.empty() || IsFolder(path))
        return !path.empty();
    const size_t slash = path.find_last_of(L"\\/");
    if (slash != std::wstring::npos && slash > 0 && path[slash - 1] != L':' && slash > 2)
        MakeFolders(path.substr(0, slash));
    return CreateDirectoryW(path.c_str(), nullptr) != FALSE || IsFolder(path);
}

enum class ReadResult { kRead, kMissing, kTooLarge, kFailed };

ReadResult ReadWhole(const std::wstring& path, uint64_t limit, std::string& out) {
    win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? ReadResult::kMissing
                                                                                : ReadResult::kFailed;
    }
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0)
        return ReadResult::kFailed;
    if (static_cast<uint64_t>(size.QuadPart) > limit)
        return ReadResult::kTooLarge;
    out.assign(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!out.empty() && (!ReadFile(file.get(), out.data(), static_cast<DWORD>(out.size()), &got, nullptr) ||
                         got != out.size()))
        return ReadResult::kFailed;
    return ReadResult::kRead;
}

bool WriteWhole(const std::wstring& path, std::string_view bytes) {
    win::UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size() && FlushFileBuffers(file.get());
}

std::wstring TempFolderName(const std::wstring& near, const wchar_t* tag) {
    wchar_t suffix[64];
    swprintf(suffix, 64, L".%ls-%lu-%lu", tag, GetCurrentProcessId(), GetTickCount());
    return near + suffix;
}

// ---- the index ---------------------------------------------------------------------

std::string IndexText(const Index& index) {
    std::string text(kHeader);
    text += "\r\n";
    auto field = [&](const char* key, const std::string& value) {
        text += key;
        text += '=';
        text += value;
        text += "\r\n";
    };
    field("product", std::to_string(index.product));
    field("polling", std::to_string(index.pollingMs));
    field("acceleration", std::to_string(index.accelerationLevel));
    field("accelerationEnabled", index.accelerationEnabled ? "1" : "0");
    field("activeProfile", std::to_string(index.activeProfile));
    auto entry = [&](const char* key, const Entry& e) {
        field(key, Narrow(e.file) + " " + GuidText(e.id) + " " + std::to_string(e.size) + " " + Hex32(e.crc));
    };
    for (const Entry& e : index.profiles)
        entry("profile", e);
    for (const Entry& e : index.macros)
        entry("macro", e);
    for (const devsvc::ColourRange& r : index.ranges)
        field("range", Hex32(r.colour) + " " + std::to_string(r.lower) + " " + std::to_string(r.upper));
    text += "crc32=" + Hex32(Crc32(text)) + "\r\n";
    return text;
}

// A name the backup itself gave: letters, digits, '-', '_' and one '.'.
bool PlainName(std::string_view name) {
    if (name.empty() || name.size() > 64 || name.front() == '.')
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
               c == '_' || c == '.';
    });
}

bool ParseEntry(std::string_view value, Entry& out) {
    const auto parts = SplitSpaces(value);
    if (parts.size() != 4 || !PlainName(parts[0]) || !ParseGuid(parts[1], out.id) ||
        !ParseUnsigned(parts[2], out.size) || parts[3].size() != 8 || !ParseU32(parts[3], out.crc, 16))
        return false;
    out.file = Widen(parts[0]);
    return true;
}

bool ParseRange(std::string_view value, devsvc::ColourRange& out) {
    const auto parts = SplitSpaces(value);
    uint32_t lower = 0, upper = 0;
    if (parts.size() != 3 || parts[0].size() != 8 || !ParseU32(parts[0], out.colour, 16) ||
        !ParseU32(parts[1], lower) || !ParseU32(parts[2], upper) || lower > INT32_MAX || upper > INT32_MAX)
        return false;
    out.lower = static_cast<int32_t>(lower);
    out.upper = static_cast<int32_t>(upper);
    return true;
}

// The index's fields, or the line that is wrong.
bool ParseIndex(std::string_view text, Index& index, std::string& problem) {
    // The checksum line closes the index; only a line end may follow it.
    std::string_view body = text;
    while (!body.empty() && (body.back() == '\n' || body.back() == '\r'))
        body.remove_suffix(1);
    const size_t last = body.rfind('\n');
    if (last == std::string_view::npos) {
        problem = "it is cut short";
        return false;
    }
    const std::string_view seal = body.substr(last + 1);
    uint32_t expected = 0;
    if (seal.substr(0, 6) != "crc32=" || seal.size() != 14 || !ParseU32(seal.substr(6), expected, 16)) {
        problem = "its checksum line is missing (cut short?)";
        return false;
    }
    const std::string_view sealed = text.substr(0, last + 1);
    if (Crc32(sealed) != expected) {
        problem = "its checksum does not match";
        return false;
    }
    bool seen[5] = {};
    size_t start = 0;
    bool first = true;
    while (start < sealed.size()) {
        size_t end = sealed.find('\n', start);
        if (end == std::string_view::npos)
            end = sealed.size();
        std::string_view line = sealed.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (first) {
            first = false;
            if (line != kHeader) {
                problem = "it is not a backup index of a version this program knows";
                return false;
            }
            continue;
        }
        const size_t equals = line.find('=');
        const std::string_view key = line.substr(0, equals);
        const std::string_view value = equals == std::string_view::npos ? std::string_view() : line.substr(equals + 1);
        bool ok = equals != std::string_view::npos;
        if (ok && key == "product") {
            ok = ParseU32(value, index.product) && !std::exchange(seen[0], true);
        } else if (ok && key == "polling") {
            ok = ParseU32(value, index.pollingMs) && !std::exchange(seen[1], true);
        } else if (ok && key == "acceleration") {
            ok = ParseU32(value, index.accelerationLevel) && !std::exchange(seen[2], true);
        } else if (ok && key == "accelerationEnabled") {
            ok = (value == "0" || value == "1") && !std::exchange(seen[3], true);
            index.accelerationEnabled = value == "1";
        } else if (ok && key == "activeProfile") {
            ok = ParseU32(value, index.activeProfile) && !std::exchange(seen[4], true);
        } else if (ok && key == "profile") {
            Entry e;
            ok = ParseEntry(value, e);
            index.profiles.push_back(e);
        } else if (ok && key == "macro") {
            Entry e;
            ok = ParseEntry(value, e);
            index.macros.push_back(e);
        } else if (ok && key == "range") {
            devsvc::ColourRange r{};
            ok = ParseRange(value, r);
            index.ranges.push_back(r);
        } else {
            ok = false;
        }
        if (!ok) {
            problem = "its line \"" + std::string(line.substr(0, 80)) + "\" is wrong";
            return false;
        }
    }
    if (!std::all_of(std::begin(seen), std::end(seen), [](bool b) { return b; })) {
        problem = "a device-wide setting is missing";
        return false;
    }
    if (index.profiles.size() > static_cast<size_t>(records::kMaxProfiles) || index.macros.size() > kMacroLimit ||
        index.activeProfile > index.profiles.size() || (index.activeProfile == 0 && !index.profiles.empty())) {
        problem = "it lists more than a mouse holds, or no running profile";
        return false;
    }
    return true;
}

// ---- reading the mouse ---------------------------------------------------------------

// Exports one item into the folder and records its size and checksum.
template <typename Item>
bool ExportItem(Item* item, const std::wstring& folder, const std::wstring& name, Entry& entry,
                std::wstring& message) {
    entry.file = name;
    const std::wstring path = Join(folder, name);
    if (FAILED(item->Id(&entry.id)) || FAILED(item->Export(path.c_str()))) {
        message = L"the mouse could not export " + name;
        return false;
    }
    std::string bytes;
    if (ReadWhole(path, kFileLimit, bytes) != ReadResult::kRead) {
        message = L"the exported file " + name + L" could not be read back";
        return false;
    }
    entry.size = bytes.size();
    entry.crc = Crc32(bytes);
    return true;
}

// The device-wide features a backup reads and a restore writes.
struct MouseFeatures {
    ComPtr<devsvc::IDeviceProfiles> profiles;
    ComPtr<devsvc::IMacros> macros;
    ComPtr<devsvc::IPolling> polling;
    ComPtr<devsvc::IAcceleration> acceleration;

    bool Get(devsvc::IDevice* device) {
        return GetFeature(device, devsvc::kIidProfiles, profiles) && GetFeature(device, devsvc::kIidMacros, macros) &&
               GetFeature(device, devsvc::kIidPolling, polling) &&
               GetFeature(device, devsvc::kIidAcceleration, acceleration);
    }
};

bool ReadMouseInto(devsvc::IDevice* device, uint32_t product, const std::wstring& folder, Index& index,
                   std::wstring& message) {
    index.product = product;
    MouseFeatures features;
    if (!features.Get(device)) {
        message = L"the mouse did not answer";
        return false;
    }
    auto& [profiles, macros, polling, acceleration] = features;
    GUID activeId = {};
    {
        ComPtr<devsvc::IDeviceProfile> active;
        if (FAILED(profiles->Active(active.put())) || !active || FAILED(active->Id(&activeId)))
            activeId = GUID{};
    }
    bool ok = true;
    const ULONG profileCount =
        ForEachItem<devsvc::IDeviceProfile>(profiles.get(), [&](devsvc::IDeviceProfile* item, ULONG i) {
            Entry entry;
            ok = ExportItem(item, folder, L"profile-" + std::to_wstring(i + 1) + L".vxp", entry, message);
            if (ok) {
                index.profiles.push_back(entry);
                if (!devlink::IsNull(activeId) && entry.id == activeId)
                    index.activeProfile = i + 1;
            }
            return ok;
        });
    if (ok) {
        ForEachItem<devsvc::IMacroItem>(macros.get(), [&](devsvc::IMacroItem* item, ULONG i) {
            wchar_t name[32];
            swprintf(name, 32, L"macro-%03lu.vxm", i + 1);
            Entry entry;
            ok = ExportItem(item, folder, name, entry, message);
            if (ok)
                index.macros.push_back(entry);
            return ok;
        });
    }
    if (!ok)
        return false;
    // A walk that ended early would leave profiles or macros out.
    if (CountItems<devsvc::IDeviceProfile>(profiles.get()) != profileCount ||
        CountItems<devsvc::IMacroItem>(macros.get()) != index.macros.size() ||
        (profileCount > 0 && index.activeProfile == 0)) {
        message = L"the mouse's profiles or macros could not be read whole";
        return false;
    }
    ULONG interval = 0, level = 0;
    BOOL enabled = FALSE;
    if (FAILED(polling->Interval(&interval)) || FAILED(acceleration->Level(&level)) ||
        FAILED(acceleration->Enabled(&enabled))) {
        message = L"the mouse's polling rate or acceleration could not be read";
        return false;
    }
    index.pollingMs = interval;
    index.accelerationLevel = level;
    index.accelerationEnabled = enabled != FALSE;
    if (product == records::kProductWithColourRanges) {
        ComPtr<devsvc::IColourRanges> ranges;
        if (!GetFeature(device, devsvc::kIidColourRanges, ranges)) {
            message = L"the mouse's colour ranges could not be read";
            return false;
        }
        const ULONG walked = ForEachItem<devsvc::IColourRange>(ranges.get(), [&](devsvc::IColourRange* item, ULONG) {
            ComPtr<devsvc::IColourRangeColour> colour;
            LONG lower = 0, upper = 0;
            ULONG value = 0;
            if (FAILED(item->Bounds(&lower, &upper)) ||
                FAILED(item->QueryInterface(devsvc::kIidColourRangeColour, colour.put_void())) || !colour ||
                FAILED(colour->Colour(&value)))
                return ok = false;
            index.ranges.push_back({value, lower, upper});
            return true;
        });
        if (!ok || CountItems<devsvc::IColourRange>(ranges.get()) != walked) {
            message = L"the mouse's colour ranges could not be read";
            return false;
        }
    }
    return true;
}

// ---- writing the mouse ---------------------------------------------------------------

using IdMap = std::map<std::array<uint8_t, 16>, GUID>;

std::array<uint8_t, 16> Key(const GUID& id) {
    std::array<uint8_t, 16> key{};
    memcpy(key.data(), &id, 16);
    return key;
}

// Points the records' macro and profile identities at the ones the mouse
// gave the restored items; records of anything else stay as they are.
template <typename Table>
bool Remap(Table* table, const IdMap& macros, const IdMap& profiles) {
    ULONG count = devlink::kRecordLimit;
    auto block = devlink::TaskArray<devsvc::ActionRecord>(count);
    if (!block || FAILED(table->Actions(&count, block.get())))
        return false;
    count = std::min<ULONG>(count, devlink::kRecordLimit);
    for (ULONG i = 0; i < count; ++i) {
        devsvc::ActionRecord record = block.get()[i];
        uint8_t* target = nullptr;
        const IdMap* map = nullptr;
        uint32_t subCode = 0;
        memcpy(&subCode, record.data, sizeof(subCode));
        if (record.category == devsvc::kCategoryMacro) {
            target = record.data + (devsvc::kActionMacroId - offsetof(devsvc::ActionRecord, data));
            map = &macros;
        } else if (record.category == devsvc::kCategoryProfile && subCode == 3) {
            target = record.data + (devsvc::kActionProfileId - offsetof(devsvc::ActionRecord, data));
            map = &profiles;
        }
        if (!target)
            continue;
        GUID old;
        memcpy(&old, target, sizeof(old));
        const auto found = map->find(Key(old));
        if (found == map->end() || found->second == old)
            continue;
        memcpy(target, &found->second, sizeof(GUID));
        auto one = devlink::TaskCopy(&record, 1);
        if (!one || FAILED(table->SetActions(1, one.get())))
            return false;
    }
    return true;
}

// Puts a checked backup on the mouse in place of what it holds.
bool Apply(devsvc::IDevice* device, uint32_t product, const std::wstring& dir, const Index& index,
           std::wstring& message) {
    MouseFeatures features;
    if (!features.Get(device)) {
        message = L"the mouse did not answer";
        return false;
    }
    auto& [profiles, macros, polling, acceleration] = features;
    // Everything goes first: the mouse's limits count what it holds.
    if (!devlink::RemoveAllItems<devsvc::IMacroItem>(macros.get()) ||
        !devlink::RemoveAllItems<devsvc::IDeviceProfile>(profiles.get())) {
        message = L"the mouse refused to remove its profiles and macros";
        return false;
    }
    IdMap macroIds, profileIds;
    for (const Entry& entry : index.macros) {
        ComPtr<devsvc::IMacroItem> item;
        GUID id = {};
        if (FAILED(macros->Import(Join(dir, entry.file).c_str(), item.put())) || !item || FAILED(item->Id(&id))) {
            message = L"the mouse refused " + entry.file;
            return false;
        }
        macroIds[Key(entry.id)] = id;
    }
    std::vector<ComPtr<devsvc::IDeviceProfile>> restored;
    for (const Entry& entry : index.profiles) {
        ComPtr<devsvc::IDeviceProfile> item;
        GUID id = {};
        if (FAILED(profiles->Import(Join(dir, entry.file).c_str(), item.put())) || !item || FAILED(item->Id(&id))) {
            message = L"the mouse refused " + entry.file;
            return false;
        }
        profileIds[Key(entry.id)] = id;
        restored.push_back(std::move(item));
    }
    for (size_t i = 0; i < restored.size(); ++i) {
        ComPtr<devsvc::IDeviceButtons> buttons;
        ComPtr<devsvc::IDeviceKeys> keys;
        if (!GetFeature(restored[i].get(), devsvc::kIidButtons, buttons) ||
            !GetFeature(restored[i].get(), devsvc::kIidKeys, keys) ||
            !Remap(buttons.get(), macroIds, profileIds) || !Remap(keys.get(), macroIds, profileIds)) {
            message = L"the mouse refused the assignments of " + index.profiles[i].file;
            return false;
        }
    }
    if (index.activeProfile > 0 && FAILED(profiles->SetActive(restored[index.activeProfile - 1].get()))) {
        message = L"the mouse refused the running profile";
        return false;
    }
    if (FAILED(polling->SetInterval(index.pollingMs)) || FAILED(acceleration->SetLevel(index.accelerationLevel)) ||
        FAILED(index.accelerationEnabled ? acceleration->Enable() : acceleration->Disable())) {
        message = L"the mouse refused the polling rate or acceleration";
        return false;
    }
    if (product == records::kProductWithColourRanges) {
        ComPtr<devsvc::IColourRanges> ranges;
        bool ok = GetFeature(device, devsvc::kIidColourRanges, ranges) &&
                  devlink::RemoveAllItems<devsvc::IColourRange>(ranges.get());
        for (size_t i = 0; ok && i < index.ranges.size(); ++i) {
            const devsvc::ColourRange& range = index.ranges[i];
            ComPtr<devsvc::IColourRange> item;
            ComPtr<devsvc::IColourRangeColour> colour;
            ok = SUCCEEDED(ranges->Add(item.put())) && item && SUCCEEDED(item->SetBounds(range.lower, range.upper)) &&
                 item.As(devsvc::kIidColourRangeColour, colour) && SUCCEEDED(colour->SetColour(range.colour));
        }
        if (!ok) {
            message = L"the mouse refused the colour ranges";
            return false;
        }
    }
    if (CountItems<devsvc::IDeviceProfile>(profiles.get()) != index.profiles.size() ||
        CountItems<devsvc::IMacroItem>(macros.get()) != index.macros.size()) {
        message = L"the mouse does not hold what was restored";
        return false;
    }
    return true;
}

}  // namespace

// ---- public ------------------------------------------------------------------------------

Result Save(devsvc::IDevice* device, uint32_t product, const std::wstring& dirIn) {
    Result result;
    const std::wstring dir = WithoutTrailingSlash(dirIn);
    if (!device || dir.empty()) {
        result.message = L"no mouse to back up";
        return result;
    }
    const bool existed = Exists(dir);
    if (existed && (!IsFolder(dir) || !List(dir).empty())) {
        result.message = L"the backup folder " + dir + L" already exists and is not empty";
        return result;
    }
    const size_t slash = dir.find_last_of(L"\\/");
    if (slash != std::wstring::npos && slash > 0 && !MakeFolders(dir.substr(0, slash))) {
        result.message = L"the folder " + dir.substr(0, slash) + L" cannot be made";
        return result;
    }
    const std::wstring scratch = TempFolderName(dir, L"partial");
    if (!CreateDirectoryW(scratch.c_str(), nullptr)) {
        result.message = L"the folder " + dir + L" cannot be written";
        return result;
    }
    Index index;
    bool ok = ReadMouseInto(device, product, scratch, index, result.message);
    if (ok && !WriteWhole(Join(scratch, kIndexFile), IndexText(index))) {
        result.message = L"the backup index could not be written (is the disk full?)";
        ok = false;
    }
    if (ok && existed && !RemoveDirectoryW(dir.c_str()))
        ok = false;
    if (ok && !MoveFileExW(scratch.c_str(), dir.c_str(), 0)) {
        result.message = L"the backup could not take the name " + dir;
        ok = false;
    }
    if (!ok) {
        RemoveFlatFolder(scratch);
        if (existed)
            CreateDirectoryW(dir.c_str(), nullptr);
        if (result.message.empty())
            result.message = L"the folder " + dir + L" cannot be written";
        return result;
    }
    result.ok = true;
    result.folder = dir;
    return result;
}

Result SaveDated(devsvc::IDevice* device, uint32_t product, const std::wstring& rootIn, size_t keep) {
    const std::wstring root = WithoutTrailingSlash(rootIn);
    if (!MakeFolders(root)) {
        Result result;
        result.message = L"the folder " + root + L" cannot be made";
        return result;
    }
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    wchar_t stamp[32];
    swprintf(stamp, 32, L"%04u-%02u-%02u_%02u%02u%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
             now.wSecond);
    // Two backups within a second: the second takes a counter.
    std::wstring name = stamp;
    for (int n = 2; Exists(Join(root, name)) && n < 100; ++n)
        name = std::wstring(stamp) + L"-" + std::to_wstring(n);
    Result result = Save(device, product, Join(root, name));
    if (result.ok)
        Prune(root, keep);
    return result;
}

Result Check(const std::wstring& dirIn, Index& index) {
    Result result;
    index = Index{};
    const std::wstring dir = WithoutTrailingSlash(dirIn);
    if (!IsFolder(dir)) {
        result.message = L"there is no backup folder " + dir;
        return result;
    }
    std::string text;
    switch (ReadWhole(Join(dir, kIndexFile), kIndexLimit, text)) {
        case ReadResult::kRead:
            break;
        case ReadResult::kMissing:
            result.message = L"the backup index " + std::wstring(kIndexFile) + L" is missing in " + dir;
            return result;
        default:
            result.message = L"the backup index " + std::wstring(kIndexFile) + L" cannot be read";
            return result;
    }
    std::string problem;
    if (!ParseIndex(text, index, problem)) {
        result.message = L"the backup index " + std::wstring(kIndexFile) + L" is damaged: " + Widen(problem);
        return result;
    }
    std::vector<std::wstring> seen;
    for (const std::vector<Entry>* list : {&index.profiles, &index.macros}) {
        for (const Entry& entry : *list) {
            if (std::find(seen.begin(), seen.end(), entry.file) != seen.end()) {
                result.message = L"the backup index lists " + entry.file + L" twice";
                return result;
            }
            seen.push_back(entry.file);
            std::string bytes;
            switch (ReadWhole(Join(dir, entry.file), kFileLimit, bytes)) {
                case ReadResult::kRead:
                    break;
                case ReadResult::kMissing:
                    result.message = L"the backup file " + entry.file + L" is missing";
                    return result;
                default:
                    result.message = L"the backup file " + entry.file + L" cannot be read";
                    return result;
            }
            if (bytes.size() != entry.size || Crc32(bytes) != entry.crc) {
                result.message = L"the backup file " + entry.file + L" is damaged (it is not what the backup wrote)";
                return result;
            }
        }
    }
    result.ok = true;
    result.folder = dir;
    return result;
}

Result Restore(devsvc::IDevice* device, uint32_t product, const std::wstring& dirIn) {
    const std::wstring dir = WithoutTrailingSlash(dirIn);
    Index index;
    Result result = Check(dir, index);
    if (!result.ok) {
        result.message += L"; nothing was changed";
        return result;
    }
    result.ok = false;
    if (!device) {
        result.message = L"no mouse to restore to";
        return result;
    }
    if (index.product != product) {
        result.message = L"the backup is of another mouse (product " + std::to_wstring(index.product) +
                         L"); nothing was changed";
        return result;
    }
    // What the mouse holds now, to put back should it refuse part way.
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring before = TempFolderName(Join(temp, L"tarn-before-restore"), L"now");
    const Result saved = Save(device, product, before);
    if (!saved.ok) {
        result.message = L"the mouse's present contents could not be saved first (" + saved.message +
                         L"); nothing was changed";
        return result;
    }
    std::wstring problem;
    if (Apply(device, product, dir, index, problem)) {
        RemoveFlatFolder(before);
        result.ok = true;
        result.folder = dir;
        return result;
    }
    Index previous;
    std::wstring ignored;
    if (Check(before, previous).ok && Apply(device, product, before, previous, ignored)) {
        RemoveFlatFolder(before);
        result.message = L"restoring failed: " + problem + L"; the mouse was put back as it was";
    } else {
        result.message = L"restoring failed: " + problem + L"; the mouse's former contents are kept in " + before;
    }
    return result;
}

bool IsDatedName(const std::wstring& name) {
    // YYYY-MM-DD_HHMMSS, perhaps followed by -N
    static const wchar_t kPattern[] = L"dddd-dd-dd_dddddd";
    const size_t base = wcslen(kPattern);
    if (name.size() < base)
        return false;
    for (size_t i = 0; i < base; ++i) {
        const bool digit = name[i] >= L'0' && name[i] <= L'9';
        if (kPattern[i] == L'd' ? !digit : name[i] != kPattern[i])
            return false;
    }
    if (name.size() == base)
        return true;
    if (name[base] != L'-' || name.size() == base + 1 || name.size() > base + 3)
        return false;
    return std::all_of(name.begin() + static_cast<ptrdiff_t>(base) + 1, name.end(),
                       [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

std::vector<std::wstring> DatedFolders(const std::wstring& root) {
    std::vector<std::wstring> names;
    for (const auto& [name, folder] : List(WithoutTrailingSlash(root))) {
        if (folder && IsDatedName(name))
            names.push_back(name);
    }
    // "…_HHMMSS-10" after "…_HHMMSS-9": by the counter's length first.
    std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
        const std::wstring stampA = a.substr(0, 17), stampB = b.substr(0, 17);
        if (stampA != stampB)
            return stampA < stampB;
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    return names;
}

void Prune(const std::wstring& rootIn, size_t keep) {
    const std::wstring root = WithoutTrailingSlash(rootIn);
    std::vector<std::wstring> names = DatedFolders(root);
    for (size_t i = 0; i + keep < names.size(); ++i)
        RemoveFlatFolder(Join(root, names[i]));
}

}  // namespace backup
