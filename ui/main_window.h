#pragma once

#include "ui/window.h"

#include <string>
#include <vector>

namespace melodrift {

// The program's only top-level window. For now it owns no controls: it keeps the
// drive mask and favourites read from the config file and writes the favourites
// back when it is destroyed.
class MainWindow : public Window {
public:
    MainWindow();
    ~MainWindow() override;

    void restoreSettings();
    void saveSettings();

    LRESULT handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;

    DWORD hiddenDrives() const { return hiddenDrives_; }
    const std::vector<std::wstring>& favorites() const { return favorites_; }

private:
    DWORD hiddenDrives_ = 0;
    std::vector<std::wstring> favorites_;
};

// Bit (letter - 'A') for every drive letter in text, either case; other characters count for nothing.
DWORD driveMaskFromLetters(const std::wstring& text);

std::wstring favoriteKey(int index);

}  // namespace melodrift
