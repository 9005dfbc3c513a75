// A save that cannot complete must leave the previous settings file as it was.
#include "settings/settings_store.h"
#include "support/files.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace melodrift {
namespace {

using test::TempDir;

// Writes until the file system refuses; returns how many bytes went in.
size_t fillDisk(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    std::string chunk(512, 'x');
    size_t total = 0;
    DWORD written = 0;
    while (WriteFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr) && written > 0)
        total += written;
    CloseHandle(file);
    return total;
}

TEST(SettingsSaveFailure, FullDiskKeepsTheOldFileAndLeavesNoScraps) {
    const std::wstring tinyFs = test::environmentVariable(L"MELODRIFT_TINY_FS");
    if (tinyFs.empty() || !test::fileExists(tinyFs + L"\\.tiny-fs"))
        GTEST_SKIP() << "no small file system was mounted for this run";

    TempDir dir(tinyFs);
    const std::wstring path = dir.file(L"melodrift-state.txt");
    SettingsStore store;
    store.load(path);
    store.setInt(L"Volume", -300);
    store.getString(L"LastFolder", L"C:\\Music");
    ASSERT_TRUE(store.save());
    const std::string before = test::readBytes(path);

    ASSERT_GT(fillDisk(dir.file(L"filler")), 0u);
    for (int i = 0; i < 400; ++i) store.setInt(L"Key" + std::to_wstring(i), i);  // far more than is free
    EXPECT_FALSE(store.save());

    EXPECT_EQ(test::readBytes(path), before);
    EXPECT_EQ(test::fileNamesIn(dir.path()), (std::vector<std::wstring>{L"filler", L"melodrift-state.txt"}));

    // With room again the same store saves whole.
    ASSERT_TRUE(DeleteFileW(dir.file(L"filler").c_str()));
    ASSERT_TRUE(store.save());
    SettingsStore reread;
    reread.load(path);
    EXPECT_EQ(reread.entries().size(), 402u);
    EXPECT_EQ(reread.getInt(L"Key399", 0), 399);
}

TEST(SettingsSaveFailure, MissingFolderFailsWithoutCreatingAnything) {
    TempDir dir;
    SettingsStore store;
    store.load(dir.file(L"gone\\melodrift-config.txt"));
    store.setInt(L"Volume", 0);
    EXPECT_FALSE(store.save());
    EXPECT_TRUE(test::fileNamesIn(dir.path()).empty());
}

TEST(SettingsSaveFailure, TargetThatCannotBeReplacedStaysAndTheScrapIsRemoved) {
    TempDir dir;
    const std::wstring path = dir.file(L"melodrift-config.txt");
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
    SettingsStore store;
    store.load(path);
    store.setInt(L"Volume", 0);
    EXPECT_FALSE(store.save());
    EXPECT_EQ(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY, DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(test::fileNamesIn(dir.path()), (std::vector<std::wstring>{L"melodrift-config.txt"}));
}

// The largest file save writes is one that load still reads; a larger one is never written.
TEST(SettingsSaveFailure, FileThatLoadWouldRefuseIsNotWritten) {
    TempDir dir;
    for (const size_t fileBytes : {size_t(99999998), size_t(100000000)}) {
        const std::wstring path = dir.file(std::to_wstring(fileBytes) + L".txt");
        const size_t value = fileBytes / 2 - 18;  // the mark, "Volume=-300" and "k=" with their line ends
        const bool readable = fileBytes < 100000000;
        {
            SettingsStore store;
            store.load(path);
            store.setInt(L"Volume", -300);
            ASSERT_TRUE(store.save());
            const std::string before = test::readBytes(path);
            store.entry(L"k").assign(value, L'x');
            store.markDirty();
            EXPECT_EQ(store.save(), readable) << fileBytes;
            if (!readable) {
                EXPECT_EQ(test::readBytes(path), before);
            }
        }
        if (!readable) continue;
        SettingsStore reread;
        reread.load(path);
        EXPECT_EQ(reread.getString(L"k", nullptr).size(), value);
        EXPECT_EQ(reread.getInt(L"Volume", 0), -300);
    }
}

}  // namespace
}  // namespace melodrift
