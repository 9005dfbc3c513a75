// The shared path helpers, and the name pattern match against the system's own PathMatchSpecW.
#include "base/name_pattern.h"
#include "base/paths.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shlwapi.h>

#include <string>
#include <vector>

namespace melodrift {
namespace {

TEST(Paths, JoinSplitParentAndName) {
    // The pieces in brackets: none is empty, none is trimmed.
    const auto split = [](const wchar_t* text) {
        std::wstring out;
        for (const std::wstring& piece : splitString(text, L';')) out += L"[" + piece + L"]";
        return out;
    };
    std::wstring longPath = L"C:\\";
    while (longPath.size() < 2 * MAX_PATH) longPath += L"long directory name\\";
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
        {fullPath(longPath + L"a.mp3"), longPath + L"a.mp3"}, {split(L";*.mp3;;*.wav;"), L"[*.mp3][*.wav]"},
        {split(L";;;"), L""}, {split(L""), L""}, {split(L"x"), L"[x]"},
        {split(L" *.mp3 ; *.wav"), L"[ *.mp3 ][ *.wav]"},
    };
    for (const auto& row : rows) EXPECT_EQ(row.got, row.expected);
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
