#include "ui/views/status_bar.h"

#include <commctrl.h>

#include <algorithm>

namespace melodrift {

namespace {
constexpr int kTimePartWidth = 200;
}  // namespace

std::wstring formatTime(int seconds) {
    wchar_t text[64];
    if (seconds < 60) {
        wsprintfW(text, L"%d", seconds);
        return text;
    }
    const int minutes = seconds / 60;
    const int rest = seconds - 60 * minutes;
    if (minutes < 60) {
        wsprintfW(text, L"%d:%.2d", minutes, rest);
        return text;
    }
    const int hours = minutes / 60;
    wsprintfW(text, L"%d:%.2d:%.2d", hours, minutes - 60 * hours, rest);
    return text;
}

StatusBar::StatusBar(HWND mainWindow) {
    hwnd_ = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | 0x10, 0, 0, 0, 0,
                            mainWindow, nullptr, GetModuleHandleW(nullptr), nullptr);
    // Real widths come with the main window's first WM_SIZE.
    int rightEdges[2] = {0, 0};
    SendMessageW(hwnd_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(rightEdges));
}

int StatusBar::resize(WPARAM sizeType, LPARAM clientSize) {
    int edges[2] = {std::max(0, LOWORD(clientSize) - kTimePartWidth), -1};
    SendMessageW(hwnd_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(edges));
    SendMessageW(hwnd_, WM_SIZE, sizeType, clientSize);
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return r.bottom - r.top;
}

void StatusBar::setItemName(const std::wstring& name) {
    SendMessageW(hwnd_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

void StatusBar::setTotal(int seconds) {
    totalText_ = seconds < 0 ? std::wstring() : formatTime(seconds);
    showPosition(0);
}

void StatusBar::showPosition(int seconds) {
    const std::wstring text = totalText_.empty() ? std::wstring() : formatTime(seconds) + L" / " + totalText_;
    SendMessageW(hwnd_, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(text.c_str()));
}

}  // namespace melodrift
