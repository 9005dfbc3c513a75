// Extraction happens in memory: nothing is written beside the archive or to %TEMP%.
#include "archive/archive_fixtures.h"
#include "archive/archive.h"
#include "support/files.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>


namespace melodrift {
namespace {

using test::archiveFixture;

using ArchiveInMemory = test::ArchiveTest;

TEST_F(ArchiveInMemory, ExtractWritesNoFileBesideTheArchiveOrInTemp) {
    test::TempDir dir;
    for (const wchar_t* name : {L"music.7z", L"music.zip"}) {
        test::writeBytes(dir.file(name), test::readBytes(archiveFixture(name)));
    }
    const test::TreeSnapshot beside = test::snapshotTree(dir.path());
    const test::TreeSnapshot temp = test::snapshotTree(test::systemTempFolder());
    for (const wchar_t* name : {L"music.7z", L"music.zip"}) {
        Archive archive(dir.file(name));
        ASSERT_TRUE(archive.isOpen());
        for (const auto& item : archive.items()) EXPECT_FALSE(archive.extract(item.first).empty());
    }
    EXPECT_EQ(test::snapshotTree(dir.path()), beside);
    EXPECT_EQ(test::snapshotTree(test::systemTempFolder()), temp);
}

}  // namespace
}  // namespace melodrift
