#include "app/application.h"

#include "app/command_line.h"
#include "app/settings_files.h"
#include "ui/main_window.h"
#include "ui/window.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <memory>

namespace melodrift {

int runApplication() {
    // An empty removable drive is a folder with nothing in it, not a "no disk" dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS);
    const std::optional<std::wstring> path = commandLinePath();
    CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_COOL_CLASSES};
    InitCommonControlsEx(&controls);

    loadSettingsFiles();

    auto window = std::make_unique<MainWindow>();
    window->restoreSettings(path ? &*path : nullptr);
    const int exitCode = runMessageLoop();
    saveSettingsFiles();
    window.reset();
    return exitCode;
}

}  // namespace melodrift
