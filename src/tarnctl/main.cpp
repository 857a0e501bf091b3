// tarnctl: the configurator's command-line companion. It reads and writes the
// mouse through the same configuration model and device link as the program.
//
//   tarnctl info                       devices, versions, polling rates, profiles
//   tarnctl dump                       the whole configuration as JSON
//   tarnctl export-profile NAME FILE   tarnctl import-profile FILE
//   tarnctl export-macro NAME FILE     tarnctl import-macro FILE
//   tarnctl backup DIR                 tarnctl restore DIR
//   tarnctl profile list               the profiles, the active one marked
//   tarnctl profile activate NAME|NUMBER
//   tarnctl press stage-up|stage-down|stage-cycle|profile-next|profile-previous
//                                      the emulated mouse's own buttons
//
// Exit codes: 0 done, 1 usage, 2 no mouse, 3 no such profile, macro or
// backup folder, 4 refused (a damaged or foreign file, a limit, a folder
// that cannot be written).
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "device/DeviceService.h"
#include "device/Mouse.h"
#include "device/MouseGlance.h"
#include "model/VellConfig.h"
#include "skin/NameTables.h"
#include "tarnctl/Json.h"
#include "win/Handles.h"

namespace {

enum ExitCode { kOk = 0, kUsage = 1, kNoMouse = 2, kNotFound = 3, kRefused = 4 };

constexpr uint16_t kProduct = 21;

void Error(const wchar_t* format, const std::wstring& detail = {}) {
    std::string text = ToUtf8(L"tarnctl: " + std::wstring(format) + detail + L"\n");
    fwrite(text.data(), 1, text.size(), stderr);
}

void Print(const std::string& utf8) {
    fwrite(utf8.data(), 1, utf8.size(), stdout);
    fflush(stdout);
}

std::wstring GuidText(const GUID& id) {
    wchar_t text[40] = {};
    StringFromGUID2(id, text, 40);
    return text;
}

bool IsNullGuid(const GUID& id) {
    static const GUID zero = {};
    return IsEqualGUID(id, zero) != FALSE;
}

std::wstring FullPath(const wchar_t* path) {
    wchar_t buffer[MAX_PATH] = {};
    DWORD n = GetFullPathNameW(path, MAX_PATH, buffer, nullptr);
    return (n > 0 && n < MAX_PATH) ? std::wstring(buffer) : std::wstring(path);
}

// The device link and a configuration filled from the mouse.
struct Session {
    CVellConfig config;
    CMouse mouse;
    bool connected = false;

    bool Open(bool readAll) {
        uint16_t product = kProduct;
        connected = mouse.Initialize(&config, &product);
        config.AttachDevice(&mouse);
        if (!connected)
            return false;
        if (readAll && !mouse.Synchronize(&config, SyncDirection::Read, kSectionsAll))
            return false;
        if (!config.GetCurrentProfile() && config.GetProfileCount() > 0)
            config.SetCurrentProfile(config.ProfileAt(0));
        return true;
    }
};

int NoMouse() {
    Error(L"no mouse found (is the device service registered and the mouse connected?)");
    return kNoMouse;
}

// ---- info ------------------------------------------------------------------

template <typename T>
void ReleaseIf(T*& p) {
    if (p) {
        p->Release();
        p = nullptr;
    }
}

int Info() {
    // Every device the service lists, whatever its product.
    devsvc::IDeviceEnumerator* enumerator = nullptr;
    HRESULT hr = CoCreateInstance(devsvc::kClassId, nullptr, devsvc::kClassContext, devsvc::kIidEnumerator,
                                  reinterpret_cast<void**>(&enumerator));
    if (FAILED(hr)) {
        Error(L"the device service is not available");
        return kNoMouse;
    }
    std::vector<devsvc::InfoRecord> devices;
    for (ULONG index = 0;; ++index) {
        devsvc::IDevice* device = nullptr;
        if (FAILED(enumerator->Device(index, &device)) || !device)
            break;
        devsvc::InfoRecord info = {};
        if (SUCCEEDED(device->Info(&info))) {
            CoTaskMemFree(info.text);
            info.text = nullptr;
            devices.push_back(info);
        }
        ReleaseIf(device);
    }
    ReleaseIf(enumerator);

    std::wstring out = L"devices found: " + std::to_wstring(devices.size()) + L"\n";
    for (size_t i = 0; i < devices.size(); ++i) {
        wchar_t line[160];
        swprintf(line, 160, L"  device %zu: product %u, driver %u.%02u, firmware %u.%02u\n", i,
                 devices[i].productId, devices[i].driverMajor, devices[i].driverMinor,
                 devices[i].firmwareMajor, devices[i].firmwareMinor);
        out += line;
    }
    Session session;
    if (!session.Open(false)) {
        Print(ToUtf8(out));
        return NoMouse();
    }
    std::wstring firmware, driver;
    session.mouse.GetFirmwareVersion(firmware);
    session.mouse.GetDriverVersion(driver);
    out += L"product: " + std::to_wstring(session.mouse.GetProductId()) + L"\n";
    out += L"firmware version: " + firmware + L"\n";
    out += L"driver version: " + driver + L"\n";
    out += L"polling rates:";
    for (int i = 0; i < session.mouse.GetPollingRateCount(); ++i) {
        int ms = session.mouse.GetPollingRate(i);
        out += L" " + std::to_wstring(ms ? 1000 / ms : 0) + L" Hz (" + std::to_wstring(ms) + L" ms)";
    }
    out += L"\nprofiles: " + std::to_wstring(session.mouse.GetDeviceProfileCount()) + L" of " +
           std::to_wstring(session.mouse.GetMaxProfiles()) + L"\n";
    Print(ToUtf8(out));
    return kOk;
}

// ---- dump ------------------------------------------------------------------

void WriteAssignment(JsonWriter& json, CMouseConfig& config, const char* idKey, int32_t id,
                     const Assignment& a) {
    json.BeginObject();
    json.Number(idKey, id);
    json.Number("code", a.code);
    json.String("function", a.code >= 0 ? names::FunctionName(a.code) : L"");
    auto word = [&](size_t offset) {
        uint32_t v = 0;
        memcpy(&v, a.data + offset, sizeof(v));
        return v;
    };
    switch (a.code) {
        case 4:  // a single key: scan code, virtual key, modifier bits
            json.Number("scanCode", word(0) & 0xFFFF);
            json.Number("virtualKey", word(0) >> 16);
            json.Number("modifiers", a.data[4]);
            break;
        case 5: {
            const GUID macroId = AssignmentId(a);
            json.String("macroId", GuidText(macroId));
            const CMacro* macro = config.FindMacroById(macroId);
            json.String("macro", macro ? macro->Name() : L"");
            break;
        }
        case 6:
            json.String("macro", AssignmentName(a));
            break;
        case 20: {
            const GUID profileId = AssignmentId(a);
            json.String("profileId", GuidText(profileId));
            const CMouseProfile* target = config.FindById(profileId);
            json.String("profile", target ? target->GetName() : L"");
            break;
        }
        case 21:
            json.String("profile", AssignmentName(a));
            break;
        case 15:
        case 16:
        case 17:
        case 18:
        case 19:
            json.Number("stage", word(0));
            break;
        default:
            break;
    }
    json.EndObject();
}

void WriteProfile(JsonWriter& json, CMouseConfig& config, CMouseProfile& p) {
    json.BeginObject();
    json.String("name", p.GetName());
    json.String("identity", GuidText(p.GetId()));
    json.Bool("current", config.GetCurrentProfile() == &p);
    json.String("program", p.GetProgramPath());
    json.Bool("autoSwitch", p.GetAutoSwitch());
    json.Bool("dpiOnScreenDisplay", p.GetDpiOsd());
    json.Bool("profileOnScreenDisplay", p.GetProfileOsd());
    json.Bool("thumbKeysEnabled", p.GetThumbKeysEnabled());
    json.BeginObject("lights");
    json.Bool("scrollWheel", p.GetScrollLight());
    json.Bool("underGlow", p.GetUnderGlowLight());
    json.EndObject();
    json.BeginObject("sensitivity");
    json.Number("value", p.GetSensitivity());
    json.Number("x", p.GetSensitivityX());
    json.Number("y", p.GetSensitivityY());
    json.Bool("separateXY", p.GetSeparateXY());
    int32_t minimum = 0, maximum = 0, step = 0;
    p.GetSensitivityRange(minimum, maximum, step);
    json.Number("minimum", minimum);
    json.Number("maximum", maximum);
    json.Number("step", step);
    json.EndObject();
    json.BeginObject("stages");
    json.Number("count", p.GetStageCount());
    json.Number("inUse", p.GetStagesInUse());
    json.Number("active", p.GetActiveStage());
    json.BeginArray("list");
    for (int32_t s = 1; s <= p.GetStageCount(); ++s) {
        json.BeginObject();
        json.Number("value", p.GetStageValue(s));
        json.Number("x", p.GetStageX(s));
        json.Number("y", p.GetStageY(s));
        json.Bool("separateXY", p.GetStageFlag(s));
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    json.BeginArray("buttons");
    for (const auto& [button, assignment] : p.ButtonAssignments())
        WriteAssignment(json, config, "button", button, assignment);
    json.EndArray();
    json.BeginArray("keys");
    for (int32_t key : p.KeyOrder())
        WriteAssignment(json, config, "key", key, p.GetKeyAssignment(key));
    json.EndArray();
    json.EndObject();
}

void WriteEvent(JsonWriter& json, const MacroEvent& e) {
    json.BeginObject();
    switch (e.kind) {
        case kMacroEventKey:
            json.String("kind", L"key");
            json.Number("scanCode", e.code & 0xFFFF);
            json.Number("virtualKey", e.code >> 16);
            json.String("action", (e.state & 0xFF) == kMacroStatePress ? L"press" : L"release");
            json.Bool("extended", (e.state & kMacroStateExtended) != 0);
            break;
        case kMacroEventButton:
            json.String("kind", L"button");
            json.Number("button", e.code);
            json.String("action", e.state == kMacroStatePress ? L"press" : L"release");
            break;
        default:
            json.String("kind", L"delay");
            json.Number("milliseconds", e.code);
            break;
    }
    json.EndObject();
}

int Dump() {
    Session session;
    if (!session.Open(true))
        return session.connected ? (Error(L"reading the mouse failed"), kRefused) : NoMouse();
    CVellConfig& config = session.config;
    std::wstring firmware, driver;
    session.mouse.GetFirmwareVersion(firmware);
    session.mouse.GetDriverVersion(driver);

    JsonWriter json;
    json.BeginObject();
    json.BeginObject("device");
    json.Number("product", session.mouse.GetProductId());
    // Every committed change moves it on (0: the service keeps none).
    json.Number("revision", static_cast<int64_t>(session.mouse.Revision()));
    json.String("firmwareVersion", firmware);
    json.String("driverVersion", driver);
    json.BeginArray("pollingIntervalsMs");
    for (int i = 0; i < session.mouse.GetPollingRateCount(); ++i)
        json.Number(nullptr, session.mouse.GetPollingRate(i));
    json.EndArray();
    json.EndObject();
    static const int kIntervals[] = {8, 2, 1};
    int choice = config.GetPollingRateChoice();
    if (choice >= 0 && choice <= 2)
        json.Number("pollingIntervalMs", kIntervals[choice]);
    else
        json.Null("pollingIntervalMs");
    json.BeginObject("acceleration");
    json.Bool("enabled", config.GetAccelerationEnabled());
    json.Number("level", config.GetAccelerationLevel());
    json.EndObject();
    json.BeginArray("profiles");
    for (int32_t i = 0; i < config.GetProfileCount(); ++i)
        WriteProfile(json, config, *config.ProfileAt(i));
    json.EndArray();
    json.BeginArray("macros");
    for (int32_t i = 0; i < config.GetMacroCount(); ++i) {
        const CMacro* macro = config.MacroAt(i);
        json.BeginObject();
        json.String("name", macro->Name());
        json.String("identity", GuidText(macro->Id()));
        json.BeginArray("events");
        for (const MacroEvent& e : macro->Events())
            WriteEvent(json, e);
        json.EndArray();
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    Print(json.Text());
    return kOk;
}

// ---- import and export -----------------------------------------------------

int ExportProfile(const wchar_t* name, const wchar_t* file) {
    Session session;
    if (!session.Open(true))
        return session.connected ? (Error(L"reading the mouse failed"), kRefused) : NoMouse();
    CMouseProfile* profile = session.config.FindByName(name);
    if (!profile) {
        Error(L"no profile named ", name);
        return kNotFound;
    }
    if (!session.mouse.ExportProfile(FullPath(file).c_str(), profile)) {
        Error(L"the mouse refused to export the profile to ", file);
        return kRefused;
    }
    return kOk;
}

// After an import's name: why it is a copy's name, if it is.
std::wstring TakenNote(const std::wstring& nameInFile) {
    return nameInFile.empty() ? std::wstring() : L" (the name " + nameInFile + L" is taken)";
}

int ImportProfile(const wchar_t* file) {
    Session session;
    if (!session.Open(false))
        return NoMouse();
    if (session.mouse.GetDeviceProfileCount() >= session.mouse.GetMaxProfiles()) {
        Error(L"the mouse already holds the most profiles it can keep");
        return kRefused;
    }
    int before = session.config.GetProfileCount();
    std::wstring nameInFile;
    if (!session.mouse.ImportProfile(FullPath(file).c_str(), &session.config, &nameInFile)) {
        Error(L"the mouse refused the profile file ", file);
        return kRefused;
    }
    if (session.config.GetProfileCount() > before)
        Print(ToUtf8(L"imported profile " + session.config.ProfileAt(before)->GetName() + TakenNote(nameInFile) + L"\n"));
    return kOk;
}

int ExportMacro(const wchar_t* name, const wchar_t* file) {
    Session session;
    if (!session.Open(true))
        return session.connected ? (Error(L"reading the mouse failed"), kRefused) : NoMouse();
    CMacro* macro = session.config.FindMacroByName(name);
    if (!macro) {
        Error(L"no macro named ", name);
        return kNotFound;
    }
    if (IsNullGuid(macro->Id()) || !session.mouse.ExportMacro(FullPath(file).c_str(), macro)) {
        Error(L"the mouse refused to export the macro to ", file);
        return kRefused;
    }
    return kOk;
}

int ImportMacro(const wchar_t* file) {
    Session session;
    if (!session.Open(true))
        return session.connected ? (Error(L"reading the mouse failed"), kRefused) : NoMouse();
    int before = session.config.GetMacroCount();
    std::wstring nameInFile;
    if (!session.mouse.ImportMacro(FullPath(file).c_str(), &session.config, &nameInFile)) {
        Error(L"the mouse refused the macro file ", file);
        return kRefused;
    }
    if (session.config.GetMacroCount() > before)
        Print(ToUtf8(std::wstring(L"imported macro ") + session.config.MacroAt(before)->Name() + TakenNote(nameInFile) +
                     L"\n"));
    return kOk;
}

// ---- backup and restore ------------------------------------------------------

int Backup(const wchar_t* dir) {
    Session session;
    if (!session.Open(false))
        return NoMouse();
    const backup::Result result = session.mouse.Backup(FullPath(dir));
    if (!result.ok) {
        Error(L"backup failed: ", result.message);
        return kRefused;
    }
    Print(ToUtf8(L"backed up to " + result.folder + L"\n"));
    return kOk;
}

int Restore(const wchar_t* dir) {
    const std::wstring folder = FullPath(dir);
    if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
        Error(L"there is no backup folder ", folder);
        return kNotFound;
    }
    Session session;
    if (!session.Open(false))
        return NoMouse();
    const backup::Result result = session.mouse.Restore(folder);
    if (!result.ok) {
        Error(L"restore refused: ", result.message);
        return kRefused;
    }
    Print(ToUtf8(L"restored from " + result.folder + L"\n"));
    return kOk;
}

// ---- profiles and the mouse's own buttons ------------------------------------

// A reading of the mouse that says why it failed.
bool Glance(devlink::MouseGlance& glance, int& exitCode) {
    switch (devlink::ReadGlance(kProduct, glance)) {
        case devlink::Outcome::kDone:
            return true;
        case devlink::Outcome::kNoMouse:
            exitCode = NoMouse();
            return false;
        default:
            Error(L"reading the mouse failed");
            exitCode = kRefused;
            return false;
    }
}

int ProfileList() {
    devlink::MouseGlance glance;
    int code = kOk;
    if (!Glance(glance, code))
        return code;
    std::wstring out;
    for (size_t i = 0; i < glance.profiles.size(); ++i) {
        const devlink::ProfileGlance& p = glance.profiles[i];
        out += std::to_wstring(i + 1) + L"\t" + p.name;
        if (static_cast<int>(i) == glance.active)
            out += L"\t(active)";
        if (!p.programPath.empty())
            out += std::wstring(L"\tprogram ") + p.programPath + (p.autoSwitch ? L"" : L" (switching off)");
        out += L"\n";
    }
    Print(ToUtf8(out));
    return kOk;
}

// The profile a NAME or NUMBER names: the exact name first, then a name
// that differs only by case when just one does, then a 1-based number.
int FindProfile(const devlink::MouseGlance& glance, const std::wstring& what) {
    for (size_t i = 0; i < glance.profiles.size(); ++i) {
        if (glance.profiles[i].name == what)
            return static_cast<int>(i);
    }
    int found = -1;
    for (size_t i = 0; i < glance.profiles.size(); ++i) {
        if (CompareStringOrdinal(glance.profiles[i].name.c_str(), -1, what.c_str(), -1, TRUE) == CSTR_EQUAL)
            found = found < 0 ? static_cast<int>(i) : -2;
    }
    if (found >= 0)
        return found;
    if (!what.empty() && what.size() < 4 && what.find_first_not_of(L"0123456789") == std::wstring::npos) {
        const int number = _wtoi(what.c_str());
        if (number >= 1 && number <= static_cast<int>(glance.profiles.size()))
            return number - 1;
    }
    return -1;
}

int Refusal(devlink::Outcome outcome) {
    if (outcome == devlink::Outcome::kNoMouse)
        return NoMouse();
    if (outcome == devlink::Outcome::kNotFound) {
        Error(L"the profile is no longer on the mouse");
        return kNotFound;
    }
    Error(L"the mouse refused the change");
    return kRefused;
}

int ProfileActivate(const std::wstring& what) {
    devlink::MouseGlance glance;
    int code = kOk;
    if (!Glance(glance, code))
        return code;
    const int index = FindProfile(glance, what);
    if (index < 0) {
        Error(L"no profile named or numbered ", what);
        return kNotFound;
    }
    const devlink::ProfileGlance& profile = glance.profiles[static_cast<size_t>(index)];
    const devlink::Outcome outcome = devlink::ActivateProfile(kProduct, profile.id);
    if (outcome != devlink::Outcome::kDone)
        return Refusal(outcome);
    Print(ToUtf8(L"active profile: " + profile.name + L"\n"));
    return kOk;
}

int Press(const std::wstring& name) {
    static const struct {
        const wchar_t* name;
        devlink::MouseButton button;
    } kButtons[] = {
        {L"stage-up", devlink::MouseButton::kStageUp},
        {L"stage-down", devlink::MouseButton::kStageDown},
        {L"stage-cycle", devlink::MouseButton::kStageCycle},
        {L"profile-next", devlink::MouseButton::kProfileNext},
        {L"profile-previous", devlink::MouseButton::kProfilePrevious},
    };
    for (const auto& entry : kButtons) {
        if (name != entry.name)
            continue;
        const devlink::Outcome outcome = devlink::PressButton(kProduct, entry.button);
        if (outcome != devlink::Outcome::kDone && outcome != devlink::Outcome::kUnchanged)
            return Refusal(outcome);
        devlink::MouseGlance glance;
        int code = kOk;
        if (!Glance(glance, code))
            return code;
        const devlink::ProfileGlance* active = glance.ActiveProfile();
        std::wstring out = outcome == devlink::Outcome::kUnchanged ? L"unchanged: " : L"";
        out += L"profile " + (active ? active->name : std::wstring()) + L", stage " + std::to_wstring(glance.stage) +
               L" of " + std::to_wstring(glance.stageCount) + L", " + std::to_wstring(glance.sensitivity) + L" DPI\n";
        Print(ToUtf8(out));
        return kOk;
    }
    Error(L"unknown button ", name);
    return kUsage;
}

int Usage() {
    Error(
        L"usage: tarnctl info | dump | export-profile NAME FILE | import-profile FILE | "
        L"export-macro NAME FILE | import-macro FILE | backup DIR | restore DIR | profile list | "
        L"profile activate NAME|NUMBER | press stage-up|stage-down|stage-cycle|profile-next|profile-previous");
    return kUsage;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    win::ComApartment com;
    names::BuildAllNameTables();
    if (argc < 2)
        return Usage();
    const std::wstring command = argv[1];
    if (command == L"info" && argc == 2)
        return Info();
    if (command == L"dump" && argc == 2)
        return Dump();
    if (command == L"export-profile" && argc == 4)
        return ExportProfile(argv[2], argv[3]);
    if (command == L"import-profile" && argc == 3)
        return ImportProfile(argv[2]);
    if (command == L"export-macro" && argc == 4)
        return ExportMacro(argv[2], argv[3]);
    if (command == L"import-macro" && argc == 3)
        return ImportMacro(argv[2]);
    if (command == L"backup" && argc == 3)
        return Backup(argv[2]);
    if (command == L"restore" && argc == 3)
        return Restore(argv[2]);
    if (command == L"profile" && argc == 3 && std::wstring(argv[2]) == L"list")
        return ProfileList();
    if (command == L"profile" && argc == 4 && std::wstring(argv[2]) == L"activate")
        return ProfileActivate(argv[3]);
    if (command == L"press" && argc == 3)
        return Press(argv[2]);
    return Usage();
}
