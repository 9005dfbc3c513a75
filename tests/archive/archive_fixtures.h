#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace melodrift::test {

using Settings = std::vector<std::pair<std::wstring, std::wstring>>;

// Starts the engine afresh on the next use, with a configuration of only these keys.
void restartEngineWith(const Settings& settings = {});
// The archives tests/fixtures/make_archives.py wrote (MELODRIFT_ARCHIVES; empty when unset)
// and the audio files they were made from (MELODRIFT_FIXTURES).
std::wstring archivesDir();
std::wstring archiveFixture(const std::wstring& name);
std::wstring audioFixture(const std::wstring& name);

// Starts from a fresh engine with default settings; skipped without the fixture archives.
class ArchiveTest : public ::testing::Test {
protected:
    void SetUp() override;
};

}  // namespace melodrift::test
