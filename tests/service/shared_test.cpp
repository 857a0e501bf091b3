// One mouse for every process: a second process (this executable again,
// serving commands on its standard input) and this one use the same state
// file at the same time.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "EmulatedMouse.h"
#include "Environment.h"
#include "ServiceFixture.h"
#include "win/Handles.h"

namespace svctest {
namespace {

using namespace devsvc;

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

std::wstring Widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

// Adds a name to a comma-separated list that ends in '|' or is empty.
void Append(std::string& list, const std::string& name) {
    if (!list.empty() && list.back() != '|')
        list += ',';
    list += name;
}

std::string Hex(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof(text), "%08lX", static_cast<unsigned long>(hr));
    return text;
}

// ---- the second process ------------------------------------------------------

// Runs one command against the connection (opened by "connect") and answers
// "<HRESULT> <value>".
class Server {
public:
    std::string Run(const std::string& line) {
        const size_t space = line.find(' ');
        const std::string command = line.substr(0, space);
        const std::string argument = space == std::string::npos ? std::string() : line.substr(space + 1);
        if (command == "connect")
            return Connect();
        if (command == "hold") {
            m_held.reset(::CreateFileW(Widen(argument).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            return Hex(m_held ? S_OK : HRESULT_FROM_WIN32(::GetLastError()));
        }
        if (command == "release") {
            m_held.reset();
            return Hex(S_OK);
        }
        if (command == "grab") {
            // The mouse's own lock, as a process in the middle of a commit holds it.
            m_lock.reset(::OpenMutexW(SYNCHRONIZE, FALSE, tarnsvc::MouseLockName(Widen(argument)).c_str()));
            return Hex(m_lock && ::WaitForSingleObject(m_lock.get(), 0) == WAIT_OBJECT_0 ? S_OK : E_FAIL);
        }
        if (!m_profiles)
            return Hex(E_UNEXPECTED);
        if (command == "setname") {
            ComPtr<IDeviceProfile> profile;
            HRESULT hr = m_profiles->Item(0, profile.put());
            return Hex(SUCCEEDED(hr) ? profile->SetName(Widen(argument).c_str()) : hr);
        }
        if (command == "createmacro") {
            ComPtr<IMacroItem> macro;
            HRESULT hr = m_macros->Create(macro.put());
            return Hex(SUCCEEDED(hr) ? macro->SetName(Widen(argument).c_str()) : hr);
        }
        if (command == "createmacros")
            return CreateMacros(std::stoi(argument));
        if (command == "summary")
            return Summary();
        return Hex(E_INVALIDARG);
    }

private:
    std::string Connect() {
        HRESULT hr = tarnsvc::CreateEnumerator(kIidEnumerator, m_enumerator.put_void());
        if (SUCCEEDED(hr))
            hr = m_enumerator->Device(0, m_device.put());
        if (SUCCEEDED(hr))
            hr = m_device->Feature(kIidProfiles, m_profiles.put_void());
        if (SUCCEEDED(hr))
            hr = m_device->Feature(kIidMacros, m_macros.put_void());
        return Hex(hr);
    }

    // `count` macros "Theirs 0", "Theirs 1", ... as fast as they go.
    std::string CreateMacros(int count) {
        for (int i = 0; i < count; ++i) {
            ComPtr<IMacroItem> macro;
            HRESULT hr = m_macros->Create(macro.put());
            if (SUCCEEDED(hr))
                hr = macro->SetName(Widen("Theirs " + std::to_string(i)).c_str());
            if (FAILED(hr))
                return Hex(hr);
        }
        return Hex(S_OK);
    }

    // "<revision>|<level>|<interval>|<profile names>|<macro names>", names
    // separated by commas; the first failing call's result otherwise.
    std::string Summary() {
        InfoRecord info{};
        HRESULT hr = m_device->Info(&info);
        if (FAILED(hr))
            return Hex(hr);
        ::CoTaskMemFree(info.text);
        ComPtr<IAcceleration> acceleration;
        ComPtr<IPolling> polling;
        ULONG level = 0, interval = 0;
        if (FAILED(hr = m_device->Feature(kIidAcceleration, acceleration.put_void())) ||
            FAILED(hr = acceleration->Level(&level)) ||
            FAILED(hr = m_device->Feature(kIidPolling, polling.put_void())) ||
            FAILED(hr = polling->Interval(&interval)))
            return Hex(hr);
        std::string out = Hex(S_OK) + " " + std::to_string(info.reserved) + "|" + std::to_string(level) + "|" +
                          std::to_string(interval) + "|";
        for (ULONG i = 0;; ++i) {
            ComPtr<IDeviceProfile> profile;
            wchar_t* name = nullptr;
            if (FAILED(m_profiles->Item(i, profile.put())))
                break;
            if (FAILED(hr = profile->Name(&name)))
                return Hex(hr);
            Append(out, Narrow(name));
            ::CoTaskMemFree(name);
        }
        out += "|";
        for (ULONG i = 0;; ++i) {
            ComPtr<IMacroItem> macro;
            wchar_t* name = nullptr;
            if (FAILED(m_macros->Item(i, macro.put())))
                break;
            if (FAILED(hr = macro->Name(&name)))
                return Hex(hr);
            Append(out, Narrow(name));
            ::CoTaskMemFree(name);
        }
        return out;
    }

    ComPtr<IDeviceEnumerator> m_enumerator;
    ComPtr<IDevice> m_device;
    ComPtr<IDeviceProfiles> m_profiles;
    ComPtr<IMacros> m_macros;
    win::UniqueFile m_held;
    win::UniqueHandle m_lock;
};

bool ReadLine(HANDLE from, std::string& line) {
    line.clear();
    char c = 0;
    DWORD read = 0;
    while (::ReadFile(from, &c, 1, &read, nullptr) && read == 1) {
        if (c == '\n')
            return true;
        if (c != '\r')
            line += c;
    }
    return false;
}

bool WriteLine(HANDLE to, const std::string& line) {
    const std::string bytes = line + "\n";
    DWORD written = 0;
    return ::WriteFile(to, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

int Serve() {
    Server server;
    const HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    std::string line;
    while (ReadLine(in, line) && line != "quit") {
        if (!WriteLine(out, server.Run(line)))
            return 1;
    }
    return 0;
}

// Started with TARN_SERVICE_HELPER=1, this executable is the second process
// and never reaches the tests' main.
const bool g_isHelper = [] {
    if (tarnsvc::EnvironmentValue(L"TARN_SERVICE_HELPER") == L"1")
        ::ExitProcess(static_cast<UINT>(Serve()));
    return false;
}();

// The other side: starts the second process with this process's environment
// (the state file above all) and asks it one command at a time.
class OtherProcess {
public:
    OtherProcess() {
        SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
        HANDLE childIn = nullptr, childOut = nullptr, toChild = nullptr, fromChild = nullptr;
        if (!::CreatePipe(&childIn, &toChild, &inherit, 0) || !::CreatePipe(&fromChild, &childOut, &inherit, 0))
            return;
        m_toChild.reset(toChild);
        m_fromChild.reset(fromChild);
        win::UniqueHandle in(childIn), out(childOut);
        ::SetHandleInformation(toChild, HANDLE_FLAG_INHERIT, 0);
        ::SetHandleInformation(fromChild, HANDLE_FLAG_INHERIT, 0);
        wchar_t exe[MAX_PATH];
        ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
        std::wstring commandLine = L"\"" + std::wstring(exe) + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = in.get();
        startup.hStdOutput = out.get();
        startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
        PROCESS_INFORMATION process{};
        ::SetEnvironmentVariableW(L"TARN_SERVICE_HELPER", L"1");
        const BOOL started = ::CreateProcessW(exe, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                              nullptr, &startup, &process);
        ::SetEnvironmentVariableW(L"TARN_SERVICE_HELPER", nullptr);
        if (!started)
            return;
        m_process.reset(process.hProcess);
        ::CloseHandle(process.hThread);
    }
    ~OtherProcess() {
        if (!m_process)
            return;
        WriteLine(m_toChild.get(), "quit");
        if (::WaitForSingleObject(m_process.get(), 10000) != WAIT_OBJECT_0)
            ::TerminateProcess(m_process.get(), 1);
    }
    explicit operator bool() const { return static_cast<bool>(m_process); }

    // The answer's line; "dead" when the process is gone.
    std::string Ask(const std::string& command) {
        Send(command);
        return Answer();
    }
    // The same in two steps, so that this process works meanwhile.
    void Send(const std::string& command) { m_sent = WriteLine(m_toChild.get(), command); }
    std::string Answer() {
        std::string answer;
        if (!m_sent || !ReadLine(m_fromChild.get(), answer))
            return "dead";
        return answer;
    }

private:
    win::UniqueHandle m_process;
    win::UniqueHandle m_toChild;
    win::UniqueHandle m_fromChild;
    bool m_sent = false;
};

const std::string kOk = "00000000";

// What this process reads of the mouse, as the other one answers it.
std::string Summary(const Connection& c) {
    ULONG level = 0, interval = 0;
    c.DeviceFeature<IAcceleration>(kIidAcceleration)->Level(&level);
    c.DeviceFeature<IPolling>(kIidPolling)->Interval(&interval);
    std::string out = kOk + " " + std::to_string(c.Revision()) + "|" + std::to_string(level) + "|" +
                      std::to_string(interval) + "|";
    for (ULONG i = 0; i < c.ProfileCount(); ++i)
        Append(out, Narrow(c.Name(c.Profile(i).get())));
    out += "|";
    auto macros = c.DeviceFeature<IMacros>(kIidMacros);
    for (ULONG i = 0;; ++i) {
        ComPtr<IMacroItem> macro;
        wchar_t* name = nullptr;
        if (FAILED(macros->Item(i, macro.put())) || FAILED(macro->Name(&name)))
            break;
        Append(out, Narrow(name));
        ::CoTaskMemFree(name);
    }
    return out;
}

using ServiceShared = ServiceTest;

TEST_F(ServiceShared, TwoProcessesAreOneMouse) {
    Connection mine = Connect();
    OtherProcess other;
    ASSERT_TRUE(other);
    ASSERT_EQ(kOk, other.Ask("connect"));
    const uint32_t start = mine.Revision();
    ASSERT_NE(0u, start);
    win::UniqueHandle changed(
        ::OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, tarnsvc::MouseChangedEventName(StatePath()).c_str()));
    ASSERT_TRUE(changed) << "the change signal has its documented name";
    ::WaitForSingleObject(changed.get(), 0);

    // A change made through one is what the other's very next call sees.
    ASSERT_EQ(S_OK, mine.Profile(0)->SetName(L"Mine"));
    EXPECT_EQ(kOk + " " + std::to_string(start + 1) + "|5|2|Mine|", other.Ask("summary"));
    ASSERT_EQ(kOk, other.Ask("setname Theirs"));
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(changed.get(), 5000)) << "a commit sets the signal";
    EXPECT_EQ(L"Theirs", mine.Name(mine.Profile(0).get()));
    other.Ask("summary");
    EXPECT_EQ(WAIT_TIMEOUT, ::WaitForSingleObject(changed.get(), 0)) << "reading is no change";

    // Creates from both, interleaved: all of them survive, in order, and
    // every commit (create, then name) is one revision for both.
    auto macros = mine.DeviceFeature<IMacros>(kIidMacros);
    std::string names;
    for (int i = 0; i < 4; ++i) {
        ComPtr<IMacroItem> macro;
        ASSERT_EQ(S_OK, macros->Create(macro.put()));
        ASSERT_EQ(S_OK, macro->SetName((L"Mine " + std::to_wstring(i)).c_str()));
        ASSERT_EQ(kOk, other.Ask("createmacro Theirs " + std::to_string(i)));
        Append(names, "Mine " + std::to_string(i));
        Append(names, "Theirs " + std::to_string(i));
    }
    const std::string expected = kOk + " " + std::to_string(start + 18) + "|5|2|Theirs|" + names;
    EXPECT_EQ(expected, Summary(mine));
    EXPECT_EQ(expected, other.Ask("summary"));
    EXPECT_EQ(start + 18, StoredState().revision);
}

// Both processes create macros at full speed at the same time: none is
// lost, none is stored twice, and the revision counts every commit once.
TEST_F(ServiceShared, ConcurrentChangesAreAllKept) {
    Connection mine = Connect();
    OtherProcess other;
    ASSERT_TRUE(other);
    ASSERT_EQ(kOk, other.Ask("connect"));
    const uint32_t start = mine.Revision();
    constexpr int kEach = 40;
    auto macros = mine.DeviceFeature<IMacros>(kIidMacros);
    other.Send("createmacros " + std::to_string(kEach));
    for (int i = 0; i < kEach; ++i) {
        ComPtr<IMacroItem> macro;
        ASSERT_EQ(S_OK, macros->Create(macro.put()));
        ASSERT_EQ(S_OK, macro->SetName((L"Mine " + std::to_wstring(i)).c_str()));
    }
    ASSERT_EQ(kOk, other.Answer());
    const tarnsvc::MouseState stored = StoredState();
    EXPECT_EQ(start + 4 * kEach, stored.revision);
    std::vector<std::wstring> names;
    for (const tarnsvc::MacroState& macro : stored.macros)
        names.push_back(macro.name);
    std::sort(names.begin(), names.end());
    std::vector<std::wstring> expected;
    for (int i = 0; i < kEach; ++i) {
        expected.push_back(L"Mine " + std::to_wstring(i));
        expected.push_back(L"Theirs " + std::to_wstring(i));
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, names);
    EXPECT_EQ(Summary(mine), other.Ask("summary"));
}

// A model of what the mouse holds, changed only by calls that succeeded,
// against random save, lock and load faults in this process: after every
// call the other process and the file agree with the model.
TEST_F(ServiceShared, FailedCallsChangeNothingForAnyProcess) {
    Connection mine = Connect();
    OtherProcess other;
    ASSERT_TRUE(other);
    ASSERT_EQ(kOk, other.Ask("connect"));
    struct Model {
        uint32_t revision;
        ULONG level = 5, interval = 2;
        std::vector<std::string> profiles{"Profile 1"};
        std::vector<std::string> macros;
        std::string Text() const {
            std::string out = kOk + " " + std::to_string(revision) + "|" + std::to_string(level) + "|" +
                              std::to_string(interval) + "|";
            for (const std::string& name : profiles)
                Append(out, name);
            out += "|";
            for (const std::string& name : macros)
                Append(out, name);
            return out;
        }
    } model{mine.Revision()};
    auto acceleration = mine.DeviceFeature<IAcceleration>(kIidAcceleration);
    auto polling = mine.DeviceFeature<IPolling>(kIidPolling);
    auto macros = mine.DeviceFeature<IMacros>(kIidMacros);
    int failures = 0;

    SetEnv(L"TARN_DEVICE_FAULT", L"Save~3,Lock~9,Load~4");
    for (int i = 0; i < 60; ++i) {
        SCOPED_TRACE(i);
        Model next = model;
        HRESULT hr = S_OK;
        bool changes = true;
        switch (i % 6) {
            case 0: {
                const std::string name = "Name " + std::to_string(i);
                const size_t index = static_cast<size_t>(i / 6) % model.profiles.size();
                ComPtr<IDeviceProfile> profile;
                hr = mine.profiles->Item(static_cast<ULONG>(index), profile.put());
                if (SUCCEEDED(hr))
                    hr = profile->SetName(Widen(name).c_str());
                next.profiles[index] = name;
                break;
            }
            case 1:
                next.level = 1 + static_cast<ULONG>(i / 6) % 10;
                changes = next.level != model.level;
                hr = acceleration->SetLevel(next.level);
                break;
            case 2:
                next.interval = (i / 6) % 3 == 0 ? 8 : (i / 6) % 3 == 1 ? 1 : 2;
                changes = next.interval != model.interval;
                hr = polling->SetInterval(next.interval);
                break;
            case 3: {
                ComPtr<IDeviceProfile> created;
                if (model.profiles.size() < 5) {
                    hr = mine.profiles->Create(created.put());
                    for (int n = 1;; ++n) {
                        const std::string name = "Profile " + std::to_string(n);
                        if (std::find(model.profiles.begin(), model.profiles.end(), name) == model.profiles.end()) {
                            next.profiles.push_back(name);
                            break;
                        }
                    }
                } else {
                    hr = mine.profiles->Item(4, created.put());
                    if (SUCCEEDED(hr))
                        hr = mine.profiles->Remove(created.get());
                    next.profiles.pop_back();
                }
                break;
            }
            case 4: {
                ComPtr<IMacroItem> created;
                hr = macros->Create(created.put());
                for (int n = 1;; ++n) {
                    const std::string name = "Macro " + std::to_string(n);
                    if (std::find(model.macros.begin(), model.macros.end(), name) == model.macros.end()) {
                        next.macros.push_back(name);
                        break;
                    }
                }
                break;
            }
            case 5: {
                ComPtr<IMacroItem> first;
                changes = !model.macros.empty();
                if (changes) {
                    hr = macros->Item(0, first.put());
                    if (SUCCEEDED(hr))
                        hr = macros->Remove(first.get());
                    next.macros.erase(next.macros.begin());
                }
                break;
            }
        }
        if (SUCCEEDED(hr)) {
            EXPECT_EQ(S_OK, hr);
            next.revision += changes ? 1 : 0;
            model = next;
        } else {
            ++failures;
            EXPECT_TRUE(hr == tarnsvc::Win32Error(ERROR_WRITE_FAULT) || hr == tarnsvc::kErrBusy) << Hex(hr);
        }
        ASSERT_EQ(model.Text(), other.Ask("summary"));
        const tarnsvc::MouseState stored = StoredState();
        EXPECT_EQ(model.revision, stored.revision);
        EXPECT_EQ(model.profiles.size(), stored.profiles.size());
        EXPECT_EQ(model.macros.size(), stored.macros.size());
    }
    SetEnv(L"TARN_DEVICE_FAULT", nullptr);
    EXPECT_GT(failures, 10) << "the faults fired";
    EXPECT_LT(failures, 50) << "and calls went through";
    EXPECT_EQ(model.Text(), Summary(mine)) << "this process reads the model too";
}

// A process that holds the lock for longer than a commit takes makes
// changes busy (reads go on); one that dies holding it leaves it to the next.
TEST_F(ServiceShared, ALockHeldTooLongIsBusyAndAnAbandonedOneIsTaken) {
    Connection mine = Connect();
    auto profile = mine.Profile(0);
    ASSERT_EQ(S_OK, profile->SetName(L"Before"));
    {
        OtherProcess other;
        ASSERT_TRUE(other);
        ASSERT_EQ(kOk, other.Ask("grab " + Narrow(StatePath())));
        const DWORD start = ::GetTickCount();
        EXPECT_EQ(tarnsvc::kErrBusy, profile->SetName(L"Blocked"));
        const DWORD waited = ::GetTickCount() - start;
        EXPECT_GE(waited, 1500u);
        EXPECT_LT(waited, 5000u);
        EXPECT_EQ(L"Before", mine.Name(profile.get())) << "reading needs no lock";
        EXPECT_EQ(L"Before", StoredState().profiles[0].name);
    }  // ends without releasing the lock
    EXPECT_EQ(S_OK, profile->SetName(L"After"));
    EXPECT_EQ(L"After", StoredState().profiles[0].name);
}

// Another program holds the state file open with no sharing for 5 s: the
// mouse is busy for that time, nothing is set aside, and afterwards the file
// is as it was and loads.
TEST_F(ServiceShared, AFileHeldByAnotherProgramIsABusyMouse) {
    {
        Connection c = Connect();
        ASSERT_EQ(S_OK, c.Profile(0)->SetName(L"Before the hold"));
    }
    const std::string before = ReadBytes(StatePath());
    OtherProcess holder;
    ASSERT_TRUE(holder);
    {
        Connection early = Connect();
        auto profile = early.Profile(0);
        ASSERT_EQ(kOk, holder.Ask("hold " + Narrow(StatePath())));
        // The copy this process holds is still the latest and reads; a
        // change cannot be stored, fails, and leaves the mouse busy.
        EXPECT_EQ(L"Before the hold", early.Name(profile.get()));
        EXPECT_LT(profile->SetName(L"During the hold"), 0);
        wchar_t* name = nullptr;
        EXPECT_EQ(tarnsvc::kErrBusy, profile->Name(&name));
        EXPECT_EQ(nullptr, name);
    }
    const DWORD start = ::GetTickCount();
    int attempts = 0;
    while (::GetTickCount() - start < 5000) {
        ComPtr<IDeviceEnumerator> enumerator;
        ASSERT_EQ(S_OK, tarnsvc::CreateEnumerator(kIidEnumerator, enumerator.put_void()));
        ComPtr<IDevice> device;
        const DWORD asked = ::GetTickCount();
        EXPECT_EQ(tarnsvc::kErrBusy, enumerator->Device(0, device.put()));
        EXPECT_LT(::GetTickCount() - asked, 1500u) << "busy is answered promptly";
        EXPECT_FALSE(device);
        ++attempts;
        ::Sleep(300);
    }
    EXPECT_GE(attempts, 5);
    EXPECT_FALSE(Exists(StatePath() + L".bad"));
    ASSERT_EQ(kOk, holder.Ask("release"));
    EXPECT_EQ(before, ReadBytes(StatePath()));
    Connection after = Connect();
    EXPECT_EQ(L"Before the hold", after.Name(after.Profile(0).get()));
    EXPECT_FALSE(Exists(StatePath() + L".bad"));
}

}  // namespace
}  // namespace svctest
