// Stands in for a hung player: holds the lock of the installation named on its command
// line, shows a main window marked for it, and never reads a message.
#include "app/installation_lock.h"
#include "ui/hand_over.h"

#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    melodrift::InstallationLock lock(argv[1]);
    if (!lock.held()) return 3;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"melodrift-MainWindow";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"melodrift", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                  nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window) return 4;
    melodrift::markPlayerWindow(window, argv[1]);
    Sleep(INFINITE);
    return 0;
}
