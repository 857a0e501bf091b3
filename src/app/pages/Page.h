// The logic of one page of the main window. A page is built with the
// configuration, the device link, the item lists of its page files and a
// narrow way back to the main window; it finds its items once, by control
// name, and from then on changes the model through the configuration and
// redraws from it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "controls/CommandRoutes.h"
#include "skin/GUIItem.h"

class CPopupBox;
class CVellConfig;
class IMouseDevice;

// The pages by their flags, in the order of the page table.
enum PageFlag : uint32_t {
    kPageTopView = 1,
    kPageThumbGrid = 2,
    kPagePerformance = 4,
    kPageProfiles = 8,
    kPageMacros = 16,
    kPageLighting = 32,
};
inline constexpr int kPageCount = 6;
inline constexpr const wchar_t* kPageFiles[kPageCount] = {
    L"AssignButtons.xml", L"AssignKeys.xml",   L"AdjustPerformance.xml",
    L"ManageProfiles.xml", L"ManageMacros.xml", L"LightingMaintenance.xml",
};
// The flag of page index 0..5 and back.
inline constexpr uint32_t PageFlagAt(int index) {
    return 1u << index;
}

// What a page may ask of the main window.
class IPageHost {
public:
    virtual ~IPageHost() = default;
    virtual HWND Window() const = 0;
    virtual uint32_t CurrentPage() const = 0;
    virtual void SwitchPage(uint32_t flag) = 0;
    // Redraws every page from the configuration.
    virtual void RefreshPages() = 0;
    // Shows the current profile's name in the main page's indicator.
    virtual void ShowProfile() = 0;
    // Runs a popup modally over the main window; its result (1 OK, 2 Cancel).
    virtual INT_PTR RunPopup(CPopupBox& popup) = 0;
    // Whether the mouse holds everything the window shows.
    virtual bool MouseHoldsAllShown() { return true; }
    // An import went to the mouse and the window at once: when the mouse
    // held everything shown before it, it still does.
    virtual void MouseTookImport(bool heldAllBefore) { (void)heldAllBefore; }
};

class CPage {
public:
    CPage(CVellConfig& config, IMouseDevice* device, IPageHost& host) : m_config(config), m_device(device), m_host(host) {}
    CPage(const CPage&) = delete;
    CPage& operator=(const CPage&) = delete;
    virtual ~CPage() = default;

    // The flags of the page files the page owns.
    virtual uint32_t Flags() const = 0;
    // Finds the page's items in its lists; runs once, after every page file is read.
    virtual void Bind() = 0;
    // Redraws the page from the configuration.
    virtual void Refresh() {}
    // A control notification from one of the page's items; true when taken.
    virtual bool OnNotify(UINT message, WPARAM wParam, LPARAM lParam, CGUIItem* sender) {
        (void)message, (void)wParam, (void)lParam, (void)sender;
        return false;
    }
    // What the page's buttons do.
    const CommandRoutes& Routes() const { return m_routes; }

protected:
    // Runs a warning popup over the main window: `appended` follows its
    // heading, `message` (a language key) replaces it. Its result.
    INT_PTR Warn(const wchar_t* skinFile, const std::wstring& appended = {}, const wchar_t* message = nullptr);
    // Says that an import took a copy name because the file's name is taken.
    void TellImportedAsCopy(const std::wstring& nameInFile, const std::wstring& importedAs);

    // The item of the id and type in the list, as its class; null when the
    // page file lacks it (the page then does without).
    template <typename T>
    static T* Find(const ItemList& items, int32_t id, int32_t type) {
        return dynamic_cast<T*>(::FindItem(items, id, type));
    }

    CVellConfig& m_config;
    IMouseDevice* m_device;
    IPageHost& m_host;
    CommandRoutes m_routes;
};
