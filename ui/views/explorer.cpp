#include "ui/views/explorer.h"

#include "base/unique_handle.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

namespace melodrift {

std::wstring explorerSelectCommandLine(const std::wstring& path) { return L"explorer /select,\"" + path + L"\""; }

ExplorerRequest explorerRequest(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return {ExplorerRequest::OpenWithShell, path};
    return {ExplorerRequest::RunCommandLine, explorerSelectCommandLine(path)};
}

bool openInExplorer(const std::wstring& path) {
    const ExplorerRequest request = explorerRequest(path);
    if (request.kind == ExplorerRequest::OpenWithShell) {
        const auto result = ShellExecuteW(nullptr, nullptr, request.text.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        return reinterpret_cast<INT_PTR>(result) > 32;
    }
    // CreateProcessW may write into the command line it is given.
    std::vector<wchar_t> commandLine(request.text.begin(), request.text.end());
    commandLine.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    KernelHandle thread(process.hThread);
    KernelHandle started(process.hProcess);
    return true;
}

}  // namespace melodrift
