// A small console helper for the scripts: waits for a top-level window of a class,
// or asks every such window to close.
//   window_probe wait CLASS SECONDS [MARKER]   exit 0 once a window of CLASS exists,
//                                             and create the file MARKER then
//   window_probe close CLASS                  posts WM_CLOSE to each window of CLASS
// Windows are looked for on the desktop named by WINDOW_PROBE_DESKTOP, if set.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <cstdlib>

int wmain(int argc, wchar_t** argv) {
    if (const wchar_t* desktopName = _wgetenv(L"WINDOW_PROBE_DESKTOP")) {
        if (HDESK desktop = OpenDesktopW(desktopName, 0, FALSE, GENERIC_ALL)) SetThreadDesktop(desktop);
    }
    if (argc >= 4 && wcscmp(argv[1], L"wait") == 0) {
        const DWORD timeoutMs = static_cast<DWORD>(_wtoi(argv[3])) * 1000;
        const DWORD start = GetTickCount();
        while (!FindWindowW(argv[2], nullptr)) {
            if (GetTickCount() - start > timeoutMs) return 1;
            Sleep(100);
        }
        if (argc >= 5) CloseHandle(CreateFileW(argv[4], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        return 0;
    }
    if (argc >= 3 && wcscmp(argv[1], L"close") == 0) {
        int closed = 0;
        for (HWND hwnd = nullptr; (hwnd = FindWindowExW(nullptr, hwnd, argv[2], nullptr)) != nullptr;) {
            PostMessageW(hwnd, WM_CLOSE, 0, 0);
            ++closed;
        }
        return closed ? 0 : 1;
    }
    std::fputs("usage: window_probe wait CLASS SECONDS [MARKER] | close CLASS\n", stderr);
    return 2;
}
