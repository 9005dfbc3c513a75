#pragma once

#include "ui/views/control.h"

#include <windows.h>

#include <string>

namespace melodrift {

// Whole seconds as "s", "m:ss" or "h:mm:ss"; below a minute (negative values
// included) the plain number.
std::wstring formatTime(int seconds);

// The status bar at the bottom of the main window: part 0 holds the playing item's
// name (written by the main window), part 1 the elapsed and total time.
class StatusBar : public Control {
public:
    explicit StatusBar(HWND mainWindow);

    // Follows the main window's WM_SIZE: the time part keeps its width at the right.
    // Returns the bar's height.
    int resize(WPARAM sizeType, LPARAM clientSize);
    // The playing item's name in part 0; empty clears it.
    void setItemName(const std::wstring& name);

    // The duration of the item that starts playing; a negative value clears it.
    // Shows position 0 at once.
    void setTotal(int seconds);
    // Writes "position / total" into part 1, or nothing when no total is set.
    void showPosition(int seconds);

private:
    // SB_SETPARTS with two parts ending at these right edges (-1: the bar's).
    void setPartEdges(int nameRight, int timeRight);
    // SB_SETTEXTW.
    void setPartText(int part, const std::wstring& text);

    std::wstring totalText_;
};

}  // namespace melodrift
