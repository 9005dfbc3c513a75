#include "ui/window.h"

#include <exception>
#include <utility>

namespace melodrift {

namespace {

std::exception_ptr pendingException;
void (*drainQuitHandler)() = nullptr;

Window* windowObject(HWND hwnd) { return reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

}  // namespace

Window::~Window() {
    if (hwnd_ && IsWindow(hwnd_) && windowObject(hwnd_) == this) SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
}

ATOM registerWindowClass(
    UINT classStyle, HICON icon, HCURSOR cursor, HBRUSH backgroundBrush, const wchar_t* className, HICON smallIcon) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = classStyle;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hIcon = icon;
    wc.hCursor = cursor;
    wc.hbrBackground = backgroundBrush;
    wc.lpszClassName = className;
    wc.hIconSm = smallIcon;
    return RegisterClassExW(&wc);
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* object = windowObject(hwnd);
    if (!object) {
        // Messages before WM_NCCREATE (WM_GETMINMAXINFO, for one) have no object yet.
        if (message != WM_NCCREATE) return DefWindowProcW(hwnd, message, wParam, lParam);
        object = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (!object) return DefWindowProcW(hwnd, message, wParam, lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
        object->hwnd_ = hwnd;
    }
    try {
        return object->handleMessage(hwnd, message, wParam, lParam);
    } catch (...) {
        if (!pendingException) pendingException = std::current_exception();
        return 0;
    }
}

void rethrowPendingException() {
    if (pendingException) std::rethrow_exception(std::exchange(pendingException, nullptr));
}

int runMessageLoop() {
    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        rethrowPendingException();
    }
    return static_cast<int>(msg.wParam);
}

void setDrainQuitHandler(void (*handler)()) { drainQuitHandler = handler; }

void pumpPendingMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The main loop that would finish up will never run again.
            if (drainQuitHandler) drainQuitHandler();
            ExitProcess(static_cast<UINT>(msg.wParam));
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        rethrowPendingException();
    }
}

}  // namespace melodrift
