#pragma once

#include <windows.h>

#include <functional>

namespace melodrift::test {

// Polls condition, pumping this thread's messages in between; whether it held within timeoutMs.
inline bool waitUntil(const std::function<bool()>& condition, unsigned timeoutMs = 30000) {
    for (const DWORD start = GetTickCount(); !condition();
         MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT)) {
        if (GetTickCount() - start > timeoutMs) return false;
        for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) TranslateMessage(&msg), DispatchMessageW(&msg);
    }
    return true;
}

}  // namespace melodrift::test
