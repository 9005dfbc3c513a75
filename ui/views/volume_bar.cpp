#include "ui/views/volume_bar.h"

#include "ui/commands.h"

#include <algorithm>

namespace melodrift {

namespace {

const wchar_t kClassName[] = L"melodrift-Volume";

// Registered once per process; a second VolumeBar uses the same class.
ATOM volumeClass() {
    static const ATOM atom = registerWindowClass(CS_HREDRAW | CS_VREDRAW, nullptr, LoadCursorW(nullptr, IDC_ARROW),
        reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)), kClassName, nullptr);
    return atom;
}

}  // namespace

unsigned integerSqrt(unsigned a) {
    if (a == 0) return 0;
    // Start at a power of two no smaller than the root, then Newton's steps descend.
    unsigned r = 1;
    unsigned b = a;
    while (r < b) {
        r <<= 1;
        b >>= 1;
    }
    for (;;) {
        const unsigned c = (r + a / r) / 2;
        if (c >= r) return r;
        r = c;
    }
}

int volumeToPosition(int volume) {
    const int above = std::clamp(volume, VolumeBar::kMinVolume, VolumeBar::kMaxVolume) - VolumeBar::kMinVolume;
    return (above * above + 500000) / 1000000;
}

int positionToVolume(int position) {
    const unsigned p = static_cast<unsigned>(std::clamp(position, 0, VolumeBar::kMaxPosition));
    return static_cast<int>(integerSqrt(p * 1000000u)) + VolumeBar::kMinVolume;
}

VolumeBar::VolumeBar(HWND mainWindow) : ownerWindow_(mainWindow), notifyMessage_(MSG_SET_VOLUME) {
    CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_TOPMOST | WS_EX_TOOLWINDOW,
        reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(volumeClass())), nullptr, WS_POPUP | WS_CLIPCHILDREN, 0, 0, 0,
        0, mainWindow, nullptr, GetModuleHandleW(nullptr), this);
}

// Goes with its window, as every control does, unless the parent has taken it down first.
VolumeBar::~VolumeBar() {
    if (IsWindow(window())) DestroyWindow(window());
}

void VolumeBar::createTrackBar() {
    inner_ = std::make_unique<TrackBar>(CreateWindowExW(WS_EX_TOOLWINDOW, TRACKBAR_CLASSW, nullptr,
        WS_CHILD | WS_VISIBLE | TBS_NOTICKS | TBS_FIXEDLENGTH | TBS_TOOLTIPS, 0, 0, 0, 0, window(), nullptr,
        GetModuleHandleW(nullptr), nullptr));
    inner_->setRange(kMaxPosition);
}

void VolumeBar::setVolume(int volume) {
    volume_ = std::clamp(volume, kMinVolume, kMaxVolume);
    if (inner_) inner_->setPosition(volumeToPosition(volume_));
}

void VolumeBar::showAt(int x, int y, int width, int height) {
    setVolume(volume_);
    SetWindowPos(window(), HWND_TOPMOST, x, y, width, height, SWP_SHOWWINDOW);
}

LRESULT VolumeBar::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: createTrackBar(); return 0;
    case WM_SIZE:
        if (inner_) {
            RECT client;
            GetClientRect(window, &client);
            MoveWindow(inner_->window(), 0, 0, client.right, client.bottom, TRUE);
        }
        return 0;
    case WM_ACTIVATE:
        // Shown, the keys go to the bar at once; left, the pop-up goes away.
        if (LOWORD(wParam) == WA_INACTIVE)
            ShowWindow(window, SW_HIDE);
        else if (inner_)
            SetFocus(inner_->window());
        return 0;
    case WM_HSCROLL:
        // Every scroll code counts: the volume follows the thumb while it is dragged.
        if (inner_ && reinterpret_cast<HWND>(lParam) == inner_->window()) {
            volume_ = positionToVolume(inner_->position());
            SendMessageW(ownerWindow_, notifyMessage_, 0, volume_);
        }
        return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace melodrift
