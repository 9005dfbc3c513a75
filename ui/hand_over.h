#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace melodrift {

// How a later start of an installation reaches its running player: the player's main
// window carries a property named after the installation, and the later start sends it
// WM_COPYDATA with the path to open (empty: only come to the front).
constexpr ULONG_PTR kHandOverTag = 0x6D644F50;  // "mdOP"

void markPlayerWindow(HWND window, const std::wstring& installationName);
void unmarkPlayerWindow(HWND window, const std::wstring& installationName);
// Null when no window of the installation is marked (yet, or any more).
HWND findPlayerWindow(const std::wstring& installationName);

// The path a WM_COPYDATA hands over; none when the message is not a well-formed
// hand-over: another tag, an odd size, or text not ending at its one terminator.
std::optional<std::wstring> handedOverPath(const COPYDATASTRUCT& data);

// Sends the path and waits at most timeoutMs; true when the player took it.
bool handOverPath(HWND player, const std::wstring& path, UINT timeoutMs);

}  // namespace melodrift
