// A save that cannot complete leaves the previous settings file as it was, and no scraps.
#include "base/unique_handle.h"
#include "settings/settings_store.h"
#include "support/files.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace melodrift {
namespace {

using Names = std::vector<std::wstring>;

TEST(SettingsSaveFailure, FullDiskKeepsTheOldFileAndLeavesNoScraps) {
    const std::wstring tinyFs = test::environmentVariable(L"MELODRIFT_TINY_FS");
    if (tinyFs.empty() || !test::fileExists(tinyFs + L"\\.tiny-fs")) GTEST_SKIP() << "no small file system mounted";
    test::TempDir dir(tinyFs);
    const std::wstring path = dir.file(L"melodrift-state.txt"), filler = dir.file(L"filler");
    SettingsStore store;
    store.load(path);
    store.setInt(L"Volume", -300);
    ASSERT_TRUE(store.save());
    const std::string before = test::readBytes(path);
    {  // writes until the file system refuses
        FileHandle file(CreateFileW(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        while (WriteFile(file.get(), std::string(512, 'x').data(), 512, &written, nullptr) && written > 0) {}
    }
    ASSERT_GT(test::readBytes(filler).size(), 0u);
    for (int i = 0; i < 400; ++i) store.setInt(L"Key" + std::to_wstring(i), i);  // far more than is free
    EXPECT_FALSE(store.save());
    EXPECT_EQ(test::readBytes(path), before);
    EXPECT_EQ(test::fileNamesIn(dir.path()), (Names{L"filler", L"melodrift-state.txt"}));
    // With room again the same store saves whole.
    ASSERT_TRUE(DeleteFileW(filler.c_str()));
    ASSERT_TRUE(store.save());
    SettingsStore reread;
    reread.load(path);
    EXPECT_EQ(reread.entries(), store.entries());
    EXPECT_EQ(reread.entries().size(), 401u);
}

// A missing folder, a folder in the file's place, and a file that load would refuse as too
// large: save fails and leaves the folder as it was. One byte less is written and read back.
TEST(SettingsSaveFailure, UnwritableOrOversizedFileIsRefusedAndLeavesNothing) {
    test::TempDir dir;
    ASSERT_TRUE(CreateDirectoryW(dir.file(L"folder.txt").c_str(), nullptr));
    for (const wchar_t* name : {L"gone\\melodrift-config.txt", L"folder.txt"}) {
        SettingsStore store;
        store.load(dir.file(name));
        store.setInt(L"Volume", 0);
        EXPECT_FALSE(store.save()) << name;
        EXPECT_EQ(test::fileNamesIn(dir.path()), Names{L"folder.txt"}) << name;
        EXPECT_TRUE(GetFileAttributesW(dir.file(L"folder.txt").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    }
    for (const size_t fileBytes : {size_t(99999998), size_t(100000000)}) {
        const std::wstring path = dir.file(std::to_wstring(fileBytes) + L".txt");
        const size_t value = fileBytes / 2 - 18;  // the mark, "Volume=-300" and "k=" with their line ends
        const bool readable = fileBytes < 100000000;
        SettingsStore store;
        store.load(path);
        store.setInt(L"Volume", -300);
        ASSERT_TRUE(store.save());
        const std::string before = test::readBytes(path);
        store.entry(L"k").assign(value, L'x');
        store.markDirty();
        EXPECT_EQ(store.save(), readable) << fileBytes;
        SettingsStore reread;
        reread.load(path);
        EXPECT_EQ(reread.getString(L"k", nullptr).size(), readable ? value : 0) << fileBytes;
        EXPECT_EQ(reread.getInt(L"Volume", 0), -300);
        EXPECT_TRUE(readable || test::readBytes(path) == before) << "the old file was kept";
    }
}

}  // namespace
}  // namespace melodrift
