#pragma once

#include "ui/views/control.h"

#include <windows.h>

namespace melodrift {

// The rebar across the top of the main window, holding the toolbar and the seek bar
// in one row of bands.
class Rebar : public Control {
public:
    explicit Rebar(HWND mainWindow);

    // Appends a band of the given width holding child, never narrower than minWidth.
    void addBand(HWND child, int minWidth, int width, int height);
    // Follows the main window's WM_SIZE; returns the rebar's height.
    int resize(WPARAM sizeType, LPARAM clientSize);
};

}  // namespace melodrift
