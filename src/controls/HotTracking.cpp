#include "controls/HotTracking.h"

#include <windowsx.h>

namespace controls {

void HotTracker::OnMouseMove(HWND hwnd, WPARAM keys, LPARAM position, Repaint& repaint, bool bringToTop) {
    if ((keys & MK_LBUTTON) != 0 && !m_hot)
        return;
    if (GetCapture() != hwnd) {
        HWND parent = GetParent(hwnd);
        if (parent == nullptr)
            parent = GetWindow(hwnd, GW_OWNER);
        if (GetActiveWindow() == nullptr || parent == nullptr)
            return;
        m_hot = true;
        if (bringToTop)
            SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        repaint.OnHotChanged();
        SetCapture(hwnd);
        return;
    }
    POINT pt = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    ClientToScreen(hwnd, &pt);
    HWND under = WindowFromPoint(pt);
    if (under == nullptr || under == hwnd)
        return;
    if (m_hot) {
        m_hot = false;
        repaint.OnHotChanged();
    }
    if ((keys & MK_LBUTTON) == 0)
        ReleaseCapture();
}

void HotTracker::OnCaptureChanged(HWND hwnd, Repaint& repaint) {
    if (!m_hot)
        return;
    // Only our own capture is ours to let go: by now another window of the
    // thread may hold it.
    if (GetCapture() == hwnd)
        ReleaseCapture();
    repaint.OnHotChanged();
}

}  // namespace controls
