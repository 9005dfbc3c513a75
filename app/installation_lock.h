#pragma once

#include "base/unique_handle.h"

#include <string>

namespace melodrift {

// The name of one installation (the executable's full path, in whatever case) as the
// kernel and the window manager see it. Both limit names in length while paths have no
// such limit, so the path is hashed.
std::wstring installationName(const std::wstring& executablePath);

// A named mutex that only the running player of an installation holds: taken before
// either settings file is read, given back after both are written.
class InstallationLock {
public:
    explicit InstallationLock(const std::wstring& installationName);
    ~InstallationLock();
    InstallationLock(const InstallationLock&) = delete;
    InstallationLock& operator=(const InstallationLock&) = delete;

    bool held() const { return held_; }
    // Waits up to timeoutMs for the holder to end or give the lock back; true once held.
    bool waitToHold(DWORD timeoutMs);

private:
    KernelHandle mutex_;
    bool held_ = false;
};

}  // namespace melodrift
