#include "ServiceFixture.h"

#include <cstring>

#include <atomic>

#include "StateFile.h"
#include "win/Handles.h"

namespace svctest {
namespace {

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    win::UniqueFind find(::FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (find) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = folder + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                ::DeleteFileW(path.c_str());
        } while (::FindNextFileW(find.get(), &data));
    }
    find.reset();
    ::RemoveDirectoryW(folder.c_str());
}

}  // namespace

win::CoTaskMemPtr<BYTE> TaskCopy(const void* data, size_t size) {
    win::CoTaskMemPtr<BYTE> block(static_cast<BYTE*>(::CoTaskMemAlloc(size)));
    if (block && size > 0)
        std::memcpy(block.get(), data, size);
    return block;
}

std::vector<uint8_t> EventBytes(devsvc::IMacroItem* macro) {
    win::CoTaskMemOut<BYTE> buffer;
    if (FAILED(macro->Events(buffer.put())) || !buffer.get())
        return {};
    devsvc::EventBufferHeader header{};
    std::memcpy(&header, buffer.get(), sizeof(header));
    const size_t bytes = sizeof(header) + sizeof(devsvc::EventEntry) * header.count;
    return std::vector<uint8_t>(buffer.get(), buffer.get() + bytes);
}

std::string ReadBytes(const std::wstring& path) {
    win::UniqueFile file(
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return {};
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    return bytes;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file) << "cannot write the test file";
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
}

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

ComPtr<devsvc::IDeviceProfile> Connection::Profile(ULONG index) const {
    ComPtr<devsvc::IDeviceProfile> profile;
    if (profiles)
        profiles->Item(index, profile.put());
    return profile;
}

ULONG Connection::ProfileCount() const {
    ULONG count = 0;
    while (Profile(count))
        ++count;
    return count;
}

std::wstring Connection::Name(devsvc::IDeviceProfile* profile) const {
    wchar_t* text = nullptr;
    if (!profile || FAILED(profile->Name(&text)) || !text)
        return L"<none>";
    std::wstring name = text;
    ::CoTaskMemFree(text);
    return name;
}

GUID Connection::Id(devsvc::IDeviceProfile* profile) const {
    GUID id{};
    if (profile)
        profile->Id(&id);
    return id;
}

uint32_t Connection::Revision() const {
    devsvc::InfoRecord info{};
    if (!device || FAILED(device->Info(&info)))
        return 0;
    ::CoTaskMemFree(info.text);
    return info.reserved;
}

tarnsvc::MouseState ServiceTest::StoredState() const {
    tarnsvc::MouseState state;
    EXPECT_TRUE(tarnsvc::statefile::Parse(ReadBytes(m_statePath), state)) << "the state file does not parse";
    return state;
}

void ServiceTest::SetUp() {
    static std::atomic<int> counter{0};
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    m_folder = std::wstring(temp) + L"tarnsvc-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
               std::to_wstring(++counter);
    RemoveTree(m_folder);
    ASSERT_TRUE(::CreateDirectoryW(m_folder.c_str(), nullptr));
    m_statePath = m_folder + L"\\state.txt";
    SetEnv(L"TARN_DEVICE_STATE", m_statePath.c_str());
    SetEnv(L"TARN_DEVICE_SCENARIO", nullptr);
    SetEnv(L"TARN_DEVICE_FAULT", nullptr);
    SetEnv(L"TARN_DEVICE_FAULT_FIRED", nullptr);
}

void ServiceTest::TearDown() {
    SetEnv(L"TARN_DEVICE_STATE", nullptr);
    SetEnv(L"TARN_DEVICE_SCENARIO", nullptr);
    SetEnv(L"TARN_DEVICE_FAULT", nullptr);
    SetEnv(L"TARN_DEVICE_FAULT_FIRED", nullptr);
    EXPECT_TRUE(tarnsvc::CanUnloadModule()) << "a test leaked a COM object";
    RemoveTree(m_folder);
}

Connection ServiceTest::Connect(ULONG index) {
    Connection c;
    EXPECT_EQ(S_OK, tarnsvc::CreateEnumerator(devsvc::kIidEnumerator, c.enumerator.put_void()));
    if (c.enumerator && SUCCEEDED(c.enumerator->Device(index, c.device.put())) && c.device)
        c.device->Feature(devsvc::kIidProfiles, c.profiles.put_void());
    EXPECT_TRUE(c.profiles) << "no device " << index;
    return c;
}

}  // namespace svctest
