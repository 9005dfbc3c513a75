#include "ui/views/status_bar.h"

#include <commctrl.h>

#include <algorithm>

namespace melodrift {

namespace {

constexpr int kTimePartWidth = 200;
// The first common controls' CCS_NOHILITE, which today's headers no longer name; kept so
// that the bar is created exactly as it always was.
constexpr DWORD kNoHighlight = 0x10;

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

StatusBar::StatusBar(HWND mainWindow)
    : Control(CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | kNoHighlight, 0, 0, 0, 0,
          mainWindow, nullptr, GetModuleHandleW(nullptr), nullptr)) {
    // Real widths come with the main window's first WM_SIZE.
    setPartEdges(0, 0);
}

void StatusBar::setPartEdges(int nameRight, int timeRight) {
    int rightEdges[2] = {nameRight, timeRight};
    SendMessageW(window(), SB_SETPARTS, 2, reinterpret_cast<LPARAM>(rightEdges));
}

void StatusBar::setPartText(int part, const std::wstring& text) {
    SendMessageW(window(), SB_SETTEXTW, part, reinterpret_cast<LPARAM>(text.c_str()));
}

int StatusBar::resize(WPARAM sizeType, LPARAM clientSize) {
    setPartEdges(std::max(0, LOWORD(clientSize) - kTimePartWidth), -1);
    return followParentSize(sizeType, clientSize);
}

void StatusBar::setItemName(const std::wstring& name) { setPartText(0, name); }

void StatusBar::setTotal(int seconds) {
    totalText_ = seconds < 0 ? std::wstring() : formatTime(seconds);
    showPosition(0);
}

void StatusBar::showPosition(int seconds) {
    const std::wstring text = totalText_.empty() ? std::wstring() : formatTime(seconds) + L" / " + totalText_;
    setPartText(1, text);
}

}  // namespace melodrift
