#pragma once

#include "base/unique_handle.h"

#include <windows.h>

namespace melodrift {

// What every common control's wrapper holds: the control's window, made with the object
// and destroyed with it (unless the parent has taken it down first), as the program's own
// controls (splitter, volume pop-up) do through the Window base. Callers reach a control
// through its wrapper's methods; window() is for layout and for recognising notifications.
class Control {
public:
    explicit Control(HWND window) : window_(window) {}
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    HWND window() const { return window_.get(); }

protected:
    ~Control() = default;

    // Forwards the parent's WM_SIZE to a bar that places itself along an edge of the
    // parent; returns the bar's height after it.
    int followParentSize(WPARAM sizeType, LPARAM clientSize) const {
        SendMessageW(window(), WM_SIZE, sizeType, clientSize);
        RECT r{};
        GetWindowRect(window(), &r);
        return r.bottom - r.top;
    }

private:
    WindowHandle window_;
};

}  // namespace melodrift
