// Archives as flat folders: listing by pattern, item records, and the folder factory.
#include "archive/archive_fixtures.h"
#include "library/folder.h"
#include "library/folder_zip.h"
#include "playback/player.h"
#include "support/files.h"

#include <gtest/gtest.h>

namespace melodrift {
namespace {

using test::archiveFixture;
using test::audioFixture;
using test::restartEngineWith;
using Names = std::vector<std::wstring>;

const std::vector<std::wstring> kPlayable{L"*.mp?", L"*.wma", L"*.asf", L"*.wav", L"*.og?", L"*.aac"};

Names listNames(Folder& folder, const std::vector<std::wstring>& patterns = kPlayable) {
    Names names;
    FolderItem item;
    const bool keepGoing = true;
    while (folder.nextItem(patterns, item, keepGoing)) names.push_back(item.name);
    return names;
}

using FolderZipListing = test::ArchiveTest;

TEST_F(FolderZipListing, EveryMatchingEntryAtAnyDepthIsOneItemNamedByItsInnerPath) {
    for (const wchar_t* name : {L"music.7z", L"music.zip"}) {
        FolderZip folder(archiveFixture(name));
        EXPECT_EQ(folder.path(), archiveFixture(name));
        EXPECT_EQ(listNames(folder), (Names{L"B.wav", L"disc1\\01.mp3", L"disc2\\01.mp3", L"tone440.wav"})) << name;
    }
}

TEST_F(FolderZipListing, ItemRecordsCarryTypeSizeAndTime) {
    FolderZip folder(archiveFixture(L"music.7z"));
    FolderItem item;
    const bool keepGoing = true;
    ASSERT_TRUE(folder.nextItem({L"disc2\\*"}, item, keepGoing));
    EXPECT_EQ(item.name, L"disc2\\01.mp3");
    EXPECT_EQ(item.type, L"mp3");
    EXPECT_EQ(item.size, test::readBytes(audioFixture(L"tone880_4s.mp3")).size());
    const FILETIME expectedTime = test::fixtureModifiedTime();
    EXPECT_EQ(item.modified.dwLowDateTime, expectedTime.dwLowDateTime);
    EXPECT_EQ(item.modified.dwHighDateTime, expectedTime.dwHighDateTime);
    EXPECT_FALSE(folder.nextItem({L"disc2\\*"}, item, keepGoing));
}

TEST_F(FolderZipListing, ItemWithoutExtensionHasNoType) {
    FolderZip folder(archiveFixture(L"music.zip"));
    FolderItem item;
    item.type = L"stale";
    const bool keepGoing = true;
    ASSERT_TRUE(folder.nextItem({L"notes*"}, item, keepGoing));
    EXPECT_EQ(item.type, L"txt");
    FolderZip dirs(archiveFixture(L"dirs_only.7z"));
    EXPECT_FALSE(dirs.nextItem({L"*"}, item, keepGoing));
}

TEST_F(FolderZipListing, InnerArchivesSheetsAndEmptyEntriesFollowThePatterns) {
    FolderZip folder(archiveFixture(L"mixed.zip"));
    EXPECT_EQ(listNames(folder), (Names{L"empty.wav", L"tone440.wav"}));
    folder.rewind();
    EXPECT_EQ(listNames(folder, {L"*"}), (Names{L"album.cue", L"empty.wav", L"inner.zip", L"tone440.wav"}));
}

TEST_F(FolderZipListing, EmptyPatternListMatchesNothing) {
    FolderZip folder(archiveFixture(L"music.7z"));
    EXPECT_TRUE(listNames(folder, {}).empty());
}

TEST_F(FolderZipListing, EndStaysEndUntilRewind) {
    FolderZip folder(archiveFixture(L"music.7z"));
    EXPECT_EQ(listNames(folder).size(), 4u);
    EXPECT_TRUE(listNames(folder).empty());
    folder.rewind();
    EXPECT_EQ(listNames(folder).size(), 4u);
}

TEST_F(FolderZipListing, KeepGoingIsNotNeeded) {
    FolderZip folder(archiveFixture(L"music.7z"));
    FolderItem item;
    const bool stopped = false;
    EXPECT_TRUE(folder.nextItem(kPlayable, item, stopped));
}

TEST_F(FolderZipListing, UnopenableArchiveIsAnEmptyFolder) {
    for (const wchar_t* name : {L"truncated.7z", L"password.7z", L"really7z.zip"}) {
        FolderZip folder(archiveFixture(name));
        EXPECT_TRUE(listNames(folder, {L"*"}).empty()) << name;
    }
}

TEST_F(FolderZipListing, EntryPathLongerThanAnyWindowsPathIsListedWhole) {
    FolderZip folder(archiveFixture(L"long_name.zip"));
    const Names names = listNames(folder);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0].size(), 302u);
    EXPECT_EQ(names[0].substr(names[0].size() - 4), L".wav");
}

TEST_F(FolderZipListing, CreatePlayerNamesTheArchiveAndTheEntry) {
    FolderZip folder(archiveFixture(L"music.7z"));
    const std::wstring entry = L"disc1\\01.mp3";
    auto player = folder.createPlayer(entry, nullptr, WM_APP, WM_APP + 1);
    ASSERT_TRUE(player);
    EXPECT_EQ(player->folderPath(), archiveFixture(L"music.7z"));
    EXPECT_EQ(player->itemName(), entry);
}

using OpenArchiveFolder = test::ArchiveTest;

TEST_F(OpenArchiveFolder, ArchiveFileBecomesAFolderZip) {
    auto folder = openFolder(archiveFixture(L"music.7z"), nullptr);
    ASSERT_TRUE(folder);
    EXPECT_NE(dynamic_cast<FolderZip*>(folder.get()), nullptr);
    EXPECT_EQ(listNames(*folder).size(), 4u);
}

TEST_F(OpenArchiveFolder, ComicBookOpensOnlyWithItsPattern) {
    EXPECT_FALSE(openFolder(archiveFixture(L"music.cbz"), nullptr));
    restartEngineWith({{L"Archive[zip]", L"*.zip;*.cbz"}});
    auto folder = openFolder(archiveFixture(L"music.cbz"), nullptr);
    ASSERT_TRUE(folder);
    EXPECT_EQ(listNames(*folder).size(), 4u);
}

TEST_F(OpenArchiveFolder, SwitchedOffFormatLeavesAPlainFile) {
    restartEngineWith({{L"Archive[zip]", L""}});
    EXPECT_FALSE(openFolder(archiveFixture(L"music.zip"), nullptr));
}

}  // namespace
}  // namespace melodrift
