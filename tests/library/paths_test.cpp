// The shared path helpers at the edges the tree, the folders and the settings meet, and
// the name pattern match against the system's own PathMatchSpecW.
#include "base/name_pattern.h"
#include "base/paths.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shlwapi.h>

#include <string>
#include <vector>

namespace melodrift {
namespace {

TEST(Paths, JoinSplitParentAndName) {
    const struct { std::wstring got, expected; } rows[] = {
        {joinPath(L"C:\\Music", L"a.mp3"), L"C:\\Music\\a.mp3"}, {joinPath(L"C:\\", L"*"), L"C:\\*"},
        {joinPath(L"D:\\Audio\\", L"Live"), L"D:\\Audio\\Live"}, {joinPath(L"", L"a.mp3"), L"a.mp3"},
        {joinPath(L"", L""), L""}, {parentDirectory(L"C:\\"), L""}, {parentDirectory(L"C:\\a\\b"), L"C:\\a"},
        {parentDirectory(L"C:\\a"), L"C:\\"}, {parentDirectory(L"C:\\Music\\album.cue"), L"C:\\Music"},
        {pathFileName(L"C:\\Music\\a.mp3"), L"a.mp3"}, {pathFileName(L"C:\\Music"), L"Music"},
        {pathFileName(L"a.mp3"), L"a.mp3"}, {pathFileName(L""), L""},
        // PathFindFileNameW steps over a separator that ends the path, so the name keeps it.
        {pathFileName(L"C:\\dir\\"), L"dir\\"}, {pathFileName(L"C:\\"), L"C:\\"},
        {fullPath(L"C:\\Music\\.\\x\\..\\a.mp3"), L"C:\\Music\\a.mp3"}, {fullPath(L"C:\\"), L"C:\\"},
    };
    for (const auto& row : rows) EXPECT_EQ(row.got, row.expected);
    using Pieces = std::vector<std::wstring>;
    EXPECT_EQ(splitString(L";*.mp3;;*.wav;", L';'), (Pieces{L"*.mp3", L"*.wav"}));  // no empty pieces
    EXPECT_EQ(splitString(L";;;", L';'), Pieces{});
    EXPECT_EQ(splitString(L"", L';'), Pieces{});
    EXPECT_EQ(splitString(L"x", L';'), Pieces{L"x"});
    EXPECT_EQ(splitString(L" *.mp3 ; *.wav", L';'), (Pieces{L" *.mp3 ", L" *.wav"}));  // nor trimmed
}

TEST(Paths, FullPathOfARelativeOrLongPath) {
    test::TempDir dir;
    wchar_t previous[MAX_PATH];
    ASSERT_NE(GetCurrentDirectoryW(MAX_PATH, previous), 0u);
    ASSERT_TRUE(SetCurrentDirectoryW(dir.path().c_str()));
    const std::wstring relative = fullPath(L"sub\\..\\a.mp3");
    SetCurrentDirectoryW(previous);
    EXPECT_EQ(relative, dir.file(L"a.mp3"));
    std::wstring path = L"C:\\";
    while (path.size() < 2 * MAX_PATH) path += L"long directory name\\";
    EXPECT_EQ(fullPath(path + L"a.mp3"), path + L"a.mp3");
}

TEST(NamePattern, AnswersAsPathMatchSpecDoes) {
    const wchar_t* const names[] = {L"", L"a", L"track.mp3", L"TRACK.MP3", L"track.mp3.wav", L"track.mpeg",
                                    L"track.mp", L"track", L".mp3", L"a.b.c", L"曲.MP3", L"ÄRGER.wav", L"ärger.WAV",
                                    L"x?y.ogg", L"**", L"ab;cd", L" lead.mp3"};
    const wchar_t* const patterns[] = {L"", L"*", L"*.*", L"*.mp3", L"*.MP?", L"*.mp?", L"*.og?", L"?", L"??*", L"*.",
                                       L"track*", L"t*k.*3", L"*a*b*c*", L"  *.wav", L"*.mp3;*.wav", L";*.mp3",
                                       L"ärger.*", L"*.*.*", L"**.mp3", L"*?", L"*.mp3 ", L"曲.mp3", L"x?y.*"};
    for (const wchar_t* pattern : patterns)
        for (const wchar_t* name : names)
            EXPECT_EQ(matchesNamePattern(name, pattern), PathMatchSpecW(name, pattern) != FALSE)
                << testing::PrintToString(std::wstring(name)) << " " << testing::PrintToString(std::wstring(pattern));
}

}  // namespace
}  // namespace melodrift
