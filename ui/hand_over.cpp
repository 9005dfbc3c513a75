#include "ui/hand_over.h"

#include <algorithm>
#include <limits>

namespace melodrift {

namespace {

struct Search {
    const wchar_t* property;
    HWND found;
};

BOOL CALLBACK findMarked(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    if (!GetPropW(window, search->property)) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

void markPlayerWindow(HWND window, const std::wstring& installationName) {
    SetPropW(window, installationName.c_str(), reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(1)));
}

void unmarkPlayerWindow(HWND window, const std::wstring& installationName) {
    RemovePropW(window, installationName.c_str());
}

HWND findPlayerWindow(const std::wstring& installationName) {
    Search search{installationName.c_str(), nullptr};
    EnumWindows(findMarked, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::optional<std::wstring> handedOverPath(const COPYDATASTRUCT& data) {
    if (data.dwData != kHandOverTag || !data.lpData || data.cbData < sizeof(wchar_t) ||
        data.cbData % sizeof(wchar_t) != 0)
        return std::nullopt;
    const auto* text = static_cast<const wchar_t*>(data.lpData);
    const size_t length = data.cbData / sizeof(wchar_t) - 1;
    if (std::find(text, text + length + 1, L'\0') != text + length) return std::nullopt;
    return std::wstring(text, length);
}

bool handOverPath(HWND player, const std::wstring& path, UINT timeoutMs) {
    const size_t bytes = (path.size() + 1) * sizeof(wchar_t);
    if (bytes > std::numeric_limits<DWORD>::max()) return false;
    COPYDATASTRUCT data{kHandOverTag, static_cast<DWORD>(bytes), const_cast<wchar_t*>(path.c_str())};
    // The player was started by the user too; let it take the foreground.
    DWORD playerProcess = 0;
    GetWindowThreadProcessId(player, &playerProcess);
    AllowSetForegroundWindow(playerProcess);
    DWORD_PTR accepted = FALSE;
    const LRESULT answered = SendMessageTimeoutW(
        player, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG | SMTO_BLOCK, timeoutMs, &accepted);
    return answered != 0 && accepted == TRUE;
}

}  // namespace melodrift
