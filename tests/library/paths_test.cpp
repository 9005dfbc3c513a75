// The shared path helpers, the path a start is given, and name patterns against PathMatchSpecW.
#include "app/command_line.h"
#include "base/name_pattern.h"
#include "base/paths.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shlwapi.h>

namespace melodrift {
namespace {

TEST(Paths, JoinSplitParentAndName) {
    // The ordinary cases are walked by the folder tree, the folders, the sheets and the command line.
    const auto path = [](const wchar_t* commandLine) { return commandLinePathOf(commandLine).value_or(L"-"); };
    const struct {
        std::wstring got, expected;
    } rows[] = {
        {joinPath(L"", L""), L""},
        {parentDirectory(L"C:\\"), L""},
        {fullPath(L"C:\\"), L"C:\\"},
        // PathFindFileNameW steps over a separator that ends the path, so the name keeps it.
        {pathFileName(L"C:\\dir\\"), L"dir\\"},
        {pathFileName(L"C:\\"), L"C:\\"},
        {pathFileName(L""), L""},
        {path(L"melodrift.exe"), L"-"},
        {path(L"\"C:\\Program Files\\melodrift.exe\" \"D:\\曲\\a b.mp3\" x"), L"D:\\曲\\a b.mp3"},
        {path(L"melodrift.exe D:\\music\\"), L"D:\\music\\"},
        {path(L"m.exe \"\""), L""},
        // A backslash before the closing quote escapes it, as typed; a path never holds a quote.
        {path(L"m.exe \"D:\\\""), L"D:\\"},
        {path(L"m \"D:\\My Music\\\" \"x\""), L"D:\\My Music\\"},
        // Plain names are read as the file system has them; "." and ".." parts are left to normalisation.
        {literalPath(L"C:\\R.E.M.\\"), L"\\\\?\\C:\\R.E.M.\\"},
        {literalPath(L"\\\\srv\\a "), L"\\\\?\\UNC\\srv\\a "},
        {literalPath(L"C:\\a\\.\\b"), L"C:\\a\\.\\b"},
        {literalPath(L"C:\\a\\\\b"), L"C:\\a\\\\b"},
        {literalPath(L"C:/a"), L"C:/a"},
        {literalPath(L"a\\b"), L"a\\b"},
        {fullPath(L"C:\\R.E.M.\\..."), L"C:\\R.E.M.\\..."},
        {fullPath(L"C:\\a\\.\\b."), L"C:\\a\\b"},
    };
    for (const auto& row : rows) EXPECT_EQ(row.got, row.expected);
    // No piece is empty, none is trimmed.
    EXPECT_EQ(splitString(L";; *.mp3 ;;*.wav;", L';'), (std::vector<std::wstring>{L" *.mp3 ", L"*.wav"}));
    EXPECT_TRUE(splitString(L";;;", L';').empty());
    EXPECT_TRUE(splitString(L"", L';').empty());
}

TEST(NamePattern, AnswersAsPathMatchSpecDoes) {
    const wchar_t* const names[] = {L"", L"a", L"track.mp3", L"TRACK.MP3", L"track.mp3.wav", L"track.mpeg", L"track.mp",
        L"track", L".mp3", L"a.b.c", L"曲.MP3", L"ÄRGER.wav", L"ärger.WAV", L"x?y.ogg", L"**", L"ab;cd", L" lead.mp3"};
    const wchar_t* const patterns[] = {L"", L"*", L"*.*", L"*.mp3", L"*.MP?", L"*.mp?", L"*.og?", L"?", L"??*", L"*.",
        L"track*", L"t*k.*3", L"*a*b*c*", L"  *.wav", L"*.mp3;*.wav", L";*.mp3", L"ärger.*", L"*.*.*", L"**.mp3", L"*?",
        L"*.mp3 ", L"曲.mp3", L"x?y.*"};
    for (const wchar_t* pattern : patterns)
        for (const wchar_t* name : names)
            EXPECT_EQ(matchesNamePattern(name, pattern), PathMatchSpecW(name, pattern) != FALSE)
                << testing::PrintToString(std::wstring(name)) << " " << testing::PrintToString(std::wstring(pattern));
}

}  // namespace
}  // namespace melodrift
