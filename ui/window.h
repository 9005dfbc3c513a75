#pragma once

#include <windows.h>

namespace melodrift {

// Base of the program's own window classes. The shared window procedure finds the
// object through the window's user data, linked on WM_NCCREATE.
class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    // Unlinks a window that outlives its object (only on the fatal-error path), so
    // that later messages get default handling instead of reaching a dead object.
    virtual ~Window();

    virtual LRESULT handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) = 0;

    HWND window() const { return hwnd_; }

private:
    friend LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;  // set by windowProc on WM_NCCREATE
};

ATOM registerWindowClass(
    UINT classStyle, HICON icon, HCURSOR cursor, HBRUSH backgroundBrush, const wchar_t* className, HICON smallIcon);

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Runs until WM_QUIT; returns the wParam of the last message retrieved (the quit code).
int runMessageLoop();

// Dispatches everything queued, so that long listings keep the window alive. A WM_QUIT
// met here runs the quit handler and ends the process with its code.
void pumpPendingMessages();

// What pumpPendingMessages runs before it ends the process on WM_QUIT; handed in by the
// start-up code, which keeps the settings so. Null: nothing.
void setDrainQuitHandler(void (*handler)());

// C++ exceptions cannot unwind through the system's message dispatch, so the window
// procedure catches them and the pumps rethrow them once dispatch has returned.
// Code that sends messages to its own windows outside a pump calls this afterwards.
void rethrowPendingException();

}  // namespace melodrift
