// A skinned dialog: made from a dialog template, it loads its skin file when
// its window is created (WM_INITDIALOG), takes the size of its BACKGROUND,
// the shape of its MASK (white outside), paints the background, and owns the
// items the skin loader made. The main window and every popup derive from it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "skin/GUIItem.h"
#include "win/Dialog.h"

class CPanelBitmap;

class CGUIPanel : public win::Dialog {
public:
    // From a skin file (relative to xml\) and a dialog template of the
    // program's resources; a template the module lacks is replaced by an
    // empty pop-up dialog.
    CGUIPanel(std::wstring skinFile, int templateId, HWND owner);
    // Without a skin file: a pop-up panel of the rectangle's size.
    CGUIPanel(const RECT& rect, HWND owner);
    ~CGUIPanel() override;  // destroys the items, last made first, then the window

    HWND Create();  // modeless
    INT_PTR DoModal();

    HWND Owner() const { return m_owner; }
    const std::wstring& SkinFile() const { return m_skinFile; }
    ItemList& Items() { return m_items; }
    const ItemList& Items() const { return m_items; }
    const RECT& PanelRect() const { return m_rect; }
    bool IsCreated() const { return m_created; }
    CPanelBitmap* Background() const { return m_background; }
    CPanelBitmap* Mask() const { return m_mask; }

    CGUIItem* FindItem(int32_t id) const;
    CGUIItem* FindItemByWindow(HWND hwnd) const;
    // The item of the id when it is of the type, else null.
    CGUIItem* FindItem(int32_t id, int32_t type) const;
    template <typename T>
    T* FindItemAs(int32_t id, int32_t type) const {
        return dynamic_cast<T*>(FindItem(id, type));
    }

    // Types 1-8, 11, 14 and 16-20 show or hide their window; type 10 its
    // inner window first, then its own; 0, 9, 12, 13 and 15 stay as they are.
    void ShowItem(CGUIItem* item, bool show);

    // Draws the background at the client origin.
    void PaintBackground(HDC dc);

protected:
    bool OnInitDialog() override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void DestroyItems();

    HWND m_owner;
    std::wstring m_skinFile;
    int m_templateId = 0;
    CPanelBitmap* m_background = nullptr;  // in m_items
    CPanelBitmap* m_mask = nullptr;        // in m_items
    ItemList m_items;
    RECT m_rect = {};
    bool m_created = false;
};
