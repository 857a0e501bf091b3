#include "app/VellAppDlg.h"

#include "app/Manual.h"
#include "app/pages/AssignPage.h"
#include "app/MouseImage.h"
#include "app/pages/PerformancePage.h"
#include "controls/BitmapBtn.h"
#include "device/Mouse.h"
#include "app/pages/MacrosPage.h"
#include "app/pages/ProfilesPage.h"
#include "app/resource.h"
#include "controls/CheckBoxLink.h"
#include "controls/TextItem.h"
#include "macro/Macro.h"
#include "model/MouseDevice.h"
#include "model/VellConfig.h"
#include "popups/VellWarningDlg.h"
#include "skin/LangTable.h"
#include "skin/ControlIds.h"
#include "skin/SkinLoader.h"

namespace {

constexpr COLORREF kColourKey = RGB(255, 0, 255);
constexpr wchar_t kTitle[] = L"Korvo Tarn Configurator";
constexpr wchar_t kNoMousePopup[] = L"NoMousePopup.xml";
constexpr wchar_t kUnsavedPopup[] = L"UnsavedChangesPopup.xml";
constexpr wchar_t kBackupFailedPopup[] = L"BackupFailedPopup.xml";
constexpr wchar_t kMouseChangedPopup[] = L"MouseChangedPopup.xml";
constexpr wchar_t kWriteFailedPopup[] = L"WriteFailedPopup.xml";

std::wstring Said(const wchar_t* key) {
    std::wstring text;
    return lang::Resolve(key, text) ? text : std::wstring(key);
}

// The tabs, and the page each one shows pressed.
struct Tab {
    int32_t id;
    uint32_t pages;
};
constexpr Tab kTabs[] = {
    {ctl::BUTTON_ASSIGNBUTTONS, kPageTopView | kPageThumbGrid},
    {ctl::BUTTON_ADJUSTPERFORMANCE, kPagePerformance},
    {ctl::BUTTON_MANAGEPROFILES, kPageProfiles},
    {ctl::BUTTON_MANAGEMACROS, kPageMacros},
    {ctl::BUTTON_LIGHTINGMAINTENANCE, kPageLighting},
};

void CentreOnWorkArea(HWND hwnd) {
    RECT rc = {};
    GetWindowRect(hwnd, &rc);
    RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int x = work.left + ((work.right - work.left) - (rc.right - rc.left)) / 2;
    const int y = work.top + ((work.bottom - work.top) - (rc.bottom - rc.top)) / 2;
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The lowest page bit of a flag; 0 when none of the six is set.
uint32_t LowestPage(uint32_t flag) {
    for (int i = 0; i < kPageCount; ++i) {
        if (flag & PageFlagAt(i))
            return PageFlagAt(i);
    }
    return 0;
}

}  // namespace

CVellAppDlg::CVellAppDlg(CVellConfig* config, IMouseDevice* device)
    : CGUIPanel(L"MainPage.xml", IDD_MAIN, nullptr), m_config(config), m_device(device) {
    if (m_config != nullptr)
        m_backupRoot = m_config->ProfileFolder() + L"backup\\";
    m_routes.On(ctl::BUTTON_HELP, [this] { OpenManual(); });
    m_routes.On({ctl::BUTTON_EXIT, ctl::BUTTON_CANCEL}, [this] { RequestClose(); });
    m_routes.On(ctl::BUTTON_APPLY, [this] { Apply(); });
    m_routes.On(ctl::BUTTON_OK, [this] {
        // Closes once the last state is on the mouse; a failed write keeps
        // the window and the edits.
        if (!Apply())
            return;
        m_closeAfterWrite = true;
        SetTimer(Handle(), kCloseWaitTimer, kCloseWaitMs, nullptr);
    });
    m_routes.On(ctl::BUTTON_ASSIGNBUTTONS, [this] { SwitchPage(kPageTopView); });
    m_routes.On(ctl::BUTTON_ADJUSTPERFORMANCE, [this] { SwitchPage(kPagePerformance); });
    m_routes.On(ctl::BUTTON_MANAGEPROFILES, [this] { SwitchPage(kPageProfiles); });
    m_routes.On(ctl::BUTTON_MANAGEMACROS, [this] { SwitchPage(kPageMacros); });
    m_routes.On(ctl::BUTTON_LIGHTINGMAINTENANCE, [this] { SwitchPage(kPageLighting); });
}

CVellAppDlg::~CVellAppDlg() {
    // The pages point into the item lists; the lists go last page first,
    // each last item first.
    m_assign.reset();
    m_performance.reset();
    m_profiles.reset();
    m_macros.reset();
    for (auto list = m_pageItems.rbegin(); list != m_pageItems.rend(); ++list) {
        while (!list->empty())
            list->pop_back();
    }
}

bool CVellAppDlg::OnInitDialog() {
    CGUIPanel::OnInitDialog();
    HWND hwnd = Handle();
    m_icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINICON));
    SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
    // A layered window stays invisible until its attributes are set; magenta
    // is the skin's transparent colour.
    SetLayeredWindowAttributes(hwnd, kColourKey, 255, LWA_COLORKEY);
    SetWindowTextW(hwnd, kTitle);
    CentreOnWorkArea(hwnd);
    if (m_device != nullptr)
        m_device->NotifyWritesTo(hwnd, kWriteDoneMessage);

    if (m_config != nullptr) {
        IPageHost& host = *this;
        m_assign = std::make_unique<CAssignPage>(*m_config, m_device, host, m_pageItems[0], m_pageItems[1]);
        m_performance =
            std::make_unique<CPerformancePage>(*m_config, m_device, host, m_pageItems[2], m_pageItems[5]);
        m_profiles = std::make_unique<CProfilesPage>(*m_config, m_device, host, m_pageItems[3], m_assign.get());
        m_macros = std::make_unique<CMacrosPage>(*m_config, m_device, host, m_pageItems[4], m_assign.get());
    }
    // The page the window opens with and its other view before the first
    // paint; the other page files right after it (kLoadPagesMessage).
    LoadPages(kPageTopView | kPageThumbGrid);
    BindMainItems();
    SwitchPage(kPageTopView);

    // A mouse that is missing, or whose configuration cannot be read whole,
    // is reported after half a second and the program ends: the pages never
    // show a half-read configuration.
    bool ready = false;
    if (m_device != nullptr && m_config != nullptr && m_device->IsConnected())
        ready = ReadMouse() && m_config->GetCurrentProfile() != nullptr;
    if (ready)
        RefreshPages();
    else
        SetTimer(hwnd, kNoDeviceTimer, kNoDeviceDelayMs, nullptr);
    return true;
}

void CVellAppDlg::LoadPages(uint32_t flags) {
    HWND hwnd = Handle();
    flags &= ~m_loadedPages;
    if (flags != 0) {
        // A page's items are made in its layer while the layer is hidden:
        // nothing of a hidden page shows for a moment.
        for (int i = 0; i < kPageCount; ++i) {
            const uint32_t flag = PageFlagAt(i);
            if ((flags & flag) == 0)
                continue;
            m_loadedPages |= flag;
            auto& layer = m_layers[static_cast<size_t>(i)];
            layer = std::make_unique<controls::CPageLayer>();
            HWND parent = layer->Create(*this);
            ItemList& items = m_pageItems[static_cast<size_t>(i)];
            skin::LoadSkinFile(kPageFiles[i], items, parent != nullptr ? parent : hwnd, this);
            if (parent != nullptr && flag == m_currentPage)
                ShowWindow(parent, SW_SHOWNA);
        }
    }
    const bool haveProfile = m_config != nullptr && m_config->GetCurrentProfile() != nullptr;
    for (CPage* page : Pages()) {
        if (page == nullptr || (page->Flags() & m_boundPages) != 0 || (page->Flags() & ~m_loadedPages) != 0)
            continue;
        m_boundPages |= page->Flags();
        page->Bind();
        if (haveProfile)
            page->Refresh();
    }
}

const ItemList& CVellAppDlg::PageItems(int index) {
    LoadPages(PageFlagAt(index));
    return m_pageItems[static_cast<size_t>(index)];
}

std::array<CPage*, 4> CVellAppDlg::Pages() const {
    return {m_assign.get(), m_performance.get(), m_profiles.get(), m_macros.get()};
}

void CVellAppDlg::BindMainItems() {
    m_profileInfo = FindItemAs<CTextItem>(ctl::TEXT_PROFILEINFO, kItemText);
    m_profileName = FindItemAs<CTextItem>(ctl::TEXT_PROFILENAME, kItemText);
    m_writeStatusText = FindItemAs<CTextItem>(ctl::TEXT_WRITESTATUS, kItemText);
    m_applyButton = FindItemAs<CBitmapBtn>(ctl::BUTTON_APPLY, kItemButton);
    if (m_applyButton != nullptr)
        m_applyCaption = m_applyButton->Caption();
    // The indicator shows the skin's label followed by ": ".
    if (m_profileInfo != nullptr) {
        m_profileLabel = m_profileInfo->GetText();
        m_profileInfo->SetPlainText(m_profileLabel + lang::NameSeparator());
    }
}

bool CVellAppDlg::ReadMouse() {
    if (!m_device->Synchronize(m_config, SyncDirection::Read, kSectionsAll)) {
        // Never half a configuration that Apply would write back: a mouse
        // that cannot be read whole is no mouse.
        m_config->ClearProfiles();
        m_device->Reset();
        return false;
    }
    m_heldImage = app::MouseImage(*m_config);
    if (m_config->GetProfileCount() == 0) {
        // A mouse that holds no profile starts from the factory profile,
        // which Apply puts on it.
        std::wstring name;
        if (!lang::Resolve(L"$profile1", name))
            name = L"Profile 1";
        m_config->CreateProfile(name.c_str());
    }
    if (m_config->GetCurrentProfile() == nullptr && m_config->GetProfileCount() > 0)
        m_config->SetCurrentProfile(m_config->ProfileAt(0));
    return true;
}

bool CVellAppDlg::ReloadFromMouse() {
    // Everything is read anew, as at start; the pages show it.
    while (m_config->GetMacroCount() > 0)
        m_config->DeleteMacro(m_config->MacroAt(0));
    const uint16_t product = m_device->GetProductId();
    const bool read = m_device->Initialize(m_config, &product) && ReadMouse();
    if (!read)
        m_config->ClearProfiles();
    RefreshPages();
    ShowUnsaved();
    return read;
}

void CVellAppDlg::ShowProfile() {
    if (m_profileName == nullptr)
        return;
    const CMouseProfile* current = m_config != nullptr ? m_config->GetCurrentProfile() : nullptr;
    const std::wstring name = current != nullptr ? current->GetName() : std::wstring();
    // The indicator repaints the window's background behind it: only when it changes.
    if (m_profileName->GetText() != name)
        m_profileName->SetPlainText(name);
}

void CVellAppDlg::RefreshPages() {
    ShowProfile();
    if (m_config == nullptr || m_config->GetCurrentProfile() == nullptr)
        return;
    for (CPage* page : Pages()) {
        if (page != nullptr && (page->Flags() & m_boundPages) != 0)
            page->Refresh();
    }
}

void CVellAppDlg::MouseTookImport(bool heldAllBefore) {
    if (heldAllBefore)
        m_heldImage = app::MouseImage(*m_config);
    ShowUnsaved();
}

INT_PTR CVellAppDlg::RunPopup(CPopupBox& popup) {
    return popup.RunModal();
}

void CVellAppDlg::SwitchPage(uint32_t flag) {
    const uint32_t page = LowestPage(flag);
    if (page == 0 || page == m_currentPage)
        return;
    // With the other page files of the page's logic (it binds once all are read).
    const CPage* logic = PageOf(page);
    LoadPages(page | (logic != nullptr ? logic->Flags() : 0u));
    // One layer hides and another shows; what changed paints at the next
    // paint, so two pages' controls are never on screen together.
    const auto layerOf = [this](uint32_t pageFlag) -> HWND {
        for (int i = 0; i < kPageCount; ++i) {
            if (PageFlagAt(i) == pageFlag && m_layers[static_cast<size_t>(i)] != nullptr)
                return m_layers[static_cast<size_t>(i)]->Handle();
        }
        return nullptr;
    };
    HWND before = layerOf(m_currentPage);
    HWND after = layerOf(page);
    m_currentPage = page;
    // Of the performance page's sliders, the two check buttons say which
    // belong on screen.
    if (page == kPagePerformance && m_performance != nullptr && (m_boundPages & kPagePerformance) != 0)
        m_performance->ShowViews();
    for (const Tab& tab : kTabs) {
        if (auto* button = dynamic_cast<ICheckBoxLink*>(FindItem(tab.id)))
            button->SetChecked((tab.pages & page) != 0 ? 1 : 0);
    }
    if (before != nullptr && before != after)
        ShowWindow(before, SW_HIDE);
    if (after != nullptr)
        ShowWindow(after, SW_SHOWNA);
}

bool CVellAppDlg::Recording() const {
    return m_macros != nullptr && m_macros->IsRecording();
}

CPage* CVellAppDlg::PageOf(uint32_t flag) const {
    for (CPage* page : Pages()) {
        if (page != nullptr && (page->Flags() & flag) != 0)
            return page;
    }
    return nullptr;
}

const ItemList* CVellAppDlg::CurrentItems() const {
    for (int i = 0; i < kPageCount; ++i) {
        if (PageFlagAt(i) == m_currentPage)
            return &m_pageItems[static_cast<size_t>(i)];
    }
    return nullptr;
}

CPage* CVellAppDlg::PageOfCurrentItem(CGUIItem* item) const {
    const ItemList* current = CurrentItems();
    if (item == nullptr || current == nullptr)
        return nullptr;
    for (const auto& candidate : *current) {
        if (candidate.get() == item)
            return PageOf(m_currentPage);
    }
    return nullptr;
}

void CVellAppDlg::OnItemCommand(HWND sender) {
    // The main page's items first, then the current page's; only the skin's
    // two button kinds give commands here.
    CGUIItem* item = FindItemByWindow(sender);
    const CommandRoutes* routes = &m_routes;
    if (item == nullptr) {
        const ItemList* current = CurrentItems();
        item = current != nullptr ? ::FindItemByWindow(*current, sender) : nullptr;
        CPage* page = PageOf(m_currentPage);
        routes = page != nullptr ? &page->Routes() : nullptr;
    }
    if (!IsButtonItem(item) || routes == nullptr)
        return;
    if (Recording() && item->Id() != ctl::BUTTON_MACRO_RECORD)
        return;
    routes->Run(item->Id());
}

bool CVellAppDlg::OnNotify(UINT message, WPARAM wParam, LPARAM lParam) {
    const ItemList* current = CurrentItems();
    if (current == nullptr)
        return false;
    // Who sent it: drop-down boxes name their window in lParam, the list
    // names it in wParam, sliders give a control id; the macro display
    // speaks only for the macro page.
    CGUIItem* sender = nullptr;
    switch (message) {
        case 0x614:
        case 0x634:
        case 0x5FC:
            sender = ::FindItemByWindow(*current, reinterpret_cast<HWND>(lParam));
            break;
        case 0x52C:
        case 0x52D:
        case 0x52E:
        case 0x604:
        case 0x608:
            sender = ::FindItemByWindow(*current, reinterpret_cast<HWND>(wParam));
            break;
        case 0x446: {
            // A slider names its thumb, which is no item of the page: the
            // page it belongs to is the current one.
            CPage* page = PageOf(m_currentPage);
            return page != nullptr && page->OnNotify(message, wParam, lParam, nullptr);
        }
        case 0x6BC:
        case 0x6BD:
            if (m_currentPage == kPageMacros && m_macros != nullptr)
                return m_macros->OnNotify(message, wParam, lParam, nullptr);
            return false;
        default:
            return false;
    }
    CPage* page = PageOfCurrentItem(sender);
    return page != nullptr && page->OnNotify(message, wParam, lParam, sender);
}

// ---- writing to the mouse -------------------------------------------------------

bool CVellAppDlg::Apply() {
    // Without a mouse at the last try the link looks for it again: a failed
    // write says so, it never does nothing.
    if (m_device == nullptr || m_config == nullptr || m_config->GetCurrentProfile() == nullptr)
        return false;
    if (m_writing) {
        // Sent when the running write ends: nothing edited meanwhile is lost.
        m_writeQueued = true;
        return true;
    }
    return StartWrite();
}

bool CVellAppDlg::StartWrite() {
    m_writeQueued = false;
    if (m_device->IsBusy()) {
        // A write of another caller: this one follows it.
        m_writeQueued = true;
        return true;
    }
    m_sentImage = app::MouseImage(*m_config);
    // The run's first write keeps what the mouse held before it.
    if (!m_backupSettled && !m_backupRoot.empty())
        m_device->BackUpBeforeNextWrite(m_backupRoot);
    if (!m_device->Synchronize(m_config, SyncDirection::Write, kSectionsAll)) {
        OnWriteDone(WriteOutcome::kFailed);
        return false;
    }
    m_writing = true;
    ShowWriteStatus(WriteStatus::kWriting);
    return true;
}

void CVellAppDlg::OnWriteDone(WriteOutcome outcome) {
    m_writing = false;
    const bool written = outcome == WriteOutcome::kWritten;
    TakeBackupReport(written);
    if (!written) {
        // The edits stay; Apply can be tried again.
        m_writeQueued = false;
        const bool closing = m_closeAfterWrite;
        m_closeAfterWrite = false;
        KillTimer(Handle(), kCloseWaitTimer);
        ShowWriteStatus(WriteStatus::kFailed);
        if (outcome == WriteOutcome::kChanged)
            OnMouseChanged(closing);
        else
            ShowWriteFailed(outcome == WriteOutcome::kRefused ? RefusedReason()
                            : m_device->IsConnected()         ? L"$WriteFailedStep"
                                                              : L"$WriteFailedNoMouse");
        return;
    }
    // Identities of new profiles and macros are in the configuration now.
    m_device->IsBusy();
    std::unique_ptr<CMouseConfig> readBack = m_device->TakeReadBack();
    // OK closes only once the newest state is on the mouse: edits made
    // while it waited go too.
    if (m_writeQueued || (m_closeAfterWrite && app::MouseImage(*m_config) != m_sentImage)) {
        StartWrite();
        return;
    }
    const bool wroteOver = std::exchange(m_wroteOver, false);
    // What the mouse took, read back by the write, is compared with what
    // was sent.
    std::wstring difference;
    if (readBack != nullptr && wroteOver && app::MouseImage(*m_config) == m_sentImage) {
        // Written over another program's changes: what that program added
        // is on the mouse too, and the window shows the mouse.
        ReloadFromMouse();
        ShowWriteStatus(WriteStatus::kWritten);
    } else if (CheckWritten(readBack.get(), difference)) {
        m_heldImage = m_sentImage;
        ShowWriteStatus(WriteStatus::kWritten);
    } else {
        ShowWriteStatus(WriteStatus::kDiffers, difference);
    }
    if (m_closeAfterWrite) {
        KillTimer(Handle(), kCloseWaitTimer);
        End(IDOK);
    }
}

void CVellAppDlg::OnMouseChanged(bool closing) {
    // Another program wrote to the mouse since this window read it. The
    // user chooses: the mouse as it is now, these edits over it (what the
    // other program added stays), or nothing yet.
    CUnsavedChangesPopup popup(kMouseChangedPopup, IDD_POPUP_WARNING, Handle());
    switch (RunPopup(popup)) {
        case CPopupBox::kResultOk:  // reload
            // A mouse that cannot be read whole is no mouse, as at start.
            if (!ReloadFromMouse()) {
                ShowNoMouse();
                RequestClose();
            }
            break;
        case CUnsavedChangesPopup::kResultApply:  // apply over it
            m_device->WriteOverChanges();
            m_wroteOver = true;
            if (Apply() && closing) {
                m_closeAfterWrite = true;
                SetTimer(Handle(), kCloseWaitTimer, kCloseWaitMs, nullptr);
            }
            break;
        default:
            break;
    }
}

void CVellAppDlg::ShowWriteFailed(const wchar_t* reasonKey) {
    // The window stays, with every edit: the popup says why and what now.
    CVellWarningDlg popup(kWriteFailedPopup, IDD_POPUP_WARNING, Handle());
    popup.SetDetail(Said(reasonKey) + L" " + Said(L"$WriteFailedKept"));
    RunPopup(popup);
}

const wchar_t* CVellAppDlg::RefusedReason() {
    // Which limit the configuration passes; another program's additions
    // may be what tipped it, then the reason is the general one.
    const DeviceLimits limits = m_device->GetLimits();
    if (m_config->GetProfileCount() > limits.profiles)
        return L"$WriteFailedProfiles";
    int32_t macros = 0;
    for (int32_t i = 0; i < m_config->GetMacroCount(); ++i) {
        const CMacro* macro = m_config->MacroAt(i);
        if (static_cast<int64_t>(macro->Events().size()) > limits.eventsPerMacro)
            return L"$WriteFailedEvents";
        macros += macro->Events().empty() ? 0 : 1;
    }
    for (int32_t i = 0; i < m_config->GetProfileCount(); ++i) {
        if (static_cast<int64_t>(m_config->ProfileAt(i)->GetProgramPath().size()) > limits.programPathChars)
            return L"$WriteFailedPath";
    }
    return macros > limits.macros ? L"$WriteFailedMacros" : L"$WriteFailedLimit";
}

bool CVellAppDlg::CheckWritten(const CMouseConfig* readBack, std::wstring& difference) {
    if (readBack == nullptr) {
        difference = L"-";  // nothing could be read back
        return false;
    }
    CMouseConfig& mouse = const_cast<CMouseConfig&>(*readBack);
    // The mouse names its current profile; the window keeps its own choice.
    CMouseProfile* current = m_config->GetCurrentProfile();
    for (int32_t i = 0; current != nullptr && i < mouse.GetProfileCount(); ++i) {
        if (mouse.ProfileAt(i)->GetName() == current->GetName())
            mouse.SetCurrentProfile(mouse.ProfileAt(i));
    }
    difference = app::FirstDifference(m_sentImage, app::MouseImage(mouse));
    return difference.empty();
}

bool CVellAppDlg::HasUnsavedChanges() {
    return m_config != nullptr && m_config->GetCurrentProfile() != nullptr &&
           app::MouseImage(*m_config) != m_heldImage;
}

void CVellAppDlg::ShowUnsaved() {
    const bool unsaved = HasUnsavedChanges();
    if (unsaved == m_unsavedShown)
        return;
    m_unsavedShown = unsaved;
    // A dot on Apply while the mouse lacks what is shown.
    if (m_applyButton != nullptr) {
        m_applyButton->SetCaption(unsaved ? m_applyCaption + L" \u2022" : m_applyCaption, 0);
        InvalidateRect(m_applyButton->Window(), nullptr, FALSE);
    }
    ShowWriteStatus(m_writeStatus);
}

void CVellAppDlg::ShowWriteStatus(WriteStatus status, const std::wstring& detail) {
    m_writeStatus = status;
    if (status == WriteStatus::kDiffers)
        m_writeDifference = detail;
    if (m_writeStatusText == nullptr)
        return;
    // A write in progress first, then what went wrong with the last one,
    // then whether the mouse lacks what is shown, then the last success.
    const wchar_t* key = L"";
    if (status == WriteStatus::kWriting)
        key = L"$WriteBusy";
    else if (status == WriteStatus::kFailed)
        key = L"$WriteFailed";
    else if (status == WriteStatus::kDiffers)
        key = L"$WriteDiffers";
    else if (m_unsavedShown)
        key = L"$WriteUnsaved";
    else if (status == WriteStatus::kWritten)
        key = L"$WriteDone";
    std::wstring shown;
    if (*key != 0 && !lang::Resolve(key, shown))
        shown = key;
    if (m_writeStatusText->GetText() != shown)
        m_writeStatusText->SetPlainText(shown);
}

void CVellAppDlg::OnCloseRequest() {
    if (!HasUnsavedChanges()) {
        End(IDCANCEL);
        return;
    }
    // Everything shown is on its way to the mouse: the window closes once it
    // is there, as after OK (a failed write keeps it open and says why).
    if (WritePending() && app::MouseImage(*m_config) == m_sentImage) {
        m_closeAfterWrite = true;
        SetTimer(Handle(), kCloseWaitTimer, kCloseWaitMs, nullptr);
        return;
    }
    CUnsavedChangesPopup popup(kUnsavedPopup, IDD_POPUP_WARNING, Handle());
    switch (RunPopup(popup)) {
        case CUnsavedChangesPopup::kResultApply:
            m_routes.Run(ctl::BUTTON_OK);
            break;
        case CPopupBox::kResultOk:  // discard
            End(IDCANCEL);
            break;
        default:  // stay
            break;
    }
}

void CVellAppDlg::TakeBackupReport(bool written) {
    const BackupReport report = m_device->TakeBackupReport();
    if (!report.asked || m_backupSettled)
        return;
    if (report.saved) {
        m_backupSettled = true;
        return;
    }
    // Neither went: both are tried again with the next write. A write that
    // went without its backup is not held back, but the user is told, once.
    if (!written)
        return;
    m_backupSettled = true;
    CVellWarningDlg popup(kBackupFailedPopup, IDD_POPUP_WARNING, Handle());
    RunPopup(popup);
}

void CVellAppDlg::ShowNoMouse() {
    CVellWarningDlg popup(kNoMousePopup, IDD_POPUP_WARNING, Handle());
    RunPopup(popup);
}

void CVellAppDlg::RequestClose() {
    PostMessageW(Handle(), WM_CLOSE, 0, 0);
}

void CVellAppDlg::OpenManual() {
    app::OpenManual(Handle());
}

bool CVellAppDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_COMMAND: {
            HWND sender = reinterpret_cast<HWND>(lParam);
            if (sender != nullptr) {
                OnItemCommand(sender);
                ShowUnsaved();
            } else if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                // Enter and Escape from the dialog manager: Enter applies and
                // closes as OK does, Escape closes; neither while recording.
                if (!Recording()) {
                    if (LOWORD(wParam) == IDOK)
                        m_routes.Run(ctl::BUTTON_OK);
                    else
                        RequestClose();
                }
            } else {
                return false;
            }
            result = 0;
            return true;
        }
        case WM_CLOSE:
            if (!IsWindowEnabled(Handle())) {
                // A popup is open (closing from the task bar): it answers
                // first, as with any window that has a dialog open.
                HWND popup = GetLastActivePopup(Handle());
                if (popup != nullptr && popup != Handle())
                    SetForegroundWindow(popup);
            } else if (!Recording()) {
                OnCloseRequest();
            }
            result = 0;
            return true;
        case WM_HELP:
            if (!Recording())
                OpenManual();
            result = 0;
            return true;
        case WM_TIMER:
            if (wParam == kNoDeviceTimer) {
                KillTimer(Handle(), kNoDeviceTimer);
                ShowNoMouse();
                RequestClose();
            } else if (wParam == kCloseWaitTimer) {
                // The mouse never answered: keep the window and the edits.
                KillTimer(Handle(), kCloseWaitTimer);
                m_closeAfterWrite = false;
                ShowWriteFailed(L"$WriteFailedSlow");
            } else {
                return false;
            }
            result = 0;
            return true;
        case kLoadPagesMessage:
            LoadPages(~0u);
            result = 0;
            return true;
        case kWriteDoneMessage:
            OnWriteDone(static_cast<WriteOutcome>(wParam));
            ShowUnsaved();
            result = 0;
            return true;
        case 0x446:
        case 0x614:
        case 0x634:
        case 0x5FC:
        case 0x52C:
        case 0x52D:
        case 0x52E:
        case 0x604:
        case 0x608:
        case 0x6BC:
        case 0x6BD:
            result = OnNotify(message, wParam, lParam) ? 1 : 0;
            ShowUnsaved();
            return true;
        case WM_QUERYDRAGICON:
            result = reinterpret_cast<LRESULT>(m_icon);
            return true;
        case WM_NCHITTEST: {
            // The whole background drags the frameless window.
            const LRESULT hit = DefWindowProcW(Handle(), message, wParam, lParam);
            result = hit == HTCLIENT ? HTCAPTION : hit;
            return true;
        }
        case WM_PAINT: {
            const bool handled = CGUIPanel::HandleMessage(message, wParam, lParam, result);
            if (!m_painted) {
                m_painted = true;
                PostMessageW(Handle(), kLoadPagesMessage, 0, 0);
                LARGE_INTEGER now = {};
                QueryPerformanceCounter(&now);
                SetPropW(Handle(), kFirstPaintProperty, reinterpret_cast<HANDLE>(now.QuadPart));
            }
            return handled;
        }
        case WM_DESTROY:
            KillTimer(Handle(), kNoDeviceTimer);
            KillTimer(Handle(), kCloseWaitTimer);
            if (m_device != nullptr)
                m_device->NotifyWritesTo(nullptr, 0);
            RemovePropW(Handle(), kFirstPaintProperty);
            return CGUIPanel::HandleMessage(message, wParam, lParam, result);
        default:
            return CGUIPanel::HandleMessage(message, wParam, lParam, result);
    }
}
