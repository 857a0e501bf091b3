// The device link: finds the mouse through the device service, reads its
// capabilities and copies the configuration to and from it. Every operation
// opens its own connection and closes it before returning; a write runs on a
// worker thread with its own connection and a private copy of the
// configuration, so the window may change the configuration meanwhile.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/DeviceService.h"
#include "model/MouseDevice.h"
#include "win/ComPtr.h"
#include "win/Handles.h"

namespace devlink {

// A connection: the service object and the device of the wanted product.
struct Link {
    win::ComPtr<devsvc::IDeviceEnumerator> service;
    win::ComPtr<devsvc::IDevice> device;
    void Close() noexcept {
        device.reset();
        service.reset();
    }
};

// Shared by the link and its worker, so a worker that outlives the
// destructor's wait touches nothing that is gone.
struct WorkerState {
    std::atomic<bool> busy{false};
    std::atomic<bool> lastResult{false};
};

// What a write needs, copied from the configuration when it is requested.
struct WriteJob;

}  // namespace devlink

class CMouse : public IMouseDevice {
public:
    // Pause after a write before the next may start, so the mouse settles.
    static constexpr DWORD kSettleDelayMs = 500;
    // How long destruction waits for a running write.
    static constexpr DWORD kDestroyWaitMs = 7500;

    // Section flags of Synchronize.
    static constexpr uint32_t kSectionAssignments = 0x01;
    static constexpr uint32_t kSectionLights = 0x02;
    static constexpr uint32_t kSectionSensitivity = 0x04;
    static constexpr uint32_t kSectionMacros = 0x08;
    static constexpr uint32_t kSectionPolling = 0x10;
    static constexpr uint32_t kSectionAcceleration = 0x20;
    static constexpr uint32_t kSectionColourRanges = 0x40;  // product 25 only
    static constexpr uint32_t kSectionsAll = 0x7F;
    static constexpr int kDirectionWrite = 0;
    static constexpr int kDirectionRead = 1;

    CMouse();
    CMouse(const CMouse&) = delete;
    CMouse& operator=(const CMouse&) = delete;
    ~CMouse() override;

    bool Initialize(CMouseConfig* config, const uint16_t* productId) override;
    void Reset() override;
    int GetPollingRateCount() override;
    int GetPollingRate(int index) override;
    int GetMaxProfiles() override;
    int GetDeviceProfileCount() override;
    bool IsBusy() override;
    // CreateMacro, LoadMacro and DeleteAllMacros work on a connection that is
    // already open; without one they fail.
    bool CreateMacro(CMacro* macro) override;
    bool LoadMacro(GUID id, CMacro* macro) override;
    bool DeleteAllMacros() override;
    bool ImportMacro(const wchar_t* path, CMouseConfig* config) override;
    bool ExportMacro(const wchar_t* path, CMacro* macro) override;
    bool IsMacroOnDevice(CMacro* macro) override;
    bool ImportProfile(const wchar_t* path, CMouseConfig* config) override;
    bool ExportProfile(const wchar_t* path, CMouseProfile* profile) override;
    bool IsProfileOnDevice(CMouseProfile* profile) override;
    // Read: at once, the result is whether every section asked for was read.
    // Write: prepares the device's profile and macro lists (identities are
    // stored into the configuration), then starts the worker on a copy of
    // the configuration and returns whether it started. Refused while a
    // write runs.
    bool Synchronize(CMouseConfig* config, int direction, uint32_t flags) override;
    uint8_t IsConnected() override;
    bool GetFirmwareVersion(std::wstring& out) override;
    bool GetDriverVersion(std::wstring& out) override;
    uint16_t GetProductId() override;

    // Waits for a running write to end; false when it still runs after the timeout.
    bool WaitUntilIdle(DWORD timeoutMs);
    // Whether the last write that ended wrote every section it was asked for.
    bool LastWriteSucceeded() const;
    // Capabilities read by Initialize.
    const std::vector<uint32_t>& SupportedButtonBits() const { return m_buttonBits; }
    const std::vector<uint32_t>& SupportedKeyIds() const { return m_keyIds; }

    // Tests only: shortens the pause after a write.
    void SetSettleDelayForTesting(DWORD milliseconds) { m_settleDelay = milliseconds; }

private:
    bool Connect();
    void Disconnect() noexcept { m_link.Close(); }
    bool ReadProfileList(CMouseConfig& config);
    bool ReadCapabilities(devsvc::IDeviceProfile* active);
    bool ReadPollingIntervals();
    bool ReadSections(CMouseConfig& config, uint32_t flags);
    // Phase one of a write, on the window's thread.
    bool PrepareDevice(CMouseConfig& config, uint32_t flags);
    bool StartWrite(CMouseConfig& config, uint32_t flags);
    static DWORD WINAPI WorkerMain(void* param) noexcept;

    devlink::Link m_link;
    uint32_t m_product = 0;
    uint8_t m_found = 0;
    std::vector<uint32_t> m_buttonBits;
    std::vector<uint32_t> m_keyIds;
    std::vector<uint32_t> m_pollingIntervals;
    std::wstring m_firmwareVersion;
    std::wstring m_driverVersion;
    std::shared_ptr<devlink::WorkerState> m_state;
    win::UniqueHandle m_worker;  // only the window's thread touches it
    DWORD m_settleDelay = kSettleDelayMs;
};
