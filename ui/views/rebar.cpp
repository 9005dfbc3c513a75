#include "ui/views/rebar.h"

#include <commctrl.h>

namespace melodrift {

Rebar::Rebar(HWND mainWindow)
    : hwnd_(CreateWindowExW(WS_EX_TOOLWINDOW, REBARCLASSNAMEW, nullptr, 0x56800C00, 0, 0, 0, 0, mainWindow, nullptr,
                            GetModuleHandleW(nullptr), nullptr)) {}

void Rebar::addBand(HWND child, int minWidth, int width, int height) {
    REBARBANDINFOW band{};
    band.cbSize = 80;  // the layout the classic rebar knows
    band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE;
    band.fStyle = RBBS_NOVERT | RBBS_NOGRIPPER;
    band.hwndChild = child;
    band.cxMinChild = minWidth;
    band.cyMinChild = height;
    band.cx = width;
    band.cyMaxChild = height;
    SendMessageW(hwnd_, RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
}

int Rebar::resize(WPARAM sizeType, LPARAM clientSize) {
    SendMessageW(hwnd_, WM_SIZE, sizeType, clientSize);
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return r.bottom - r.top;
}

}  // namespace melodrift
