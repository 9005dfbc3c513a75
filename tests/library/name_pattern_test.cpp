// The pattern match against the system's own PathMatchSpecW, over names and patterns
// that exercise every rule of it.
#include "base/name_pattern.h"

#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

namespace melodrift {
namespace {

TEST(NamePattern, AnswersAsPathMatchSpecDoes) {
    const wchar_t* const names[] = {
        L"", L"a", L"track.mp3", L"TRACK.MP3", L"track.mp3.wav", L"track.mpeg", L"track.mp", L"track",
        L".mp3", L"a.b.c", L"曲.MP3", L"ÄRGER.wav", L"ärger.WAV", L"x?y.ogg", L"**", L"ab;cd", L" lead.mp3",
    };
    const wchar_t* const patterns[] = {
        L"", L"*", L"*.*", L"*.mp3", L"*.MP?", L"*.mp?", L"*.og?", L"?", L"??*", L"*.", L"track*",
        L"t*k.*3", L"*a*b*c*", L"  *.wav", L"*.mp3;*.wav", L";*.mp3", L"ärger.*", L"*.*.*", L"**.mp3",
        L"*?", L"*.mp3 ", L"曲.mp3", L"x?y.*",
    };
    for (const wchar_t* pattern : patterns) {
        for (const wchar_t* name : names) {
            EXPECT_EQ(matchesNamePattern(name, pattern), PathMatchSpecW(name, pattern) != FALSE)
                << "name \"" << testing::PrintToString(std::wstring(name)) << "\" pattern \""
                << testing::PrintToString(std::wstring(pattern)) << "\"";
        }
    }
}

}  // namespace
}  // namespace melodrift
