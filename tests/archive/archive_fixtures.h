#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace melodrift::test {

using Settings = std::vector<std::pair<std::wstring, std::wstring>>;

// Starts the engine afresh on the next use, with a configuration that holds only
// these keys (a missing key gets its default when it is read).
void restartEngineWith(const Settings& settings = {});

// The directory of archives that tests/fixtures/make_archives.py wrote, from the
// environment variable MELODRIFT_ARCHIVES; empty when unset.
std::wstring archivesDir();
std::wstring archiveFixture(const std::wstring& name);
// The audio files the archives were made from (MELODRIFT_FIXTURES).
std::wstring audioFixture(const std::wstring& name);

// The modification time every entry of the fixture archives carries.
FILETIME fixtureModifiedTime();

// Tests of archives start from a fresh engine with default settings, and are skipped
// when the fixture archives were not made for this run.
class ArchiveTest : public ::testing::Test {
protected:
    void SetUp() override;
};

}  // namespace melodrift::test
