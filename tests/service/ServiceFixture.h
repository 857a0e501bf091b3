// Shared set-up of the service tests: a temporary folder per test that holds
// the state file, a clean environment, and short ways to reach the objects.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "EmulatedService.h"
#include "MouseState.h"
#include "device/DeviceService.h"
#include "win/ComPtr.h"

namespace svctest {

using win::ComPtr;

std::string ReadBytes(const std::wstring& path);  // empty when missing
void WriteBytes(const std::wstring& path, const std::string& bytes);
bool Exists(const std::wstring& path);
bool IsFolder(const std::wstring& path);
// A copy of the bytes in a block of the task allocator, as a caller hands
// buffers to the service.
win::CoTaskMemPtr<BYTE> TaskCopy(const void* data, size_t size);
// A macro's event buffer, header included (its count gives the length);
// empty when the call fails.
std::vector<uint8_t> EventBytes(devsvc::IMacroItem* macro);

// Everything a test needs of one open connection. Every change is in the
// state file once its call returns.
struct Connection {
    ComPtr<devsvc::IDeviceEnumerator> enumerator;
    ComPtr<devsvc::IDevice> device;
    ComPtr<devsvc::IDeviceProfiles> profiles;

    ComPtr<devsvc::IDeviceProfile> Profile(ULONG index) const;
    ULONG ProfileCount() const;
    std::wstring Name(devsvc::IDeviceProfile* profile) const;
    GUID Id(devsvc::IDeviceProfile* profile) const;
    uint32_t Revision() const;  // the Info record's reserved word; 0 when it fails
    template <typename I>
    ComPtr<I> DeviceFeature(REFIID iid) const {
        ComPtr<I> out;
        device->Feature(iid, out.put_void());
        return out;
    }
    template <typename I>
    static ComPtr<I> ProfileFeature(devsvc::IDeviceProfile* profile, REFIID iid) {
        ComPtr<I> out;
        if (profile)
            profile->Feature(iid, out.put_void());
        return out;
    }
};

class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A new connection to device `index`; fails the test when there is none.
    Connection Connect(ULONG index = 0);
    const std::wstring& Folder() const { return m_folder; }
    const std::wstring& StatePath() const { return m_statePath; }  // a full path
    // The state file as it is now; fails the test when it does not parse.
    tarnsvc::MouseState StoredState() const;
    static void SetEnv(const wchar_t* name, const wchar_t* value) { ::SetEnvironmentVariableW(name, value); }

private:
    std::wstring m_folder;
    std::wstring m_statePath;
};

}  // namespace svctest
