#include "settings/settings_files.h"

#include "base/module_paths.h"

namespace melodrift {

SettingsStore configStore;
SettingsStore stateStore;

void loadSettingsFiles() {
    const std::wstring base = settingsBasePath();
    configStore.load(base + L"-config.txt");
    stateStore.load(base + L"-state.txt");
}

void saveSettingsFiles() {
    configStore.save();
    stateStore.save();
}

}  // namespace melodrift
