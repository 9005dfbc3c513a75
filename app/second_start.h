#pragma once

#include <optional>
#include <string>

namespace melodrift {

class InstallationLock;

// Exit code of a start whose running player did not answer in time.
constexpr int kPlayerDidNotAnswer = 2;

// A start while the installation's player runs: hands it the path (or asks it to come
// to the front) without touching the settings files, and returns the exit code. Returns
// none when the running player ended meanwhile and the lock is now this start's own.
std::optional<int> handToRunningPlayer(
    const std::wstring& installationName, const std::optional<std::wstring>& path, InstallationLock& lock);

}  // namespace melodrift
