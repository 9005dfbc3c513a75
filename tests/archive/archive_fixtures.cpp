#include "archive/archive_fixtures.h"

#include "app/engine_settings.h"
#include "library/archive/archive_engine.h"
#include "app/settings/settings_files.h"
#include "support/files.h"

namespace melodrift::test {

void restartEngineWith(const Settings& settings) {
    configStore.load(L"Z:\\nonexistent\\melodrift-archive-tests-config.txt");  // loads as empty
    for (const auto& [key, value] : settings) configStore.entry(key) = value;
    useSettingsForEngine();
    resetEngineForTests();
}

std::wstring archivesDir() { return environmentVariable(L"MELODRIFT_ARCHIVES"); }
std::wstring archiveFixture(const std::wstring& name) { return archivesDir() + L"\\" + name; }
std::wstring audioFixture(const std::wstring& name) {
    return environmentVariable(L"MELODRIFT_FIXTURES") + L"\\" + name;
}

void ArchiveTest::SetUp() {
    if (archivesDir().empty()) GTEST_SKIP() << "MELODRIFT_ARCHIVES names no fixture archives";
    restartEngineWith();
}

}  // namespace melodrift::test
