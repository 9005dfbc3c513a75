#pragma once

#include <windows.h>

namespace melodrift {

// Holds a window's painting during a batch of changes (LockWindowUpdate); only a lock
// that succeeded is undone, so a nested one leaves the outer lock alone.
class WindowUpdateLock {
public:
    explicit WindowUpdateLock(HWND window) : locked_(LockWindowUpdate(window) != FALSE) {}
    ~WindowUpdateLock() {
        if (locked_) LockWindowUpdate(nullptr);
    }
    WindowUpdateLock(const WindowUpdateLock&) = delete;
    WindowUpdateLock& operator=(const WindowUpdateLock&) = delete;

private:
    bool locked_;
};

}  // namespace melodrift
