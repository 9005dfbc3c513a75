#include "ui/views/rebar.h"

#include <commctrl.h>

namespace melodrift {

namespace {

constexpr DWORD kRebarStyle =
    WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_BORDER | RBS_BANDBORDERS | RBS_FIXEDORDER;

}  // namespace

Rebar::Rebar(HWND mainWindow)
    : Control(CreateWindowExW(WS_EX_TOOLWINDOW, REBARCLASSNAMEW, nullptr, kRebarStyle, 0, 0, 0, 0, mainWindow, nullptr,
          GetModuleHandleW(nullptr), nullptr)) {}

void Rebar::addBand(HWND child, int minWidth, int width, int height) {
    REBARBANDINFOW band{};
    // The layout up to cxHeader, which the classic rebar knows; on each architecture its
    // own size, or the control ignores the fields past the first version's (cyMaxChild).
    band.cbSize = REBARBANDINFOW_V6_SIZE;
    band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE;
    band.fStyle = RBBS_NOVERT | RBBS_NOGRIPPER;
    band.hwndChild = child;
    band.cxMinChild = minWidth;
    band.cyMinChild = height;
    band.cx = width;
    band.cyMaxChild = height;
    SendMessageW(window(), RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
}

int Rebar::resize(WPARAM sizeType, LPARAM clientSize) { return followParentSize(sizeType, clientSize); }

}  // namespace melodrift
