// The manage-profiles page: the profile list (row number, name edited in
// place, program for automatic switching, its check box), the buttons new,
// import, export and delete, and the list's right-click menu (new, preview,
// delete, copy, import, export, restore defaults). Every change goes to the
// configuration; only import and export talk to the mouse, through the
// device link. The rest reaches the mouse with Apply.
#pragma once

#include <string>

#include "app/pages/Page.h"
#include "popups/PreviewPopup.h"

class CAssignPage;
class CListPanelItem;
class CMouseProfile;
class CXListCtrl;

class CProfilesPage : public CPage {
public:
    // `assign` (may be null) resets the buttons that switch to a deleted profile.
    CProfilesPage(CVellConfig& config, IMouseDevice* device, IPageHost& host, const ItemList& items,
                  CAssignPage* assign);

    uint32_t Flags() const override { return kPageProfiles; }
    void Bind() override;
    // Fills the list from the configuration.
    void Refresh() override;
    bool OnNotify(UINT message, WPARAM wParam, LPARAM lParam, CGUIItem* sender) override;

    // The operations, as the buttons, the menu and the list ask for them.
    void NewProfile();
    void CopyProfile(CMouseProfile* source);
    void RenameProfile(int32_t rowId, const std::wstring& name);
    void DeleteProfile(CMouseProfile* profile);
    void RestoreProfile(CMouseProfile* profile);
    void PreviewProfile(CMouseProfile* profile);
    void ImportProfile();
    // The import once a file is chosen: the profile is added here and on the
    // mouse, or the user is told why not and nothing changes.
    bool ImportFile(const std::wstring& path);
    void ExportProfile(CMouseProfile* profile);
    void MakeCurrent(CMouseProfile* profile);

    // The name a copy of `source` gets: the source's name (its first 18
    // characters when it has 20 or more) and the first counter 00..99 that
    // no profile has as its name; empty when all hundred are taken.
    static std::wstring CopyName(CVellConfig& config, const std::wstring& source);
    // The profile's assignments and stages as the preview shows them.
    static PreviewContent DescribeProfile(CVellConfig& config, CMouseProfile& profile);

    // Where the file dialogs start (the save folder) and what they show.
    static constexpr wchar_t kExtension[] = L"vxp";

private:
    CMouseProfile* ProfileOfRow(int32_t rowId) const;
    CMouseProfile* SelectedProfile() const;
    int MaxProfiles() const;
    bool AtLimit(const wchar_t* caption);
    // The platform's file dialog; false when cancelled.
    bool AskForFile(bool save, std::wstring& path);
    void OnMenuChoice(int32_t rowId, const std::wstring& entry);

    const ItemList& m_items;
    CAssignPage* m_assign;
    CXListCtrl* m_list = nullptr;
    CListPanelItem* m_menu = nullptr;
};
