// Hover ("hot") tracking with the mouse capture, shared by text items, bitmap
// windows and buttons: the control takes the capture when the pointer
// arrives, and lets it go when the pointer moves onto another window.
#pragma once

#include <windows.h>

namespace controls {

class HotTracker {
public:
    // What a control does when its hot flag changes.
    class Repaint {
    public:
        virtual void OnHotChanged() = 0;

    protected:
        ~Repaint() = default;
    };

    bool Hot() const { return m_hot; }
    void SetHot(bool hot) { m_hot = hot; }

    // After the default processing of WM_MOUSEMOVE. bringToTop raises the
    // control above its siblings when it becomes hot.
    void OnMouseMove(HWND hwnd, WPARAM keys, LPARAM position, Repaint& repaint, bool bringToTop = false);
    // WM_CAPTURECHANGED. The flag stays set: the next move over the control
    // takes the capture again.
    void OnCaptureChanged(HWND hwnd, Repaint& repaint);

private:
    bool m_hot = false;
};

}  // namespace controls
