#include "app/engine_settings.h"

#include "archive/archive_engine.h"
#include "settings/settings_files.h"

#include <windows.h>

#include <utility>

namespace melodrift {

void useSettingsForEngine() {
    EngineSettings settings;
    settings.dllName = [] { return configStore.getString(L"7zDLL", L"7z.dll"); };
    settings.formatPatterns = [](const std::wstring& formatName) {
        return configStore.getString(L"Archive[" + formatName + L"]", L"DEFAULT");
    };
    settings.warnUnexpectedEngine = [] {
        MessageBoxW(
            nullptr, L"7z.dll が予期していたものではありません。無視します。", L"melodrift", MB_ICONWARNING | MB_OK);
    };
    setEngineSettings(std::move(settings));
}

}  // namespace melodrift
