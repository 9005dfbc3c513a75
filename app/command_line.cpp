#include "app/command_line.h"

#include <windows.h>
#include <shellapi.h>

namespace melodrift {

std::optional<std::wstring> commandLinePath() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments) return std::nullopt;
    std::optional<std::wstring> path;
    if (count >= 2) path = arguments[1];
    LocalFree(arguments);
    return path;
}

}  // namespace melodrift
