// Which kind of folder a selected path becomes.
#include "library/folder.h"
#include "library/folder_cue.h"
#include "library/folder_dir.h"
#include "support/files.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace melodrift {
namespace {

using test::TempDir;

const std::vector<std::wstring> kAll{L"*"};

std::vector<std::wstring> itemNames(Folder& folder, const std::vector<std::wstring>& patterns = kAll) {
    std::vector<std::wstring> names;
    FolderItem item;
    const bool keepGoing = true;
    while (folder.nextItem(patterns, item, keepGoing)) names.push_back(item.name);
    return names;
}

TEST(OpenFolder, DirectoryNamedLikeASheetIsADirectory) {
    TempDir dir;
    const std::wstring sheetDir = dir.file(L"album.cue");
    ASSERT_TRUE(CreateDirectoryW(sheetDir.c_str(), nullptr));
    test::writeBytes(sheetDir + L"\\a.wav", "x");
    auto folder = openFolder(sheetDir, nullptr);
    ASSERT_TRUE(folder);
    EXPECT_NE(dynamic_cast<FolderDir*>(folder.get()), nullptr);
    EXPECT_EQ(folder->path(), sheetDir);
    EXPECT_EQ(itemNames(*folder), std::vector<std::wstring>{L"a.wav"});
}

TEST(OpenFolder, SheetBecomesATrackFolderWhateverTheCaseOfItsExtension) {
    TempDir dir;
    const std::wstring sheet = dir.file(L"Live.CUE");
    test::writeBytes(sheet, "FILE \"live.wav\" WAVE\r\nTRACK 01 AUDIO\r\nINDEX 01 00:00:00\r\n");
    auto folder = openFolder(sheet, nullptr);
    ASSERT_TRUE(folder);
    EXPECT_NE(dynamic_cast<FolderCue*>(folder.get()), nullptr);
    EXPECT_EQ(itemNames(*folder, {}), std::vector<std::wstring>{L"01"});
}

TEST(OpenFolder, MissingPathIsAnEmptyDirectory) {
    TempDir dir;
    auto folder = openFolder(dir.file(L"gone"), nullptr);
    ASSERT_TRUE(folder);
    EXPECT_NE(dynamic_cast<FolderDir*>(folder.get()), nullptr);
    EXPECT_TRUE(itemNames(*folder).empty());
}

TEST(OpenFolder, PlainFileGivesNoFolder) {
    TempDir dir;
    test::writeBytes(dir.file(L"song.mp3"), "x");
    EXPECT_FALSE(openFolder(dir.file(L"song.mp3"), nullptr));
}

}  // namespace
}  // namespace melodrift
