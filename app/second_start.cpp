#include "app/second_start.h"

#include "app/installation_lock.h"
#include "base/paths.h"
#include "ui/hand_over.h"

#include <windows.h>

namespace melodrift {

namespace {

// A player still starting marks its window once its settings are applied, which can
// take a while with a large last folder; one that is hung or closing does not answer.
constexpr DWORD kFindWindowTimeoutMs = 10000;
constexpr UINT kAnswerTimeoutMs = 5000;
constexpr DWORD kPollMs = 50;

}  // namespace

std::optional<int> handToRunningPlayer(
    const std::wstring& installationName, const std::optional<std::wstring>& path, InstallationLock& lock) {
    // The running player has another current directory: the path is made absolute here.
    const std::wstring handed = path ? fullPath(*path) : std::wstring();
    const DWORD start = GetTickCount();
    do {
        if (HWND player = findPlayerWindow(installationName))
            return handOverPath(player, handed, kAnswerTimeoutMs) ? 0 : kPlayerDidNotAnswer;
        // The player closed meanwhile (its window unmarked, then the lock given back).
        if (lock.waitToHold(kPollMs)) return std::nullopt;
    } while (GetTickCount() - start < kFindWindowTimeoutMs);
    return kPlayerDidNotAnswer;
}

}  // namespace melodrift
