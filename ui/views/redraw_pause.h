#pragma once

#include <windows.h>
#include <windowsx.h>

namespace melodrift {

// Stops a control from redrawing and updating its scroll bars item by item while a
// batch goes in; Wine's list and tree views do that even while the window is locked,
// which makes a large fill many times slower. The control is repainted once when the
// batch ends.
class RedrawPause {
public:
    explicit RedrawPause(HWND window) : window_(window) { SetWindowRedraw(window_, FALSE); }
    ~RedrawPause() {
        SetWindowRedraw(window_, TRUE);
        InvalidateRect(window_, nullptr, TRUE);
    }
    RedrawPause(const RedrawPause&) = delete;
    RedrawPause& operator=(const RedrawPause&) = delete;

private:
    HWND window_;
};

}  // namespace melodrift
