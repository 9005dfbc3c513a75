#include "ui/views/track_bar.h"

#include "ui/views/status_bar.h"

namespace melodrift {

HWND TrackBar::toolTipWindow() const {
    return reinterpret_cast<HWND>(SendMessageW(hwnd_, TBM_GETTOOLTIPS, 0, 0));
}

int TrackBar::position() const {
    return static_cast<int>(SendMessageW(hwnd_, TBM_GETPOS, 0, 0));
}

SeekBar::SeekBar(HWND mainWindow)
    : TrackBar(CreateWindowExW(WS_EX_TOOLWINDOW, TRACKBAR_CLASSW, nullptr,
                               WS_CHILD | WS_VISIBLE | WS_DISABLED | TBS_BOTH | TBS_NOTICKS | TBS_FIXEDLENGTH |
                                   TBS_TOOLTIPS,
                               0, 0, 0, 0, mainWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kControlId)),
                               GetModuleHandleW(nullptr), nullptr)) {}

LRESULT SeekBar::onSeekToolTip(NMTTDISPINFOW* info) const {
    info->hinst = nullptr;
    info->uFlags = 0;
    lstrcpynW(info->szText, formatTime(position()).c_str(), ARRAYSIZE(info->szText));
    info->lpszText = info->szText;
    return 0;
}

}  // namespace melodrift
