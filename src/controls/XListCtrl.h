// The skinned report list (type 17, skin element LISTCTRL): the platform's
// report-style list view, every cell drawn by the list itself in the skin's
// colours, with check-box, progress, text and drop-down cells, an in-place
// editor for text cells, a file dialog for program cells and a right-click
// menu.
//
// Pages address rows by the page's own id of each row (a profile number, for
// instance) and columns by what they show (ListColumnItem). The list talks
// back only through messages sent to its parent:
//
//   0x5FC  every left button down        wParam: row id or -1   lParam: list
//   0x52E  a check box was toggled       wParam: list  lParam: ListNotify*, data -> uint8_t state
//   0x52C  a text cell was changed       wParam: list  lParam: ListNotify*, data -> text
//   0x52D  a program was chosen/removed  wParam: list  lParam: ListNotify*, data -> path or ""
//   0x604  double click on a STATIC cell wParam: list  lParam: ListNotify*, data null
//   0x608  other right-click menu choice wParam: list  lParam: ListNotify*, column 0, data -> entry text
//
// All are sent, so the record lives only while the page handles it. A page
// must not destroy the list from inside one of them.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "controls/ItemText.h"
#include "controls/ListPanelItem.h"
#include "controls/ListCells.h"
#include "controls/XComboList.h"
#include "controls/XHeaderCtrl.h"
#include "controls/XListEdit.h"
#include "skin/GUIItem.h"
#include "skin/SkinLoader.h"
#include "win/Handles.h"
#include "win/Window.h"

constexpr UINT WMU_LIST_LBUTTONDOWN = 0x5FC;
constexpr UINT WMU_LIST_TEXTCHANGED = 0x52C;
constexpr UINT WMU_LIST_PROGRAMCHANGED = 0x52D;
constexpr UINT WMU_LIST_CHECKCHANGED = 0x52E;
constexpr UINT WMU_LIST_DBLCLICK = 0x604;
constexpr UINT WMU_LIST_MENUCHOICE = 0x608;

// The record that lParam of the list's messages points to.
struct ListNotify {
    int32_t rowId;
    int32_t column;
    const void* data;
};

class CXListCtrl : public win::SubclassedWindow, public CGUIItem {
public:
    struct Colours {
        COLORREF text = 0xFFFFFF;
        COLORREF hotText = 0;
        COLORREF background = 0;
        COLORREF hotBackground = 0xFFFFFF;
        COLORREF border = 0xFFFFFF;
    };
    // The editor holds at most this many characters.
    static constexpr UINT kEditLimit = 20;
    // Right-click entries that the list carries out itself.
    static constexpr wchar_t kAssignApplication[] = L"$AssignApplication";
    static constexpr wchar_t kUnassignApplication[] = L"$UnassignApplication";
    // Timers of the list's window.
    static constexpr UINT_PTR kPressTimer = 1;       // follows a pressed drop-down arrow, 100 ms
    static constexpr UINT_PTR kTakeCloseTimer = 3;   // takes the drop-down's choice and closes it, 50 ms
    static constexpr UINT_PTR kTakeTimer = 4;        // takes the choice, the drop-down stays, 50 ms

    CXListCtrl() = default;
    ~CXListCtrl() override;

    // A visible single-selection report list at the rectangle with the
    // skinned header; false when the window cannot be made.
    bool CreateWindowFor(HWND parent, const RECT& rect, int32_t id, void* owner, const Colours& colours);

    // --- columns ---
    // The new column's index; -1 when the content is negative, the type is
    // not a list-column type, the content has a column already, or 10
    // columns exist.
    int32_t AddColumn(int32_t content, int32_t type, const std::wstring& title, int32_t width,
                      controls::Justify align = controls::Justify::kLeft);
    int32_t ColumnCount() const { return static_cast<int32_t>(m_columns.size()); }
    // The column that shows `content`, or -1.
    int32_t ColumnOf(int32_t content) const;
    int32_t ColumnContent(int32_t column) const;  // -1 for no such column
    int32_t ColumnType(int32_t column) const;     // -1 for no such column

    // --- rows ---
    // Appends a row with a cell record per column (no check box, not bold,
    // no drop-down); the row's index, or -1.
    int32_t AddRow(int32_t rowId);
    int32_t RowCount() const;
    // The index of the (first added) row with the id, or -1.
    int32_t RowIndexOf(int32_t rowId) const;
    // The id of the row at the index; -1 for a row without data or no row.
    int32_t RowIdAt(int32_t index) const;
    // Frees every row and its data.
    void DeleteAllRows();
    bool IsSorted() const { return m_sorted; }
    void SetSorted(bool sorted) { m_sorted = sorted; }
    // Orders the rows by their texts, column by column, ignoring case.
    void Sort();
    int32_t SelectedRowId() const;
    bool SelectRow(int32_t rowId);

    // --- cells (false, -1 or empty for a row or column that does not exist) ---
    bool SetCellText(int32_t content, int32_t rowId, const std::wstring& text);
    bool GetCellText(int32_t content, int32_t rowId, std::wstring& text) const;
    std::wstring CellText(int32_t content, int32_t rowId) const;
    // The LCITEM_AUTOSWITCH cell; repaints and updates the header's check
    // box as a click does. State: -1 (no box), 0 or 1.
    bool SetCheck(int32_t rowId, int8_t state);
    bool SetCellCheck(int32_t content, int32_t rowId, int8_t state);
    int8_t CellCheck(int32_t content, int32_t rowId) const;
    bool SetCellBold(int32_t content, int32_t rowId, bool bold);
    // A percentage shown as a bar; -1 removes it.
    bool SetCellProgress(int32_t content, int32_t rowId, int32_t percent);
    // The choices of a drop-down cell; an empty list removes the drop-down.
    bool SetCellChoices(int32_t content, int32_t rowId, std::vector<std::wstring> choices);
    // The screen rectangle of a cell (client coordinates of the list).
    bool CellRect(int32_t content, int32_t rowId, RECT& rect) const;

    // --- header ---
    CXHeaderCtrl& Header() { return m_header; }
    void SetHeaderColours(COLORREF background, COLORREF text);
    // Not owned; the page keeps it alive while the list lives.
    void SetHeaderImageList(HIMAGELIST images);
    // The check box of a column's header: image -1 none, 0 unchecked, 1
    // checked (entries of the header's image list).
    bool SetHeaderImage(int32_t content, int image);
    int HeaderImage(int32_t content) const;
    // Gives the column's header a check box drawn from the skin's
    // checkbox3.bmp and checkbox4.bmp (an image list the list owns), showing
    // whether every row is checked.
    bool UseCheckBoxHeader(int32_t content);

    // --- look ---
    // The skin's list panel (LISTPANEL) shown at the pointer on a right
    // press; not owned (null: none). Entries "$AssignApplication" and
    // "$UnassignApplication" are carried out by the list.
    void SetRightClickMenu(CListPanelItem* menu) { m_menu = menu; }
    CListPanelItem* RightClickMenu() const { return m_menu; }
    void SetColours(const Colours& colours);
    const Colours& GetColours() const { return m_colours; }
    // Owned by its font item; a bold copy is made for bold cells.
    void SetFont(HFONT font);
    HFONT Font() const { return m_font; }

    // --- editing ---
    // Opens the editor over a text cell (a no-op for the cell being
    // edited). False for no such cell.
    bool StartEdit(int32_t content, int32_t rowId);
    // Ends an edit; committing a changed text sends 0x52C.
    void FinishEdit(bool commit);
    bool IsEditing() const { return m_editRow != nullptr; }
    CXListEdit& Editor() { return m_editor; }
    // The open drop-down, or null.
    CXComboList* DropDown() const { return m_dropDown.get(); }

    // The full path of a program chosen with the open-file dialog ("*.exe",
    // file must exist); false when the dialog was cancelled.
    static bool ChooseProgram(HWND owner, std::wstring& path);
    // File name and extension of a path.
    static std::wstring FileNameOf(const std::wstring& path);

    // Custom drawing and the editor's colours, reflected by the panel.
    bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // LISTCTRL: name, fontclr, fontclrhi, backclr, backclrhi, bdrclr, fontid,
    // sorted; RECT; LISTHDR (backclr, fontclr); LISTCOLUMN (name, type,
    // width, optional justify; text: the title).
    static void FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnWindowGone() override;

private:
    struct Column {
        int32_t content;
        int32_t type;
        controls::Justify align;
    };
    struct Hit {
        int index = -1;       // row index, -1 none
        int column = -1;      // column index, -1 none
        controls::ListRow* row = nullptr;
    };

    void ForgetRow(controls::ListRow* row, bool indexed);
    void HoldRedraw();
    void ResumeRedraw();
    controls::ListRow* RowOf(int32_t rowId) const;
    controls::ListRow* RowAtIndex(int index) const;
    int IndexOfRow(const controls::ListRow* row) const;
    bool Locate(int32_t content, int32_t rowId, controls::ListRow*& row, int& index, int& column) const;
    RECT CellRectAt(int index, int column) const;
    Hit HitTest(POINT pt) const;
    std::wstring TextAt(int index, int column) const;
    void SetTextAt(int index, int column, const std::wstring& text);
    void RepaintRow(int index);
    void Send(UINT message, int32_t rowId, int32_t column, const void* data);

    // False when the press is not the list's (it went to the editor, or
    // lay outside the list and only ended an edit).
    bool OnLeftButtonDown(WPARAM wParam, LPARAM lParam);
    void OnDoubleClick(LPARAM lParam);
    void OnRightButtonDown(LPARAM lParam);
    void OnMouseMove(LPARAM lParam);
    void OnTimer(UINT_PTR id);
    void ToggleCheck(controls::ListRow* row, int index, int column);
    void UpdateHeaderCheck(int column);
    void PressArrow(controls::ListRow* row, int index, int column);
    void CancelPress();
    void OpenDropDown();
    void CloseDropDown(bool take);
    void TakeDropDownChoice();
    void StartEditAt(int index, int column);
    void AssignProgram(int32_t rowId);
    void UnassignProgram(int32_t rowId);

    void Paint(HDC dc);
    void PaintBorder();
    LRESULT CustomDraw(NMLVCUSTOMDRAW& draw);
    void DrawCell(HDC dc, int index, int column, const controls::ListRow& row, bool selected);

    std::map<int32_t, Column> m_columns;  // by column index
    std::vector<std::unique_ptr<controls::ListRow>> m_rows;
    std::unordered_map<int32_t, controls::ListRow*> m_byId;  // the first row added with each id
    CXHeaderCtrl m_header;
    CXListEdit m_editor;
    std::unique_ptr<CXComboList> m_dropDown;
    CListPanelItem* m_menu = nullptr;
    Colours m_colours;
    HFONT m_font = nullptr;  // owned by its font item
    win::UniqueFont m_boldFont;
    HIMAGELIST m_ownedHeaderImages = nullptr;
    HBITMAP m_checkedPicture = nullptr;    // checkbox4.bmp, from the resource cache
    HBITMAP m_uncheckedPicture = nullptr;  // checkbox3.bmp
    bool m_sorted = false;
    bool m_redrawHeld = false;

    // The cell being edited.
    controls::ListRow* m_editRow = nullptr;
    int m_editColumn = -1;
    // The drop-down cell whose arrow is pressed, and the open drop-down's cell.
    controls::ListRow* m_pressedRow = nullptr;
    int m_pressedColumn = -1;
    controls::ListRow* m_dropRow = nullptr;
    int m_dropColumn = -1;
    std::wstring m_dropOriginal;  // the cell's text when the drop-down opened
    bool m_dropTake = false;      // timer 3 takes the choice (else puts the original back)
    bool m_openPosted = false;
    int m_hotIndex = -1;  // the row under the pointer
    bool m_trackingLeave = false;
};
