// Opening archives with the real engine and extracting entries into memory.
#include "archive/archive_fixtures.h"
#include "archive/archive.h"
#include "archive/archive_engine.h"
#include "support/files.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace melodrift {
namespace {

using test::archiveFixture;
using test::audioFixture;
using test::restartEngineWith;
using Names = std::vector<std::wstring>;

Names itemNames(const Archive& archive) {
    Names names;
    for (const auto& item : archive.items()) names.push_back(item.first);
    return names;
}

std::string extracted(const Archive& archive, const std::wstring& name) {
    const std::vector<uint8_t> bytes = archive.extract(name);
    return std::string(bytes.begin(), bytes.end());
}

const Names kMusic{L"B.wav", L"disc1\\01.mp3", L"disc2\\01.mp3", L"notes.txt", L"tone440.wav"};

using ArchiveOpening = test::ArchiveTest;

TEST_F(ArchiveOpening, ListsFileEntriesInCodeUnitOrderWithoutDirectories) {
    for (const wchar_t* name : {L"music.7z", L"music.zip"}) {
        Archive archive(archiveFixture(name));
        EXPECT_TRUE(archive.isOpen()) << name;
        EXPECT_EQ(itemNames(archive), kMusic) << name;
    }
}

TEST_F(ArchiveOpening, ArchiveOfDirectoriesOnlyHasNoItems) {
    Archive archive(archiveFixture(L"dirs_only.7z"));
    EXPECT_TRUE(archive.isOpen());
    EXPECT_TRUE(archive.items().empty());
}

TEST_F(ArchiveOpening, SameNameTwiceListsOnceAndKeepsTheFirst) {
    Archive archive(archiveFixture(L"duplicates.zip"));
    EXPECT_EQ(itemNames(archive), Names{L"dup.wav"});
    EXPECT_EQ(archive.items().at(L"dup.wav"), 0u);
    EXPECT_EQ(extracted(archive, L"dup.wav"), test::readBytes(audioFixture(L"tone440_3s.wav")));
}

TEST_F(ArchiveOpening, ZipNamedFileThatIsA7zOpensThroughALaterFormat) {
    // The zip handler is tried first and fails; the search goes on to 7z.
    restartEngineWith({{L"Archive[7z]", L"*.7z;*.zip"}});
    ASSERT_TRUE(ensureEngineLoaded());
    Archive archive(archiveFixture(L"really7z.zip"));
    EXPECT_TRUE(archive.isOpen());
    EXPECT_EQ(itemNames(archive), kMusic);
}

TEST_F(ArchiveOpening, OnlyFormatsWhosePatternsMatchAreTried) {
    // With default patterns no format that reads 7z claims a .zip name.
    Archive really7z(archiveFixture(L"really7z.zip"));
    EXPECT_FALSE(really7z.isOpen());
    EXPECT_TRUE(really7z.items().empty());
    restartEngineWith({{L"Archive[zip]", L""}});
    Archive zipSwitchedOff(archiveFixture(L"music.zip"));
    EXPECT_FALSE(zipSwitchedOff.isOpen());
}

TEST_F(ArchiveOpening, CustomPatternsOpenAComicBookAsZip) {
    restartEngineWith({{L"Archive[zip]", L"*.zip;*.cbz"}});
    Archive archive(archiveFixture(L"music.cbz"));
    EXPECT_TRUE(archive.isOpen());
    EXPECT_EQ(itemNames(archive), kMusic);
}

TEST_F(ArchiveOpening, MissingOrUnknownFileIsEmpty) {
    test::TempDir dir;
    Archive missing(dir.file(L"none.zip"));
    EXPECT_FALSE(missing.isOpen());
    test::writeBytes(dir.file(L"garbage.zip"), std::string(4096, 'x'));
    Archive garbage(dir.file(L"garbage.zip"));
    EXPECT_FALSE(garbage.isOpen());
    EXPECT_TRUE(garbage.items().empty());
    EXPECT_TRUE(garbage.extract(L"anything").empty());
}

TEST_F(ArchiveOpening, TruncatedArchivesGiveDefinedResults) {
    // The 7z index is at the end: half a 7z has no listing at all.
    Archive sevenZip(archiveFixture(L"truncated.7z"));
    EXPECT_FALSE(sevenZip.isOpen());
    EXPECT_TRUE(sevenZip.items().empty());
    // Half a zip still lists entries from their local headers. A cut entry gives what
    // the engine decoded of it, never more than the whole.
    const size_t wav = test::readBytes(audioFixture(L"tone440_3s.wav")).size();
    Archive zip(archiveFixture(L"truncated.zip"));
    EXPECT_FALSE(zip.items().empty());
    for (const auto& item : zip.items()) EXPECT_LE(zip.extract(item.first).size(), wav) << item.first.size();
}

TEST_F(ArchiveOpening, EncryptedListingCannotBeOpenedWithoutAPassword) {
    Archive archive(archiveFixture(L"password.7z"));
    EXPECT_FALSE(archive.isOpen());
    EXPECT_TRUE(archive.items().empty());
}

TEST_F(ArchiveOpening, EncryptedEntryListsButExtractsToNothing) {
    Archive archive(archiveFixture(L"password.zip"));
    EXPECT_EQ(itemNames(archive), Names{L"tone440.wav"});
    EXPECT_TRUE(archive.extract(L"tone440.wav").empty());
}

TEST_F(ArchiveOpening, KeepsTheArchiveFileOpenForReadingOnly) {
    test::TempDir dir;
    const std::wstring copy = dir.file(L"music.7z");
    test::writeBytes(copy, test::readBytes(archiveFixture(L"music.7z")));
    {
        Archive archive(copy);
        ASSERT_TRUE(archive.isOpen());
        // Others may read it, nobody may change or delete it meanwhile.
        HANDLE reader = CreateFileW(copy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(reader, INVALID_HANDLE_VALUE);
        if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);
        EXPECT_FALSE(DeleteFileW(copy.c_str()));
    }
    EXPECT_TRUE(DeleteFileW(copy.c_str()));
}

using ArchiveExtraction = test::ArchiveTest;

TEST_F(ArchiveExtraction, GivesTheOriginalBytesExactly) {
    const std::string wav = test::readBytes(audioFixture(L"tone440_3s.wav"));
    const std::string mp3 = test::readBytes(audioFixture(L"tone880_4s.mp3"));
    ASSERT_FALSE(wav.empty());
    for (const wchar_t* name : {L"music.7z", L"music.zip"}) {
        Archive archive(archiveFixture(name));
        EXPECT_EQ(extracted(archive, L"tone440.wav"), wav) << name;
        EXPECT_EQ(extracted(archive, L"B.wav"), wav) << name;
        EXPECT_EQ(extracted(archive, L"disc1\\01.mp3"), mp3) << name;
        EXPECT_EQ(extracted(archive, L"disc2\\01.mp3"), mp3) << name;
    }
}

// A gzip file's trailer states the size the engine announces; the data decides.
TEST_F(ArchiveExtraction, EntryLongerOrShorterThanItsAnnouncedSizeGivesItsRealBytes) {
    const std::string wav = test::readBytes(audioFixture(L"tone440_3s.wav"));
    ASSERT_FALSE(wav.empty());
    for (const wchar_t* name : {L"stated_short.gz", L"stated_long.gz"}) {
        Archive archive(archiveFixture(name));
        ASSERT_EQ(archive.items().count(L"tone.wav"), 1u) << name;
        EXPECT_NE(archive.itemSize(archive.items().at(L"tone.wav")), wav.size()) << name;
        EXPECT_EQ(extracted(archive, L"tone.wav"), wav) << name;
    }
}

TEST_F(ArchiveExtraction, SameEntryTwiceGivesTheSameBytes) {
    Archive archive(archiveFixture(L"music.7z"));
    const std::string first = extracted(archive, L"disc2\\01.mp3");
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(extracted(archive, L"disc2\\01.mp3"), first);
}

TEST_F(ArchiveExtraction, MissingOrInexactNameGivesNothing) {
    Archive archive(archiveFixture(L"music.7z"));
    EXPECT_TRUE(archive.extract(L"missing.wav").empty());
    EXPECT_TRUE(archive.extract(L"TONE440.WAV").empty());
    EXPECT_TRUE(archive.extract(L"disc1/01.mp3").empty());
    EXPECT_TRUE(archive.extract(L"disc1").empty());
    EXPECT_TRUE(archive.extract(L"").empty());
}

TEST_F(ArchiveExtraction, EmptyEntryGivesNoBytes) {
    Archive archive(archiveFixture(L"mixed.zip"));
    ASSERT_EQ(archive.items().count(L"empty.wav"), 1u);
    EXPECT_EQ(archive.itemSize(archive.items().at(L"empty.wav")), 0u);
    EXPECT_TRUE(archive.extract(L"empty.wav").empty());
}

TEST_F(ArchiveExtraction, EntryPathLongerThanAnyWindowsPathIsReadWhole) {
    Archive archive(archiveFixture(L"long_name.zip"));
    ASSERT_EQ(archive.items().size(), 1u);
    const std::wstring name = archive.items().begin()->first;
    EXPECT_EQ(name.size(), 302u);
    EXPECT_EQ(name.substr(100, 1), L"\\");
    EXPECT_EQ(extracted(archive, name), test::readBytes(audioFixture(L"tone440_3s.wav")));
}

TEST_F(ArchiveExtraction, SizesAndTimesComeFromTheEntries) {
    Archive archive(archiveFixture(L"music.7z"));
    const UINT32 wav = archive.items().at(L"tone440.wav");
    EXPECT_EQ(archive.itemSize(wav), test::readBytes(audioFixture(L"tone440_3s.wav")).size());
    const FILETIME expectedTime = test::fixtureModifiedTime();
    const FILETIME modified = archive.itemModified(wav);
    EXPECT_EQ(modified.dwHighDateTime, expectedTime.dwHighDateTime);
    EXPECT_EQ(modified.dwLowDateTime, expectedTime.dwLowDateTime);
}

}  // namespace
}  // namespace melodrift
