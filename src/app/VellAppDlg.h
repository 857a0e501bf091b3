// The main window: a frameless skinned dialog drawn from "MainPage.xml" that
// holds the six pages (every page file is read at start, its items shown or
// hidden as the user switches pages). It loads, navigates, routes the items'
// commands and notifications to the page logic, and sends the configuration
// to the mouse on Apply and OK; the pages do the rest.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "app/pages/Page.h"
#include "controls/CommandRoutes.h"
#include "controls/PageLayer.h"
#include "controls/Panel.h"
#include "model/MouseDevice.h"

class CAssignPage;
class CBitmapBtn;
class CMacrosPage;
class CPerformancePage;
class CProfilesPage;
class CTextItem;
class CVellConfig;
class CMouseConfig;

class CVellAppDlg : public CGUIPanel, private IPageHost {
public:
    // Neither is owned; both may be null (no mouse link).
    CVellAppDlg(CVellConfig* config, IMouseDevice* device);
    ~CVellAppDlg() override;

    // The window property that holds the performance-counter value at the
    // end of the first paint, for start-up measurements.
    static constexpr wchar_t kFirstPaintProperty[] = L"TarnFirstPaint";
    // Posted by the device link when a write has ended: wParam the WriteOutcome.
    static constexpr UINT kWriteDoneMessage = WM_APP + 1;
    // Posted after the first paint: read the page files not read yet.
    static constexpr UINT kLoadPagesMessage = WM_APP + 2;
    // The one-shot timer that reports a missing mouse, and the bound on how
    // long OK waits for a write before it gives up.
    static constexpr UINT_PTR kNoDeviceTimer = 1;
    static constexpr UINT kNoDeviceDelayMs = 500;
    static constexpr UINT_PTR kCloseWaitTimer = 2;
    static constexpr UINT kCloseWaitMs = 15000;

    uint32_t CurrentPage() const override { return m_currentPage; }
    void SwitchPage(uint32_t flag) override;
    // Sends the whole configuration to the mouse. While a write runs the
    // request is kept and sent when that write ends, so the mouse always ends
    // up with the last state. False when there is no mouse to write to.
    bool Apply();
    // Where the run's first write keeps a backup of the mouse (a dated folder
    // for each run, the newest ten kept); the save folder's "backup" by default.
    void SetBackupFolder(std::wstring root) { m_backupRoot = std::move(root); }
    // Whether a write was asked for and has not ended yet.
    bool WritePending() const { return m_writing || m_writeQueued; }
    // Whether the window shows settings the mouse does not hold (as far as
    // the last read or checked write tells).
    bool HasUnsavedChanges();
    // What the status beside Apply says of the last write.
    enum class WriteStatus { kNone, kWriting, kWritten, kFailed, kDiffers };
    WriteStatus LastWriteStatus() const { return m_writeStatus; }
    // The first part of the mouse that did not take the last write (kDiffers).
    const std::wstring& WriteDifference() const { return m_writeDifference; }
    // The items of page 0..5, its page file read first if it was not yet.
    const ItemList& PageItems(int index);
    // The manage-profiles page's logic; null without a configuration.
    CProfilesPage* ProfilesPage() const { return m_profiles.get(); }
    CMacrosPage* MacrosPage() const { return m_macros.get(); }
    CPerformancePage* PerformancePage() const { return m_performance.get(); }

protected:
    bool OnInitDialog() override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // IPageHost
    HWND Window() const override { return Handle(); }
    void RefreshPages() override;
    void ShowProfile() override;
    INT_PTR RunPopup(CPopupBox& popup) override;
    bool MouseHoldsAllShown() override { return !HasUnsavedChanges(); }
    void MouseTookImport(bool heldAllBefore) override;

    // Reads the page files of the flags not read yet and binds every page
    // whose files are all read.
    void LoadPages(uint32_t flags);
    std::array<CPage*, 4> Pages() const;
    void BindMainItems();
    // Reads the whole configuration; false (and no profile left) when the
    // mouse cannot be read whole.
    bool ReadMouse();
    // Drops the window's edits and reads everything from the mouse again.
    bool ReloadFromMouse();
    void OnMouseChanged(bool closing);
    // A write that did not reach the mouse: why (a language key), and that
    // the edits are kept.
    void ShowWriteFailed(const wchar_t* reasonKey);
    const wchar_t* RefusedReason();
    void OpenManual();
    bool Recording() const;
    void OnItemCommand(HWND sender);
    bool OnNotify(UINT message, WPARAM wParam, LPARAM lParam);
    // The current page's items; null before the first switch.
    const ItemList* CurrentItems() const;
    // The page whose files hold the item, when it is an item of the current page.
    CPage* PageOfCurrentItem(CGUIItem* item) const;
    CPage* PageOf(uint32_t flag) const;
    bool StartWrite();
    void OnWriteDone(WriteOutcome outcome);
    // Compares what the write sent with what it read back; false (with the
    // first line that differs) when the mouse holds something else.
    bool CheckWritten(const CMouseConfig* readBack, std::wstring& difference);
    // The mark on Apply and the status text, from the configuration.
    void ShowUnsaved();
    void ShowWriteStatus(WriteStatus status, const std::wstring& detail = {});
    // Closing: asks first when the mouse lacks what the window shows.
    void OnCloseRequest();
    void RequestClose();
    void ShowNoMouse();
    // After a write: settles the run's backup, saying when it failed.
    void TakeBackupReport(bool written);

    CVellConfig* m_config;
    IMouseDevice* m_device;
    HICON m_icon = nullptr;  // shared resource icon: never destroyed
    // Each page's items live in a layer of their own (created with the page).
    std::array<std::unique_ptr<controls::CPageLayer>, kPageCount> m_layers;
    std::array<ItemList, kPageCount> m_pageItems;
    uint32_t m_loadedPages = 0;  // flags of the page files read
    uint32_t m_boundPages = 0;   // flags of the pages bound to their items
    std::unique_ptr<CAssignPage> m_assign;
    std::unique_ptr<CPerformancePage> m_performance;
    std::unique_ptr<CProfilesPage> m_profiles;
    std::unique_ptr<CMacrosPage> m_macros;
    CommandRoutes m_routes;  // the main page's buttons
    uint32_t m_currentPage = 0;
    CTextItem* m_profileInfo = nullptr;
    CTextItem* m_profileName = nullptr;
    std::wstring m_profileLabel;
    CTextItem* m_writeStatusText = nullptr;
    CBitmapBtn* m_applyButton = nullptr;
    std::wstring m_applyCaption;
    std::wstring m_heldImage;  // what the mouse holds, by the last read or checked write
    std::wstring m_sentImage;  // what the running write sends
    bool m_unsavedShown = false;
    WriteStatus m_writeStatus = WriteStatus::kNone;
    std::wstring m_writeDifference;
    bool m_writing = false;      // a write runs
    bool m_writeQueued = false;  // Apply came while it ran
    bool m_closeAfterWrite = false;
    bool m_wroteOver = false;  // the write runs over another program's changes
    bool m_painted = false;
    std::wstring m_backupRoot;
    // The run's backup is on disk, or moot: a write went without it.
    bool m_backupSettled = false;
};
