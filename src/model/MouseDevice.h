// The device link's abstract interface: the program's only way to the mouse.
// The configuration holds a pointer to it (not owned) and reads the number of
// supported polling rates from it when attached. It is declared here, beside
// the model that calls it; the device layer (CMouse) implements it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

class CMouseConfig;
class CMouseProfile;
class CMacro;

// Which way Synchronize copies: to the mouse (on a worker thread) or from it.
enum class SyncDirection : int32_t { Write = 0, Read = 1 };

// The parts of the configuration a transfer covers.
// What became of the backup a write was asked to keep before it wrote.
struct BackupReport {
    bool asked = false;   // the write that ended was asked to back up first
    bool saved = false;   // and the backup is complete on disk
    std::wstring detail;  // the backup's folder, or what went wrong
};

// What became of a write: the window's write message carries it in wParam.
enum class WriteOutcome : int32_t {
    kFailed = 0,   // the mouse did not answer, or a step of the write failed
    kWritten = 1,  // every section went
    kChanged = 2,  // another program changed the mouse since it was read: nothing was written
    kRefused = 3,  // more than the mouse holds (profiles, macros, events, a program path): nothing was written
};

// What the mouse holds at most.
struct DeviceLimits {
    int32_t profiles = 5;
    int32_t macros = 200;
    int32_t eventsPerMacro = 16384;
    int32_t programPathChars = 127;
};

enum SyncSection : uint32_t {
    kSectionAssignments = 0x01,   // button and key assignments, each profile
    kSectionLights = 0x02,        // each profile
    kSectionSensitivity = 0x04,   // stages, each profile
    kSectionMacros = 0x08,        // device
    kSectionPolling = 0x10,       // device
    kSectionAcceleration = 0x20,  // device
    kSectionColourRanges = 0x40,  // device, product 25 only
    kSectionsAll = 0x7F,
};

class IMouseDevice {
public:
    virtual ~IMouseDevice() = default;

    virtual bool Initialize(CMouseConfig* config, const uint16_t* productId) = 0;
    virtual void Reset() = 0;
    virtual int GetPollingRateCount() = 0;
    virtual int GetPollingRate(int index) = 0;
    virtual int GetMaxProfiles() = 0;
    virtual int GetDeviceProfileCount() = 0;
    virtual bool IsBusy() = 0;
    virtual bool CreateMacro(CMacro* macro) = 0;
    virtual bool LoadMacro(GUID id, CMacro* macro) = 0;
    virtual bool DeleteAllMacros() = 0;
    // An import whose name is taken here is made a copy, named as Copy names
    // one ("Game00"), on the mouse as in the list; `nameInFile` (if given)
    // then gets the file's name, else is cleared.
    virtual bool ImportMacro(const wchar_t* path, CMouseConfig* config, std::wstring* nameInFile = nullptr) = 0;
    virtual bool ExportMacro(const wchar_t* path, CMacro* macro) = 0;
    virtual bool IsMacroOnDevice(CMacro* macro) = 0;
    virtual bool ImportProfile(const wchar_t* path, CMouseConfig* config, std::wstring* nameInFile = nullptr) = 0;
    virtual bool ExportProfile(const wchar_t* path, CMouseProfile* profile) = 0;
    virtual bool IsProfileOnDevice(CMouseProfile* profile) = 0;
    // sections: SyncSection bits. Any direction but the two fails.
    virtual bool Synchronize(CMouseConfig* config, SyncDirection direction, uint32_t sections) = 0;
    virtual uint8_t IsConnected() = 0;
    virtual bool GetFirmwareVersion(std::wstring& out) = 0;
    virtual bool GetDriverVersion(std::wstring& out) = 0;
    virtual uint16_t GetProductId() = 0;
    // The window told when a write has ended: message(WriteOutcome, 0),
    // posted once the link is free for the next write.
    virtual void NotifyWritesTo(HWND window, UINT message) = 0;
    // Asks the next write to keep a backup of everything on the mouse first,
    // in a new dated folder under `root`. The write goes ahead whether or not
    // the backup could be saved.
    virtual void BackUpBeforeNextWrite(const std::wstring& root) { (void)root; }
    // Once that write has ended: what became of its backup (once; afterwards
    // nothing is asked until the next request).
    virtual BackupReport TakeBackupReport() { return {}; }
    // The next write goes ahead although another program changed the mouse
    // since it was read: what that program added stays on the mouse.
    virtual void WriteOverChanges() {}
    // The mouse's limits, as far as it tells them.
    virtual DeviceLimits GetLimits() { return {}; }
    // What the mouse held right after the last write that ended, read back
    // by the write itself (null when it could not be read); once.
    virtual std::unique_ptr<CMouseConfig> TakeReadBack();  // none by default
};
