#pragma once

#include "settings/settings_store.h"

namespace melodrift {

// User settings (favourites, masks, the archive engine) and window/playback state,
// kept in two files beside the executable.
extern SettingsStore configStore;
extern SettingsStore stateStore;

void loadSettingsFiles();
void saveSettingsFiles();

}  // namespace melodrift
