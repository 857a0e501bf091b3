// The record every skinned item carries beside its own class: control id,
// item type code, own window, owner and rectangle. Destroying an item through
// this record destroys the whole control.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

enum GUIItemType : int32_t {
    kItemNone = -1,
    kItemPanelBitmap = 0,
    kItemBitmap = 1,
    kItemButton = 2,
    kItemAviButton = 3,
    kItemProfileButton = 4,
    kItemVertSlider = 5,
    kItemSliderThumb = 6,
    kItemMarker = 7,
    kItemMultiSlider = 8,
    kItemColourRangeSlider = 9,
    kItemMacroDisplay = 10,
    kItemText = 11,
    kItemFont = 12,
    kItemLanguage = 13,
    kItemDropdown = 14,
    kItemListPanel = 15,
    kItemBitmapWindow = 16,
    kItemList = 17,
    kItemEdit = 18,
    kItemSingleKeyEdit = 19,
    kItemDpiStageWindow = 20,
};

class CGUIItem {
public:
    CGUIItem() = default;
    CGUIItem(const CGUIItem&) = delete;
    CGUIItem& operator=(const CGUIItem&) = delete;
    virtual ~CGUIItem() = default;

    int32_t Id() const { return m_id; }
    void SetId(int32_t id) { m_id = id; }
    int32_t Type() const { return m_type; }
    void SetType(int32_t type) { m_type = type; }
    HWND Window() const { return m_window; }
    void SetWindow(HWND window) { m_window = window; }
    void* Owner() const { return m_owner; }
    void SetOwner(void* owner) { m_owner = owner; }
    // In the parent's client coordinates; null until set.
    const RECT* Rect() const { return m_rect.get(); }
    void SetRect(const RECT& rect) { m_rect = std::make_unique<RECT>(rect); }
    // A second window that shows and hides with the item (the macro
    // display's inner list); null for most items.
    virtual HWND InnerWindow() const { return nullptr; }

private:
    int32_t m_id = -1;
    int32_t m_type = kItemNone;
    HWND m_window = nullptr;
    void* m_owner = nullptr;
    std::unique_ptr<RECT> m_rect;
};

// An ordered list of items that owns them, in the order they were created.
using ItemList = std::vector<std::unique_ptr<CGUIItem>>;

// The first item of the id in the list, or null.
inline CGUIItem* FindItem(const ItemList& items, int32_t id) {
    for (const auto& item : items) {
        if (item->Id() == id)
            return item.get();
    }
    return nullptr;
}

// The first item of the id when it has the type, or null.
inline CGUIItem* FindItem(const ItemList& items, int32_t id, int32_t type) {
    CGUIItem* item = FindItem(items, id);
    return item != nullptr && item->Type() == type ? item : nullptr;
}

// The first item whose window is hwnd, or null.
inline CGUIItem* FindItemByWindow(const ItemList& items, HWND hwnd) {
    if (hwnd == nullptr)
        return nullptr;
    for (const auto& item : items) {
        if (item->Window() == hwnd)
            return item.get();
    }
    return nullptr;
}
