#include "app/command_line.h"

#include <windows.h>
#include <shellapi.h>

namespace melodrift {

std::optional<std::wstring> commandLinePath() { return commandLinePathOf(GetCommandLineW()); }

std::optional<std::wstring> commandLinePathOf(const wchar_t* commandLine) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(commandLine, &count);
    if (!arguments) return std::nullopt;
    std::optional<std::wstring> path;
    if (count >= 2) path = arguments[1];
    LocalFree(arguments);
    // "D:\" and "D:\My Music\" as typed: the backslash escapes the closing quote, so the
    // argument ends in a quote and takes in the rest of the line. No path holds a quote.
    if (path) {
        const size_t quote = path->find(L'"');
        if (quote != std::wstring::npos) path->replace(quote, std::wstring::npos, 1, L'\\');
    }
    return path;
}

}  // namespace melodrift
