#include "ui/views/track_bar.h"

#include "ui/views/status_bar.h"

namespace melodrift {

HWND TrackBar::toolTipWindow() const {
    return reinterpret_cast<HWND>(SendMessageW(hwnd_, TBM_GETTOOLTIPS, 0, 0));
}

int TrackBar::position() const {
    return static_cast<int>(SendMessageW(hwnd_, TBM_GETPOS, 0, 0));
}

void TrackBar::setPosition(int position) { SendMessageW(hwnd_, TBM_SETPOS, TRUE, position); }

void TrackBar::setRange(int maximum) {
    SendMessageW(hwnd_, TBM_SETRANGEMIN, FALSE, 0);
    SendMessageW(hwnd_, TBM_SETRANGEMAX, TRUE, maximum);
    SendMessageW(hwnd_, TBM_SETPAGESIZE, 0, 1);
}

SeekBar::SeekBar(HWND mainWindow)
    : TrackBar(CreateWindowExW(WS_EX_TOOLWINDOW, TRACKBAR_CLASSW, nullptr,
                               WS_CHILD | WS_VISIBLE | WS_DISABLED | TBS_BOTH | TBS_NOTICKS | TBS_FIXEDLENGTH |
                                   TBS_TOOLTIPS,
                               0, 0, 0, 0, mainWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kControlId)),
                               GetModuleHandleW(nullptr), nullptr)) {}

void SeekBar::startItem(int seconds) {
    EnableWindow(window(), TRUE);
    setRange(seconds);
    setPosition(0);  // not the last item's place until the first refresh
}

void SeekBar::stopItem() {
    setRange(0);
    EnableWindow(window(), FALSE);
}

LRESULT SeekBar::onSeekToolTip(NMTTDISPINFOW* info) const {
    info->hinst = nullptr;
    info->uFlags = 0;
    lstrcpynW(info->szText, formatTime(position()).c_str(), ARRAYSIZE(info->szText));
    info->lpszText = info->szText;
    return 0;
}

}  // namespace melodrift
