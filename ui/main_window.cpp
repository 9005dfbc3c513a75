#include "ui/main_window.h"

#include "app/settings_files.h"

namespace melodrift {

namespace {
constexpr int kIconResource = 10;
}

DWORD driveMaskFromLetters(const std::wstring& text) {
    DWORD mask = 0;
    for (wchar_t c : text) {
        if (c >= L'A' && c <= L'Z') mask |= 1u << (c - L'A');
        else if (c >= L'a' && c <= L'z') mask |= 1u << (c - L'a');
    }
    return mask;
}

std::wstring favoriteKey(int index) {
    wchar_t key[32];
    wsprintfW(key, L"Favorite[%02d]", index);
    return key;
}

MainWindow::MainWindow() {
    const HINSTANCE module = GetModuleHandleW(nullptr);
    const HICON icon = LoadIconW(module, MAKEINTRESOURCEW(kIconResource));
    const ATOM atom = registerWindowClass(0, icon, LoadCursorW(nullptr, IDC_ARROW),
                                          static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)),
                                          L"melodrift-MainWindow", icon);
    CreateWindowExW(WS_EX_WINDOWEDGE | WS_EX_ACCEPTFILES, reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(atom)),
                    L"melodrift", WS_OVERLAPPEDWINDOW, 0, 0, 0, 0, nullptr, nullptr, module, this);
    rethrowPendingException();
}

MainWindow::~MainWindow() = default;

void MainWindow::restoreSettings() {
    hiddenDrives_ = driveMaskFromLetters(configStore.getString(L"Hidden", L""));
    // The list ends at the first empty or missing key.
    for (int n = 0;; ++n) {
        const std::wstring& path = configStore.getString(favoriteKey(n), L"");
        if (path.empty()) break;
        favorites_.push_back(path);
    }
}

void MainWindow::saveSettings() {
    for (size_t k = 0; k < favorites_.size(); ++k) {
        const std::wstring key = favoriteKey(static_cast<int>(k));
        if (lstrcmpiW(configStore.getString(key, L"").c_str(), favorites_[k].c_str()) != 0) {
            configStore.entry(key) = favorites_[k];
            configStore.markDirty();
        }
    }
}

LRESULT MainWindow::handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        saveSettings();
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace melodrift
