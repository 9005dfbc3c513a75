#pragma once

#include "ui/window.h"

namespace melodrift {

// The 4-pixel bar between the folder tree (left pane) and the file list (right pane).
// A drag moves the panes once, when the button is released, by the distance the
// cursor travelled; a drag that loses the mouse's capture ends without a move.
class CSplitter : public Window {
public:
    static constexpr int kBarWidth = 4;
    // pendingPosition values below 0.
    static constexpr int kDefaultSplit = -1;
    static constexpr int kNothingPending = -2;

    CSplitter(HWND mainWindow, HWND leftPane, HWND rightPane);
    ~CSplitter() override;

    // Places the panes and the bar inside area (the last area given when null), the bar
    // at x, or at the pending position if one is set, clamped so that the left pane
    // keeps 20 pixels and the right pane 30.
    void layout(int x, const RECT* area = nullptr);
    // The bar's left edge in the main window's client coordinates.
    int barPosition() const;

    // -1: two fifths of the width at the next layout; 0 or more: that position at the
    // next layout; -2: nothing pending.
    int pendingPosition() const { return pendingPosition_; }
    void setPendingPosition(int position) { pendingPosition_ = position; }

    LRESULT handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    int cursorX() const;

    HWND parentWindow_;
    HWND leftPane_;
    HWND rightPane_;
    int dragAnchor_ = -1;
    int pendingPosition_ = kDefaultSplit;
    RECT area_{};
};

}  // namespace melodrift
