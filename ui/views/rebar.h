#pragma once

#include <windows.h>

namespace melodrift {

// The rebar across the top of the main window, holding the toolbar and the seek bar
// in one row of bands. A child window: it dies with its parent.
class Rebar {
public:
    explicit Rebar(HWND mainWindow);
    Rebar(const Rebar&) = delete;
    Rebar& operator=(const Rebar&) = delete;

    HWND window() const { return hwnd_; }

    // Appends a band of the given width holding child, never narrower than minWidth.
    void addBand(HWND child, int minWidth, int width, int height);
    // Follows the main window's WM_SIZE; returns the rebar's height.
    int resize(WPARAM sizeType, LPARAM clientSize);

private:
    HWND hwnd_ = nullptr;
};

}  // namespace melodrift
