// The shared path helpers, at the edges the tree, the folders and the settings meet.
#include "base/paths.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace melodrift {
namespace {

using Pieces = std::vector<std::wstring>;

TEST(JoinPath, AddsOneSeparatorBetweenDirectoryAndName) {
    EXPECT_EQ(joinPath(L"C:\\Music", L"a.mp3"), L"C:\\Music\\a.mp3");
    EXPECT_EQ(joinPath(L"C:\\Music", L"*"), L"C:\\Music\\*");
}

TEST(JoinPath, DirectoryEndingInASeparatorIsNotDoubled) {
    EXPECT_EQ(joinPath(L"C:\\", L"Music"), L"C:\\Music");
    EXPECT_EQ(joinPath(L"C:\\", L"*"), L"C:\\*");
    EXPECT_EQ(joinPath(L"D:\\Audio\\", L"Live"), L"D:\\Audio\\Live");
}

TEST(JoinPath, EmptyDirectoryGivesTheNameAlone) {
    EXPECT_EQ(joinPath(L"", L"a.mp3"), L"a.mp3");
    EXPECT_EQ(joinPath(L"", L""), L"");
}

TEST(SplitString, EmptyPiecesAreDroppedAtBothEndsAndBetween) {
    EXPECT_EQ(splitString(L";*.mp3;;*.wav;", L';'), (Pieces{L"*.mp3", L"*.wav"}));
    EXPECT_EQ(splitString(L";;;", L';'), Pieces{});
    EXPECT_EQ(splitString(L"", L';'), Pieces{});
}

TEST(SplitString, TextWithoutSeparatorIsOnePiece) {
    EXPECT_EQ(splitString(L"*.mp?", L';'), (Pieces{L"*.mp?"}));
    EXPECT_EQ(splitString(L"x", L';'), (Pieces{L"x"}));
}

TEST(SplitString, PiecesAreNotTrimmed) {
    EXPECT_EQ(splitString(L" *.mp3 ; *.wav", L';'), (Pieces{L" *.mp3 ", L" *.wav"}));
}

TEST(ParentDirectory, DriveRootHasNone) {
    EXPECT_EQ(parentDirectory(L"C:\\"), L"");
}

TEST(ParentDirectory, LastComponentIsRemoved) {
    EXPECT_EQ(parentDirectory(L"C:\\a\\b"), L"C:\\a");
    EXPECT_EQ(parentDirectory(L"C:\\a"), L"C:\\");
    EXPECT_EQ(parentDirectory(L"C:\\Music\\album.cue"), L"C:\\Music");
}

TEST(PathFileName, LastComponentOfAPath) {
    EXPECT_EQ(pathFileName(L"C:\\Music\\a.mp3"), L"a.mp3");
    EXPECT_EQ(pathFileName(L"C:\\Music"), L"Music");
    EXPECT_EQ(pathFileName(L"a.mp3"), L"a.mp3");
    EXPECT_EQ(pathFileName(L""), L"");
}

TEST(PathFileName, TrailingSeparatorIsSkippedNotEmpty) {
    // PathFindFileNameW steps over a separator that ends the path, so the name keeps it.
    EXPECT_EQ(pathFileName(L"C:\\dir\\"), L"dir\\");
    EXPECT_EQ(pathFileName(L"C:\\"), L"C:\\");
}

TEST(FullPath, RelativePathIsTakenFromTheCurrentDirectory) {
    test::TempDir dir;
    wchar_t previous[MAX_PATH];
    ASSERT_NE(GetCurrentDirectoryW(MAX_PATH, previous), 0u);
    ASSERT_TRUE(SetCurrentDirectoryW(dir.path().c_str()));
    const std::wstring relative = fullPath(L"sub\\..\\a.mp3");
    SetCurrentDirectoryW(previous);
    EXPECT_EQ(relative, dir.file(L"a.mp3"));
}

TEST(FullPath, AbsolutePathIsNormalised) {
    EXPECT_EQ(fullPath(L"C:\\Music\\.\\x\\..\\a.mp3"), L"C:\\Music\\a.mp3");
    EXPECT_EQ(fullPath(L"C:\\"), L"C:\\");
}

TEST(FullPath, PathLongerThanMaxPathIsWhole) {
    std::wstring path = L"C:\\";
    while (path.size() < 2 * MAX_PATH) path += L"long directory name\\";
    path += L"a.mp3";
    EXPECT_EQ(fullPath(path), path);
}

}  // namespace
}  // namespace melodrift
