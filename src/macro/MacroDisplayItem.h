// The macro display (type 10, skin element MACRODISPLAY): the skinned list of
// a macro's events, one row per event, with a row menu (insert a delay, edit,
// delete), in-place editing of delays, the skinned scroll bar beside it, and
// the recorder that appends what the user types and clicks.
//
// The list is virtual: it keeps the events and paints only the rows in
// view, with the texts made as they are painted. Showing a macro of any
// length is one copy and one repaint; a recorded event costs an append, and
// the view follows the end on a short timer rather than per event.
//
// Messages to the parent, both sent with wParam 0 and lParam the item's id:
//   1724 (0x6BC)  the item changed the events (insert, delete, delay edited)
//   1725 (0x6BD)  the user asked to edit a key row
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "controls/ItemText.h"
#include "controls/ListPanelItem.h"
#include "controls/VScrollBar.h"
#include "controls/XListEdit.h"
#include "macro/Macro.h"
#include "macro/MacroRecorder.h"
#include "skin/GUIItem.h"
#include "skin/SkinLoader.h"
#include "win/Handles.h"
#include "win/Window.h"

constexpr UINT WMU_MACRO_EVENTS_CHANGED = 0x6BC;
constexpr UINT WMU_MACRO_EDIT_KEY = 0x6BD;

class CMacroDisplayItem : public win::Window, public CGUIItem {
public:
    // Row image numbers (the MDBMP_ pictures in this order).
    enum Image : int { kKeyDown = 0, kKeyUp, kDelay, kDelaySelected, kMouse, kMouseSelected, kImageCount };
    // Column kinds (list-column items of the name table).
    static constexpr int32_t kIconColumn = 4;
    static constexpr int32_t kTextColumn = 5;
    static constexpr int kImageWidth = 28;
    static constexpr int kImageHeight = 18;
    // The in-place editor takes this many digits (milliseconds).
    static constexpr UINT kDelayDigits = 7;
    // Row-menu commands.
    static constexpr wchar_t kInsertDelay[] = L"$InsertDelay";
    static constexpr wchar_t kEdit[] = L"$Edit";
    static constexpr wchar_t kDelete[] = L"$Delete";
    // Timers of the window.
    static constexpr UINT_PTR kFollowTimer = 1;  // recording: the view follows the end
    static constexpr UINT kFollowInterval = 30;
    // While events keep coming, the view is brought up to date at least this
    // often (ms), even before the timer can run.
    static constexpr DWORD kStormRepaint = 100;

    struct Look {
        COLORREF text = 0xFFFFFF;
        COLORREF selectedText = 0;
        COLORREF background = 0;
        COLORREF selectedBackground = 0xFFFFFF;
        COLORREF border = 0xFFFFFF;
        int borderWidth = 1;
    };
    struct Column {
        int32_t kind = kTextColumn;
        int width = 0;  // 0: the rest of the row
        controls::Justify align = controls::Justify::kLeft;
    };

    CMacroDisplayItem();
    ~CMacroDisplayItem() override;

    // A visible child of `parent` at `rect`; the scroll bar, when its
    // pictures have a thumb, takes the right edge of the rectangle.
    bool CreateWindowFor(HWND parent, const RECT& rect, int32_t id, void* owner, const Look& look,
                         const controls::ScrollBarPictures& scrollBar = {});
    // The skin's pictures (not owned: the resource cache keeps them).
    void SetImage(int image, HBITMAP picture);
    void SetFont(HFONT font);  // owned by its font item; null: the default font
    void SetColumns(const std::vector<Column>& columns);
    // A read-only display opens no row menu and edits nothing in place.
    void SetReadOnly(bool on) { m_readOnly = on; }
    CListPanelItem& MouseMenu() { return m_mouseMenu; }
    CListPanelItem& OtherMenu() { return m_otherMenu; }

    // --- rows ---
    // Refused (false) while recording or without a window; otherwise shows
    // the events, one row each. True when there is at least one row.
    bool Show(const MacroEvents& events);
    void Clear();
    const MacroEvents& Events() const { return m_events; }
    int RowCount() const { return static_cast<int>(m_events.size()); }
    int SelectedRow() const { return m_selected; }
    // Selects the row and brings it into view; -1 clears the selection.
    void Select(int row);
    // Removes the row and its event and tells the parent (1724).
    bool DeleteRow(int row);
    // What a row shows; empty text and -1 for no such row.
    std::wstring RowText(int row) const;
    int RowImage(int row) const;  // the unselected image number
    static std::wstring EventText(const MacroEvent& event);

    // --- commands of the row menu (the menu opens on a right click) ---
    // "$InsertDelay", "$Edit", "$Delete" on the selected row; false when the
    // command does nothing there.
    bool RunCommand(const std::wstring& command);
    // A delay of the default delay after the selected row (at the top when
    // none is), selected; tells the parent.
    void InsertDelay();
    bool StartDelayEdit(int row);
    void FinishDelayEdit(bool commit);
    bool IsEditing() const { return m_editRow >= 0; }
    CXListEdit& Editor() { return m_editor; }

    // --- view ---
    int TopRow() const { return m_top; }
    int RowHeight() const { return m_rowHeight; }
    int VisibleRows() const;  // whole rows that fit
    void ScrollTo(int top);
    CVScrollBar* ScrollBar() const { return m_bar.get(); }
    void Paint(HDC dc);

    // --- recorder ---
    // Starting takes the program's raw-input registration (keyboard usage 6,
    // then mouse usage 2) for this window and empties the list; a holder it
    // displaced gets the registration back when recording stops. The new
    // state; false, idle, when the registration is refused.
    bool ToggleRecording();
    bool IsRecording() const { return m_recorder.IsRecording(); }
    macro::CMacroRecorder& Recorder() { return m_recorder; }
    void SetDefaultDelay(uint32_t ms) { m_recorder.SetDefaultDelay(ms); }
    void SetIgnoreDelays(bool on) { m_recorder.SetIgnoreDelays(on); }
    void SetInsertDefaultDelay(bool on) { m_recorder.SetInsertDefaultDelay(on); }
    // The page's record button: a click on it is not recorded. Its release
    // comes while the button holds the capture; its press may come before
    // the button has seen it, so stopping drops a left press left without
    // its release at the end (with its delay). Null: none.
    void SetRecordButton(HWND button) { m_recordButton = button; }
    // One decoded raw-input record, as WM_INPUT delivers it.
    void OnRawInput(const RAWINPUT& input);
    // The macro is full (CMacroRecorder::kMaxEvents): recording goes on but
    // adds nothing. Called once per recording, when the limit is first hit.
    void SetOnLimit(std::function<void()> onLimit) { m_onLimit = std::move(onLimit); }
    bool LimitReached() const { return m_recorder.LimitReached(); }

    // Shows and hides with the item.
    HWND InnerWindow() const override;

    // MACRODISPLAY: name, fontclr, fontclrhi, backclr, backclrhi, bdrclr,
    // bdrwidth, fontid, max, readonly; RECT; MDBMP_KEYDN, MDBMP_KEYUP,
    // MDBMP_CLK, MDBMP_CLKH, MDBMP_MSE, MDBMP_MSEH; VSCROLL; LISTCOLUMN
    // (name, type, width, justify); MDMENU (kind "mouse" or "other";
    // colours and font as LISTPANEL; LISTPANELITEM texts).
    static void FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Notify(UINT message);
    int TextWidth() const;
    RECT RowRect(int row) const;
    int RowAt(int y) const;
    void InvalidateRow(int row);
    void InvalidateFrom(int row);
    void UpdateScrollInfo();
    void EnsureVisible(int row);
    void OnVScroll(WORD code);
    void OnWheel(short delta);
    void OnRightButtonDown(LPARAM lParam);
    void OnRecorded(size_t appended);
    void Follow();
    void DrawRow(HDC dc, int row, const RECT& rect);
    bool OnRecordButton() const;
    void InsertAt(int row, const MacroEvent& event);
    void RestoreDisplaced();
    void RecomputeRowHeight();


    MacroEvents m_events;
    macro::CMacroRecorder m_recorder;
    Look m_look;
    std::vector<Column> m_columns;
    std::array<HBITMAP, kImageCount> m_images = {};
    HFONT m_font = nullptr;
    win::UniqueFont m_defaultFont;
    win::UniqueFont m_boldFont;
    int m_rowHeight = 16;
    int m_width = 0;   // visible width of the list (without the scroll bar)
    int m_height = 0;
    int m_top = 0;
    int m_selected = -1;
    int m_wheelRest = 0;
    std::unique_ptr<CVScrollBar> m_bar;
    CListPanelItem m_mouseMenu;
    CListPanelItem m_otherMenu;
    CXListEdit m_editor;
    int m_editRow = -1;
    bool m_menuOpen = false;
    bool m_readOnly = false;
    HWND m_recordButton = nullptr;
    bool m_followPending = false;
    DWORD m_lastFollow = 0;
    int m_invalidFrom = 0x7FFFFFFF;  // the first row invalidated since the last paint
    bool m_destroying = false;
    bool m_limitTold = false;
    std::function<void()> m_onLimit;
    // The registration this item displaced while it records.
    HWND m_displacedTarget = nullptr;
    std::vector<uint16_t> m_displacedUsages;
};

namespace macro {
// Registers the macro layer's skin items (MACRODISPLAY) with the skin loader;
// called beside controls::RegisterItemFactories.
void RegisterItemFactories();
}  // namespace macro
