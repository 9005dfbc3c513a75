#include "ui/views/splitter.h"

#include "ui/window_update_lock.h"
#include <algorithm>

namespace melodrift {

namespace {

const wchar_t kClassName[] = L"melodrift-Splitter";
constexpr int kMinLeft = 20;
constexpr int kMinRightFromBar = 34;  // the bar's 4 pixels and 30 of the right pane
constexpr int kMinWidthForClamps = kMinLeft + kMinRightFromBar;

// Registered once per process; a second splitter uses the same class.
ATOM splitterClass() {
    static const ATOM atom = registerWindowClass(CS_HREDRAW | CS_VREDRAW, nullptr, LoadCursorW(nullptr, IDC_SIZEWE),
        reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)), kClassName, nullptr);
    return atom;
}

int defaultSplit(const RECT& area) { return area.left + (2 * (area.right - area.left)) / 5; }

}  // namespace

CSplitter::CSplitter(HWND mainWindow, HWND leftPane, HWND rightPane)
    : parentWindow_(mainWindow), leftPane_(leftPane), rightPane_(rightPane) {
    const ATOM atom = splitterClass();
    if (!atom) return;
    CreateWindowExW(WS_EX_WINDOWEDGE, reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(atom)), nullptr,
        WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, mainWindow, nullptr, GetModuleHandleW(nullptr), this);
}

// Goes with its window, as every control does, unless the parent has taken it down first.
CSplitter::~CSplitter() {
    if (IsWindow(window())) DestroyWindow(window());
}

void CSplitter::layout(int x, const RECT* area) {
    if (area) area_ = *area;
    const int left = area_.left;
    const int top = area_.top;
    const int right = area_.right;
    const int width = right - left;
    // A window shorter than its rebar and status bar leaves no height, not a negative one.
    const int height = std::max(0L, area_.bottom - area_.top);

    if (pendingPosition_ == kDefaultSplit) {
        pendingPosition_ = kNothingPending;
        x = defaultSplit(area_);
    } else if (pendingPosition_ >= 0) {
        x = pendingPosition_;
        pendingPosition_ = kNothingPending;
    }
    if (width >= kMinWidthForClamps)
        x = std::max(std::min(x, right - kMinRightFromBar), left + kMinLeft);
    else
        x = defaultSplit(area_);

    const WindowUpdateLock lock(parentWindow_);
    MoveWindow(leftPane_, left, top, std::max(0, x - left), height, TRUE);
    MoveWindow(rightPane_, x + kBarWidth, top, std::max(0, right - x - kBarWidth), height, TRUE);
    MoveWindow(window(), x, top, kBarWidth, height, TRUE);
}

int CSplitter::barPosition() const {
    RECT bar;
    GetWindowRect(window(), &bar);
    POINT corner{bar.left, bar.top};
    ScreenToClient(parentWindow_, &corner);
    return corner.x;
}

int CSplitter::cursorX() const {
    POINT cursor;
    GetCursorPos(&cursor);
    ScreenToClient(parentWindow_, &cursor);
    return cursor.x;
}

LRESULT CSplitter::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_LBUTTONDOWN:
        if (dragAnchor_ < 0) {
            dragAnchor_ = cursorX();
            SetCapture(window);
        }
        return 0;
    case WM_LBUTTONUP:
        if (dragAnchor_ >= 0) {
            const int anchor = dragAnchor_;
            dragAnchor_ = -1;
            ReleaseCapture();
            layout(barPosition() + cursorX() - anchor);
        }
        return 0;
    case WM_CAPTURECHANGED:
        // Another window took the mouse: this drag has no button-up to come, and its
        // anchor must not move the bar at the next click.
        dragAnchor_ = -1;
        return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace melodrift
