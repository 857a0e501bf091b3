// The device link: finds the mouse through the device service, reads its
// capabilities and copies the configuration to and from it. Every operation
// opens its own connection and closes it before returning; a write runs on a
// worker thread, with a connection of its own, from a copy of the
// configuration taken when it was asked for, so the window may change the
// configuration meanwhile.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/Backup.h"
#include "device/DeviceService.h"
#include "device/ProfileTransfer.h"
#include "model/MouseDevice.h"
#include "win/ComPtr.h"
#include "win/Handles.h"

namespace devlink {

// A connection: the service object and the device of the wanted product.
struct Link {
    win::ComPtr<devsvc::IDeviceEnumerator> service;
    win::ComPtr<devsvc::IDevice> device;
    uint32_t revision = 0;  // the mouse's, when the link was opened; 0 when the service keeps none
    void Close() noexcept {
        device.reset();
        service.reset();
    }
};

struct WorkerState;
struct WriteJob;

}  // namespace devlink

class CMouse : public IMouseDevice {
public:
    // Pause after a write before the next may start, so the mouse settles.
    static constexpr DWORD kSettleDelayMs = 500;
    // How long destruction waits for a running write.
    static constexpr DWORD kDestroyWaitMs = 7500;

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
    bool ImportMacro(const wchar_t* path, CMouseConfig* config, std::wstring* nameInFile = nullptr) override;
    bool ExportMacro(const wchar_t* path, CMacro* macro) override;
    bool IsMacroOnDevice(CMacro* macro) override;
    bool ImportProfile(const wchar_t* path, CMouseConfig* config, std::wstring* nameInFile = nullptr) override;
    bool ExportProfile(const wchar_t* path, CMouseProfile* profile) override;
    bool IsProfileOnDevice(CMouseProfile* profile) override;
    // Read: at once; whether every section asked for was read.
    // Write: takes a copy of the configuration, starts the worker and returns
    // whether it started; the window's thread does nothing else. Refused
    // while a write runs. Identities that the mouse gives to new profiles and
    // macros reach the configuration on the window's thread once the worker
    // has ended (IsBusy, WaitUntilIdle or the next operation).
    bool Synchronize(CMouseConfig* config, SyncDirection direction, uint32_t sections) override;
    uint8_t IsConnected() override;
    bool GetFirmwareVersion(std::wstring& out) override;
    bool GetDriverVersion(std::wstring& out) override;
    uint16_t GetProductId() override;

    void NotifyWritesTo(HWND window, UINT message) override;
    // The backup runs on the write's worker, on its connection, before it
    // writes anything.
    void BackUpBeforeNextWrite(const std::wstring& root) override;
    BackupReport TakeBackupReport() override;
    // A backup of the whole mouse into `dir`, and a restore from one (see
    // device/Backup.h), at once on a connection of their own; refused while
    // a write runs. A restore leaves configurations read before it stale.
    backup::Result Backup(const std::wstring& dir);
    backup::Result Restore(const std::wstring& dir);
    // Waits for a running write to end; false when it still runs after the timeout.
    bool WaitUntilIdle(DWORD timeoutMs);
    // Whether the last write that ended wrote every section it was asked for.
    bool LastWriteSucceeded() const;
    void WriteOverChanges() override { m_overChanges = true; }
    DeviceLimits GetLimits() override { return m_limits; }
    std::unique_ptr<CMouseConfig> TakeReadBack() override;
    // The mouse's revision when this link last read or wrote it (0: the
    // service keeps none).
    uint32_t Revision() const { return m_revision; }
    // Capabilities read by Initialize.
    const std::vector<uint32_t>& SupportedButtonBits() const { return m_caps.buttonBits; }
    const std::vector<uint32_t>& SupportedKeyIds() const { return m_caps.keyIds; }

    // Tests only: shortens the pause after a write.
    void SetSettleDelayForTesting(DWORD milliseconds) { m_settleDelay = milliseconds; }

private:
    bool Connect();
    void Disconnect() noexcept { m_link.Close(); }
    bool ReadProfileList(CMouseConfig& config);
    bool ReadPollingIntervals();
    bool ReadSections(CMouseConfig& config, uint32_t sections);
    bool StartWrite(CMouseConfig& config, uint32_t sections);
    // Hands the identities of an ended write to the configuration.
    void CollectWrite();
    // What this link saw on the mouse: the profiles and macros of `config`.
    void RememberMouse(const CMouseConfig& config);
    // After an import on the open connection: the revision moves on with our
    // own change, and the new profile or macro is one this link knows.
    void NoteOwnChange(const GUID* profile, const GUID* macro);
    // Reads every section into a fresh configuration on a connection of its
    // own, for the worker; null when it cannot be read whole.
    static std::unique_ptr<CMouseConfig> ReadBack(uint32_t product, uint32_t& revision);
    static DWORD WINAPI WorkerMain(void* param) noexcept;

    devlink::Link m_link;
    uint32_t m_product = 0;
    uint8_t m_found = 0;
    devlink::DeviceCaps m_caps;
    std::vector<uint32_t> m_pollingIntervals;
    std::wstring m_firmwareVersion;
    std::wstring m_driverVersion;
    std::shared_ptr<devlink::WorkerState> m_state;
    // The write that runs or has ended and not yet been collected; shared
    // with the worker. Only the window's thread touches the pointer.
    std::shared_ptr<devlink::WriteJob> m_job;
    win::UniqueHandle m_worker;
    HWND m_notifyWindow = nullptr;
    UINT m_notifyMessage = 0;
    DWORD m_settleDelay = kSettleDelayMs;
    std::wstring m_backupRoot;   // asked of the next write
    BackupReport m_backupReport;  // of the last write collected
    // What the last read or write saw of the mouse; a write removes only
    // those of its profiles and macros that the user deleted.
    uint32_t m_revision = 0;
    std::vector<GUID> m_knownProfiles;
    std::vector<GUID> m_knownMacros;
    DeviceLimits m_limits;
    bool m_overChanges = false;  // asked of the next write
    std::unique_ptr<CMouseConfig> m_readBack;  // of the last write collected
};
