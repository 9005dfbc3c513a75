#include "ui/views/track_bar.h"

#include "ui/views/status_bar.h"

namespace melodrift {

namespace {

const wchar_t kTipProcProperty[] = L"melodrift-SeekTipProc";
const wchar_t kTipBarProperty[] = L"melodrift-SeekTipBar";

// The trackbar words its own tooltip, the bare position, whenever a held thumb moves,
// and asks nobody for the text: the seek bar's tooltip is handed the time instead.
LRESULT CALLBACK seekTipProc(HWND tip, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto original = reinterpret_cast<WNDPROC>(GetPropW(tip, kTipProcProperty));
    const auto bar = static_cast<HWND>(GetPropW(tip, kTipBarProperty));
    if (message == TTM_UPDATETIPTEXTW && lParam && reinterpret_cast<const TTTOOLINFOW*>(lParam)->hwnd == bar) {
        TTTOOLINFOW tool = *reinterpret_cast<const TTTOOLINFOW*>(lParam);
        std::wstring text = formatTime(TrackBar::positionOf(bar));
        tool.lpszText = &text[0];  // the tooltip keeps a copy
        return CallWindowProcW(original, tip, message, wParam, reinterpret_cast<LPARAM>(&tool));
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(tip, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        RemovePropW(tip, kTipProcProperty);
        RemovePropW(tip, kTipBarProperty);
    }
    return CallWindowProcW(original, tip, message, wParam, lParam);
}

}  // namespace

HWND TrackBar::toolTipWindow() const { return reinterpret_cast<HWND>(SendMessageW(window(), TBM_GETTOOLTIPS, 0, 0)); }

int TrackBar::positionOf(HWND trackBar) { return static_cast<int>(SendMessageW(trackBar, TBM_GETPOS, 0, 0)); }

int TrackBar::position() const { return positionOf(window()); }

void TrackBar::setPosition(int position) { SendMessageW(window(), TBM_SETPOS, TRUE, position); }

void TrackBar::setRange(int maximum) {
    SendMessageW(window(), TBM_SETRANGEMIN, FALSE, 0);
    SendMessageW(window(), TBM_SETRANGEMAX, TRUE, maximum);
    SendMessageW(window(), TBM_SETPAGESIZE, 0, 1);
}

SeekBar::SeekBar(HWND mainWindow)
    : TrackBar(CreateWindowExW(WS_EX_TOOLWINDOW, TRACKBAR_CLASSW, nullptr,
          WS_CHILD | WS_VISIBLE | WS_DISABLED | TBS_BOTH | TBS_NOTICKS | TBS_FIXEDLENGTH | TBS_TOOLTIPS, 0, 0, 0, 0,
          mainWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kControlId)), GetModuleHandleW(nullptr), nullptr)) {
    const HWND tip = toolTipWindow();
    if (!tip) return;
    SetPropW(tip, kTipBarProperty, window());
    SetPropW(tip, kTipProcProperty, reinterpret_cast<HANDLE>(GetWindowLongPtrW(tip, GWLP_WNDPROC)));
    SetWindowLongPtrW(tip, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&seekTipProc));
}

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
