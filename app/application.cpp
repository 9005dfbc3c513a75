#include "app/application.h"

#include "app/command_line.h"
#include "app/engine_settings.h"
#include "app/installation_lock.h"
#include "base/module_paths.h"
#include "app/second_start.h"
#include "settings/settings_files.h"
#include "main_window/main_window.h"
#include "ui/window.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <memory>

namespace melodrift {

namespace {

// COM for the user-interface thread, from start-up until the window is gone.
class ComApartment {
public:
    ComApartment() : initialized_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComApartment() {
        if (initialized_) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool initialized_;
};

}  // namespace

int runApplication() {
    // An empty removable drive is a folder with nothing in it, not a "no disk" dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS);
    const std::optional<std::wstring> path = commandLinePath();

    // One player per installation: a later start hands its path over and leaves both
    // settings files alone, since the running player writes them at its exit.
    const std::wstring installation = installationName(modulePath());
    InstallationLock lock(installation);
    if (!lock.held()) {
        if (const std::optional<int> exitCode = handToRunningPlayer(installation, path, lock)) return *exitCode;
    }

    const ComApartment com;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_COOL_CLASSES};
    InitCommonControlsEx(&controls);

    loadSettingsFiles();
    useSettingsForEngine();
    // The main window put its state into the stores before it posted the quit; a quit
    // met in a nested drain keeps it, since the main loop will never get to write it.
    setDrainQuitHandler(saveSettingsFiles);

    auto window = std::make_unique<MainWindow>();
    window->restoreSettings(path ? &*path : nullptr);
    window->acceptHandOvers(installation);
    const int exitCode = runMessageLoop();
    saveSettingsFiles();
    window.reset();
    return exitCode;
}

}  // namespace melodrift
