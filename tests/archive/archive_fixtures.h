#pragma once

#include "app/engine_settings.h"
#include "settings/settings_files.h"
#include "archive/archive_engine.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <utility>

namespace melodrift::test {

using Settings = std::vector<std::pair<std::wstring, std::wstring>>;

// Starts the engine afresh on the next use, with a configuration of only these keys.
inline void restartEngineWith(const Settings& settings = {}) {
    configStore.load(L"Z:\\nonexistent\\melodrift-archive-tests-config.txt");  // loads as empty
    for (const auto& [key, value] : settings) configStore.entry(key) = value;
    useSettingsForEngine();
    resetEngineForTests();
}

// The archives tests/fixtures/make_archives.py wrote (MELODRIFT_ARCHIVES; empty when unset).
inline std::wstring archivesDir() { return environmentVariable(L"MELODRIFT_ARCHIVES"); }
inline std::wstring archiveFixture(const std::wstring& name) { return archivesDir() + L"\\" + name; }

// Starts from a fresh engine with default settings; skipped without the fixture archives.
class ArchiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (archivesDir().empty()) GTEST_SKIP() << "MELODRIFT_ARCHIVES names no fixture archives";
        restartEngineWith();
    }
};

}  // namespace melodrift::test
