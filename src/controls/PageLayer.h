// A page's own layer: a child window over the whole client area of its
// panel that holds the page's items, so that a page switch hides one window
// and shows another instead of every item of both pages. The layer lies
// under the panel's own items, draws the panel's background beneath its
// items, lets clicks on that background through to the panel (which drags
// the window) and passes its items' notifications on to the panel.
#pragma once

#include <windows.h>

#include "win/Window.h"

class CGUIPanel;

namespace controls {

class CPageLayer : public win::Window {
public:
    // Hidden, at the bottom of the panel's children. Null on failure.
    HWND Create(CGUIPanel& panel);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    CGUIPanel* m_panel = nullptr;
};

}  // namespace controls
