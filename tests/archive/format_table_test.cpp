// The engine's format table, the patterns that select each format, and archive names.
#include "archive/archive_fixtures.h"
#include "settings/settings_files.h"
#include "archive/archive_engine.h"
#include "archive/archive_names.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace melodrift {
namespace {

using test::ArchiveTest;
using test::restartEngineWith;
using Patterns = std::vector<std::wstring>;

const ArchiveFormat* findFormat(const std::wstring& name) {
    for (const ArchiveFormat& format : formatTable()) {
        if (format.name == name) return &format;
    }
    return nullptr;
}

size_t formatIndex(const std::wstring& name) {
    const auto& table = formatTable();
    for (size_t i = 0; i < table.size(); ++i) {
        if (table[i].name == name) return i;
    }
    return table.size();
}

using FormatTable = ArchiveTest;

TEST_F(FormatTable, HasTheEngineFormatsWithPatternsFromTheirExtensions) {
    ASSERT_TRUE(ensureEngineLoaded());
    EXPECT_GT(formatTable().size(), 10u);
    const ArchiveFormat* zip = findFormat(L"zip");
    const ArchiveFormat* sevenZip = findFormat(L"7z");
    ASSERT_NE(zip, nullptr);
    ASSERT_NE(sevenZip, nullptr);
    EXPECT_EQ(sevenZip->patterns, Patterns{L"*.7z"});
    // The engine lists several extensions for zip; each becomes "*." + extension.
    EXPECT_NE(std::find(zip->patterns.begin(), zip->patterns.end(), L"*.zip"), zip->patterns.end());
    EXPECT_NE(std::find(zip->patterns.begin(), zip->patterns.end(), L"*.jar"), zip->patterns.end());
    for (const std::wstring& pattern : zip->patterns) EXPECT_EQ(pattern.compare(0, 2, L"*."), 0) << pattern;
}

TEST_F(FormatTable, LoadsOnceAndAnswersTheSameTableAgain) {
    ASSERT_TRUE(ensureEngineLoaded());
    const auto* first = formatTable().data();
    const size_t size = formatTable().size();
    EXPECT_TRUE(ensureEngineLoaded());
    EXPECT_EQ(formatTable().data(), first);
    EXPECT_EQ(formatTable().size(), size);
}

TEST_F(FormatTable, FirstLoadAddsTheEngineKeysWithTheirDefaults) {
    ASSERT_TRUE(ensureEngineLoaded());
    const auto& entries = configStore.entries();
    ASSERT_EQ(entries.count(L"7zDLL"), 1u);
    EXPECT_EQ(entries.at(L"7zDLL"), L"7z.dll");
    for (const ArchiveFormat& format : formatTable()) {
        const std::wstring key = L"Archive[" + format.name + L"]";
        ASSERT_EQ(entries.count(key), 1u) << key;
        EXPECT_EQ(entries.at(key), L"DEFAULT") << key;
    }
    EXPECT_TRUE(configStore.dirty());
}

TEST_F(FormatTable, EmptyValueSwitchesAFormatOff) {
    restartEngineWith({{L"Archive[zip]", L""}});
    ASSERT_TRUE(ensureEngineLoaded());
    const ArchiveFormat* zip = findFormat(L"zip");
    ASSERT_NE(zip, nullptr);
    EXPECT_TRUE(zip->patterns.empty());
    EXPECT_FALSE(isArchiveName(L"C:\\music\\album.zip"));
    EXPECT_TRUE(isArchiveName(L"C:\\music\\album.7z"));
}

TEST_F(FormatTable, CustomListIsTakenAsGiven) {
    restartEngineWith({{L"Archive[zip]", L"*.zip;;*.cbz; *.x;"}});
    ASSERT_TRUE(ensureEngineLoaded());
    const ArchiveFormat* zip = findFormat(L"zip");
    ASSERT_NE(zip, nullptr);
    // Empty pieces dropped, nothing trimmed, no "*." added.
    EXPECT_EQ(zip->patterns, (Patterns{L"*.zip", L"*.cbz", L" *.x"}));
    EXPECT_TRUE(isArchiveName(L"C:\\comics\\issue1.CBZ"));
    EXPECT_FALSE(isArchiveName(L"C:\\music\\app.jar"));
}

TEST_F(FormatTable, OnlyTheExactWordDefaultMeansTheExtensions) {
    restartEngineWith({{L"Archive[zip]", L"default"}});
    ASSERT_TRUE(ensureEngineLoaded());
    EXPECT_EQ(findFormat(L"zip")->patterns, Patterns{L"default"});
    EXPECT_FALSE(isArchiveName(L"C:\\music\\album.zip"));
}

TEST_F(FormatTable, RowsKeepTheEngineOrder) {
    ASSERT_TRUE(ensureEngineLoaded());
    // Row i is format i: the class id asked by index gives back the row's own name.
    const auto& table = formatTable();
    for (UINT32 i = 0; i < table.size(); ++i) {
        PROPVARIANT name;
        PropVariantInit(&name);
        ASSERT_EQ(engineHandlerProperty(i, kHandlerName, &name), S_OK);
        EXPECT_EQ(table[i].name, std::wstring(name.vt == VT_BSTR ? name.bstrVal : L"")) << i;
        PropVariantClear(&name);
    }
    EXPECT_LT(formatIndex(L"zip"), table.size());
}

using ArchiveNames = ArchiveTest;

TEST_F(ArchiveNames, MatchAnyPatternOfAnyFormatWhateverTheCase) {
    EXPECT_TRUE(isArchiveName(L"C:\\music\\album.zip"));
    EXPECT_TRUE(isArchiveName(L"C:\\music\\ALBUM.7Z"));
    EXPECT_TRUE(isArchiveName(L"C:\\music\\album.tar.gz"));
    EXPECT_FALSE(isArchiveName(L"C:\\music\\song.mp3"));
    EXPECT_FALSE(isArchiveName(L"C:\\music\\album.cue"));
    EXPECT_FALSE(isArchiveName(L"C:\\music\\zip"));
}

TEST_F(ArchiveNames, TwoFormatsMayClaimTheSameName) {
    restartEngineWith({{L"Archive[7z]", L"*.zip;*.7z"}});
    ASSERT_TRUE(ensureEngineLoaded());
    EXPECT_TRUE(isArchiveName(L"C:\\music\\album.zip"));
    restartEngineWith({{L"Archive[7z]", L"*.zip"}, {L"Archive[zip]", L""}});
    EXPECT_TRUE(isArchiveName(L"C:\\music\\album.zip"));
    EXPECT_FALSE(isArchiveName(L"C:\\music\\album.7z"));
}

}  // namespace
}  // namespace melodrift
