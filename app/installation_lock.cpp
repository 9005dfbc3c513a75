#include "app/installation_lock.h"

#include <windows.h>

#include <cstdint>

namespace melodrift {

namespace {

// A path started by its short (8.3) form names the same installation as its long form.
std::wstring longFormOf(const std::wstring& path) {
    const DWORD needed = GetLongPathNameW(path.c_str(), nullptr, 0);
    if (needed == 0) return path;
    std::wstring buffer(needed, L'\0');
    const DWORD length = GetLongPathNameW(path.c_str(), &buffer[0], needed);
    if (length == 0 || length >= needed) return path;
    buffer.resize(length);
    return buffer;
}

}  // namespace

std::wstring installationName(const std::wstring& executablePath) {
    std::wstring path = longFormOf(executablePath);
    if (!path.empty()) CharUpperBuffW(&path[0], static_cast<DWORD>(path.size()));
    // FNV-1a over the UTF-16 units: no backslashes, and short enough for any name.
    uint64_t hash = 14695981039346656037ull;
    for (const wchar_t unit : path) {
        hash ^= static_cast<uint16_t>(unit);
        hash *= 1099511628211ull;
    }
    wchar_t name[32];
    wsprintfW(name, L"melodrift-%08lx%08lx", static_cast<unsigned long>(hash >> 32),
        static_cast<unsigned long>(hash & 0xFFFFFFFFu));
    return name;
}

InstallationLock::InstallationLock(const std::wstring& installationName)
    : mutex_(CreateMutexW(nullptr, FALSE, (L"Local\\" + installationName).c_str())) {
    waitToHold(0);
}

InstallationLock::~InstallationLock() {
    if (held_) ReleaseMutex(mutex_.get());
}

bool InstallationLock::waitToHold(DWORD timeoutMs) {
    if (held_) return true;
    // Without a mutex there is no way to know of another start: run alone, as before.
    if (!mutex_) return held_ = true;
    const DWORD result = WaitForSingleObject(mutex_.get(), timeoutMs);
    // Abandoned: the holder ended without giving it back (killed, or a quit in a nested
    // pump); its settings files are as it left them, so the lock is ours.
    held_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    return held_;
}

}  // namespace melodrift
