#pragma once

#include "ui/views/control.h"

#include <windows.h>
#include <commctrl.h>

namespace melodrift {

// A trackbar control.
class TrackBar : public Control {
public:
    explicit TrackBar(HWND control) : Control(control) {}
    virtual ~TrackBar() = default;

    HWND toolTipWindow() const;
    int position() const;
    void setPosition(int position);
    // Positions 0..maximum, one a page.
    void setRange(int maximum);
    // The position of the trackbar control window, which may be any trackbar's.
    static int positionOf(HWND trackBar);
};

// The position trackbar in the rebar's second band, in whole seconds. It starts
// disabled; the main window sets its range while an item plays.
class SeekBar : public TrackBar {
public:
    static constexpr int kControlId = 400;

    explicit SeekBar(HWND mainWindow);

    // Enabled over 0..seconds while an item plays; disabled at 0..0 without one.
    void startItem(int seconds);
    void stopItem();

    // TTN_GETDISPINFOW from the trackbar's tooltip window: the time under the thumb; 0.
    // Where the trackbar writes the tooltip's text itself, it is given the same time.
    LRESULT onSeekToolTip(NMTTDISPINFOW* info) const;
};

}  // namespace melodrift
