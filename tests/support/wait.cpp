#include "support/wait.h"

#include <windows.h>

namespace melodrift::test {

bool waitUntil(const std::function<bool()>& condition, unsigned timeoutMs) {
    for (const DWORD start = GetTickCount(); !condition();) {
        if (GetTickCount() - start > timeoutMs) return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return true;
}

}  // namespace melodrift::test
