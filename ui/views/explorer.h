#pragma once

#include <string>

namespace melodrift {

// How the file manager is asked to show a path: a directory is opened by the shell,
// anything else (an archive, a CUE sheet, a path that cannot be examined) by running
// the file manager with its containing folder open and the file selected.
struct ExplorerRequest {
    enum Kind { OpenWithShell, RunCommandLine };
    Kind kind;
    std::wstring text;  // the directory for the shell, or the whole command line
};

// explorer /select,"<path>"
std::wstring explorerSelectCommandLine(const std::wstring& path);

// Looks at the path's attributes to choose the request; starts nothing.
ExplorerRequest explorerRequest(const std::wstring& path);

// Starts the file manager on the path without waiting for it; true when it started.
bool openInExplorer(const std::wstring& path);

}  // namespace melodrift
