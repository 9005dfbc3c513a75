// The CUE sheet reader: which lines make tracks, where parsing stops, how times, titles
// and file names come out, and how sheet files of every encoding and size are read.
#include "base/unique_handle.h"
#include "library/cue_sheet.h"
#include "base/paths.h"
#include "support/files.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace melodrift {
namespace {

using test::TempDir;
using Times = std::vector<std::pair<int64_t, int64_t>>;
using Strings = std::vector<std::wstring>;

const std::wstring kSheet = L"C:\\Music\\live.cue";

std::vector<CueTrack> parse(const std::wstring& text) {
    return parseCueText(text, kSheet);
}

Times timesOf(const std::vector<CueTrack>& tracks) {
    Times times;
    for (const CueTrack& track : tracks) times.emplace_back(track.start, track.stop);
    return times;
}

Strings titlesOf(const std::vector<CueTrack>& tracks) {
    Strings titles;
    for (const CueTrack& track : tracks) titles.push_back(track.title);
    return titles;
}

Strings filesOf(const std::vector<CueTrack>& tracks) {
    Strings files;
    for (const CueTrack& track : tracks) files.push_back(track.filePath);
    return files;
}

// One FILE line and `count` tracks, a minute apart.
std::wstring sheetWithTracks(int count) {
    std::wstring text = L"FILE \"long.wav\" WAVE\n";
    for (int i = 1; i <= count; ++i)
        text += L"TRACK " + std::to_wstring(i) + L" AUDIO\nINDEX 01 " + std::to_wstring(i - 1) + L":00:00\n";
    return text;
}

// Sheets cut short, for more lines to follow: a first track begun, that track on a.wav
// from its start to its end, and a second track begun after it.
const std::wstring kFirstTrackBegun = L"FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\n";
const std::wstring kOneTrack = kFirstTrackBegun + L"INDEX 01 00:00:00\n";
const std::wstring kSecondTrackBegun = kOneTrack + L"TRACK 02 AUDIO\n";

int64_t seconds(int64_t s) {
    return s * 10000000;
}

// --- the parser on text ------------------------------------------------------------

const wchar_t kExample[] =
    L"PERFORMER \"Band\"\r\n"
    L"TITLE \"Live\"\r\n"
    L"FILE \"live.wav\" WAVE\r\n"
    L"  TRACK 01 AUDIO\r\n"
    L"    TITLE \"Intro\"\r\n"
    L"    INDEX 01 00:00:00\r\n"
    L"  TRACK 02 AUDIO\r\n"
    L"    INDEX 00 01:59:70\r\n"
    L"    INDEX 01 02:00:00\r\n";

TEST(CueParse, ExampleSheetGivesTwoTitledTracksOnOneFile) {
    const std::vector<CueTrack> tracks = parse(kExample);
    EXPECT_EQ(titlesOf(tracks), (Strings{L"01 Intro - Band", L"02 Live - Band"}));
    EXPECT_EQ(timesOf(tracks), (Times{{0, 1199333333}, {1200000000, -1}}));
    EXPECT_EQ(filesOf(tracks), (Strings{L"C:\\Music\\live.wav", L"C:\\Music\\live.wav"}));
}

TEST(CueParse, UnknownLinesAndTextAfterTheQuoteAreIgnored) {
    const std::vector<CueTrack> tracks = parse(
        L"REM GENRE Rock\nCATALOG 0000000000000\nFILE \"a.wav\" WAVE \"junk\"\n"
        L"TRACK 01 AUDIO\nFLAGS DCP\nISRC ABCDE1234567\nINDEX 01 00:00:00\nPOSTGAP 00:02:00\n");
    EXPECT_EQ(titlesOf(tracks), (Strings{L"01"}));
    EXPECT_EQ(filesOf(tracks), (Strings{L"C:\\Music\\a.wav"}));
}

TEST(CueParse, EmptyTextHasNoTracks) {
    EXPECT_TRUE(parse(L"").empty());
    EXPECT_TRUE(parse(L" \t\r\n\r\n").empty());
}

// --- where parsing stops -----------------------------------------------------------

TEST(CueStop, TrackBeforeAnyFileGivesNoTracks) {
    EXPECT_TRUE(parse(L"TRACK 01 AUDIO\nINDEX 01 00:00:00\nFILE \"a.wav\" WAVE\nTRACK 02 AUDIO\n"
                      L"INDEX 01 00:00:00\n").empty());
}

TEST(CueStop, NonAudioTrackKeepsTheTracksBeforeIt) {
    const std::vector<CueTrack> tracks = parse(
        L"FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 MODE1/2352\nINDEX 01 01:00:00\n"
        L"TRACK 03 AUDIO\nINDEX 01 02:00:00\n");
    EXPECT_EQ(timesOf(tracks), (Times{{0, -1}}));
}

TEST(CueStop, TrackTypeIsMatchedAsAPrefixInAnyCase) {
    EXPECT_EQ(parse(L"FILE \"a.wav\" WAVE\nTRACK 01 audio\nINDEX 01 00:00:00\n"
                    L"TRACK 02 AUDIOX\nINDEX 01 01:00:00\nTRACK 03AUDIO\nINDEX 01 02:00:00\n").size(),
              3u);
}

TEST(CueStop, TrackWithoutNumberOrTypeStops) {
    EXPECT_EQ(parse(kOneTrack + L"TRACK AUDIO\nINDEX 01 01:00:00\n").size(), 1u);
    EXPECT_EQ(parse(kOneTrack + L"TRACK -2 AUDIO\nINDEX 01 01:00:00\n").size(), 1u);
    EXPECT_EQ(parse(kOneTrack + L"TRACK 02\nINDEX 01 01:00:00\n").size(), 1u);
    EXPECT_EQ(parse(kOneTrack + L"TRACK 4294967298 AUDIO\nINDEX 01 01:00:00\n").size(), 1u);
}

TEST(CueStop, TrackInsideATrackStops) {
    EXPECT_TRUE(parse(kFirstTrackBegun + L"TRACK 02 AUDIO\nINDEX 01 00:00:00\n").empty());
}

TEST(CueStop, FileWithoutQuotesStopsAtThatLine) {
    const std::wstring second = L"TRACK 02 AUDIO\nINDEX 01 00:00:00\n";
    EXPECT_EQ(filesOf(parse(kOneTrack + L"FILE b.wav WAVE\n" + second)), (Strings{L"C:\\Music\\a.wav"}));
    EXPECT_EQ(filesOf(parse(kOneTrack + L"FILE \"b.wav WAVE\n" + second)), (Strings{L"C:\\Music\\a.wav"}));
    // Had the parser gone on, the second track would end the first.
    EXPECT_EQ(timesOf(parse(kOneTrack + L"FILE b.wav WAVE\n" + second)), (Times{{0, -1}}));
}

TEST(CueStop, TitleOrPerformerWithoutClosingQuoteStops) {
    EXPECT_EQ(titlesOf(parse(kSecondTrackBegun + L"TITLE \"Open\nINDEX 01 01:00:00\n")), (Strings{L"01"}));
    EXPECT_EQ(titlesOf(parse(kSecondTrackBegun + L"PERFORMER \"Open\nINDEX 01 01:00:00\n")), (Strings{L"01"}));
    EXPECT_EQ(titlesOf(parse(kSecondTrackBegun + L"TITLE Open\nINDEX 01 01:00:00\n")), (Strings{L"01"}));
    EXPECT_TRUE(parse(L"PERFORMER Band\n" + kSecondTrackBegun + L"INDEX 01 01:00:00\n").empty());
}

// Every track copies its file's name and the album's texts: their length is bounded.
TEST(CueStop, QuotedTextLongerThanTheLimitStops) {
    const std::wstring track = L"TRACK 01 AUDIO\nINDEX 01 00:00:00\n";
    for (const size_t length : {kMaxCueTextLength, kMaxCueTextLength + 1}) {
        const std::wstring text(length, L'x');
        const size_t expected = length <= kMaxCueTextLength ? 1 : 0;
        EXPECT_EQ(parse(L"FILE \"" + text + L"\" WAVE\n" + track).size(), expected) << length;
        EXPECT_EQ(parse(L"TITLE \"" + text + L"\"\n" + kOneTrack).size(), expected) << length;
        EXPECT_EQ(parse(L"PERFORMER \"" + text + L"\"\n" + kOneTrack).size(), expected) << length;
    }
}

TEST(CueStop, IndexNumberAboveTwoStops) {
    // The last two wrap to negative and to 1 in 32 bits.
    for (const wchar_t* number : {L"03", L"3000000000", L"4294967297"}) {
        const std::vector<CueTrack> tracks =
            parse(kSecondTrackBegun + L"INDEX " + number + L" 01:00:00\nINDEX 01 02:00:00\n");
        EXPECT_EQ(timesOf(tracks), (Times{{0, -1}})) << number;
    }
}

TEST(CueStop, IndexTimeWithFewerThanTwoColonsStops) {
    EXPECT_EQ(parse(kSecondTrackBegun + L"INDEX 01 01:00\n").size(), 1u);
    EXPECT_EQ(parse(kSecondTrackBegun + L"INDEX 01 6000\n").size(), 1u);
    EXPECT_EQ(parse(kSecondTrackBegun + L"INDEX 01\n").size(), 1u);
}

TEST(CueStop, IndexWithoutNumberStops) {
    EXPECT_TRUE(parse(kFirstTrackBegun + L"INDEX A 00:00:00\n").empty());
    EXPECT_TRUE(parse(kFirstTrackBegun + L"INDEX\n").empty());
}

TEST(CueStop, IndexOutsideATrackStops) {
    EXPECT_TRUE(parse(L"FILE \"a.wav\" WAVE\nINDEX 01 00:00:00\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n").empty());
}

TEST(CueStop, SecondIndexInsideATrackStops) {
    // Index 02 after 01 (and 00 after 01) finds no open track; the next track is never made.
    const std::wstring nextTrack = L"TRACK 02 AUDIO\nINDEX 01 01:00:00\n";
    EXPECT_EQ(timesOf(parse(kOneTrack + L"INDEX 02 00:10:00\n" + nextTrack)), (Times{{0, -1}}));
    EXPECT_EQ(timesOf(parse(kOneTrack + L"INDEX 00 00:10:00\n" + nextTrack)), (Times{{0, -1}}));
}

// --- index 00, 01 and 02 -----------------------------------------------------------

TEST(CueIndex, IndexTwoMakesATrackLikeIndexOne) {
    const std::vector<CueTrack> tracks =
        parse(kFirstTrackBegun + L"INDEX 02 00:00:00\nTRACK 02 AUDIO\nINDEX 01 01:00:00\n");
    EXPECT_EQ(timesOf(tracks), (Times{{0, seconds(60)}, {seconds(60), -1}}));
}

TEST(CueIndex, IndexZeroInTheFirstTrackChangesNothing) {
    const std::vector<CueTrack> tracks = parse(
        kFirstTrackBegun + L"INDEX 00 00:00:00\nINDEX 01 00:02:00\nTRACK 02 AUDIO\nINDEX 01 01:00:00\n");
    EXPECT_EQ(timesOf(tracks), (Times{{seconds(2), seconds(60)}, {seconds(60), -1}}));
}

TEST(CueIndex, IndexZeroEndsThePreviousTrackAndTheNextIndexOneKeepsThatStop) {
    const std::vector<CueTrack> tracks = parse(
        kSecondTrackBegun + L"INDEX 00 00:58:00\nINDEX 01 01:00:00\nTRACK 03 AUDIO\nINDEX 01 02:00:00\n");
    EXPECT_EQ(timesOf(tracks), (Times{{0, seconds(58)}, {seconds(60), seconds(120)}, {seconds(120), -1}}));
}

TEST(CueIndex, TimeGoingBackwardsLeavesThePreviousTrackRunningToItsFilesEnd) {
    const std::wstring first = kFirstTrackBegun + L"INDEX 01 01:00:00\nTRACK 02 AUDIO\n";
    const std::vector<std::pair<std::wstring, Times>> rows{
        {L"INDEX 01 00:30:00\n", {{seconds(60), -1}, {seconds(30), -1}}},
        {L"INDEX 00 00:30:00\nINDEX 01 02:00:00\n", {{seconds(60), seconds(120)}, {seconds(120), -1}}},
        {L"INDEX 00 00:58:00\nINDEX 01 00:30:00\n", {{seconds(60), -1}, {seconds(30), -1}}},
        {L"INDEX 01 01:00:00\n", {{seconds(60), seconds(60)}, {seconds(60), -1}}},
    };
    for (const auto& [rest, times] : rows) EXPECT_EQ(timesOf(parse(first + rest)), times) << rest;
}

TEST(CueIndex, TracksOfDifferentFileLinesDoNotEndEachOther) {
    const std::vector<CueTrack> tracks = parse(
        kOneTrack + L"FILE \"b.wav\" WAVE\nTRACK 02 AUDIO\nINDEX 00 00:00:00\nINDEX 01 00:02:00\n"
        L"TRACK 03 AUDIO\nINDEX 01 03:00:00\n");
    EXPECT_EQ(timesOf(tracks), (Times{{0, -1}, {seconds(2), seconds(180)}, {seconds(180), -1}}));
    EXPECT_EQ(filesOf(tracks), (Strings{L"C:\\Music\\a.wav", L"C:\\Music\\b.wav", L"C:\\Music\\b.wav"}));
}

TEST(CueIndex, TwoFileLinesNamingTheSameFileAreStillTwoFiles) {
    const std::vector<CueTrack> tracks =
        parse(kOneTrack + L"FILE \"a.wav\" WAVE\nTRACK 02 AUDIO\nINDEX 01 01:00:00\n");
    EXPECT_EQ(timesOf(tracks), (Times{{0, -1}, {seconds(60), -1}}));
}

TEST(CueIndex, FileLineInsideATrackGivesThatTrackTheNewFile) {
    const std::vector<CueTrack> tracks = parse(kSecondTrackBegun + L"FILE \"b.wav\" WAVE\nINDEX 01 00:00:00\n");
    EXPECT_EQ(timesOf(tracks), (Times{{0, -1}, {0, -1}}));
    EXPECT_EQ(filesOf(tracks), (Strings{L"C:\\Music\\a.wav", L"C:\\Music\\b.wav"}));
}

// --- the track limit ---------------------------------------------------------------

TEST(CueLimit, NinetyNineTracksAreAllKept) {
    const std::vector<CueTrack> tracks = parse(sheetWithTracks(99));
    ASSERT_EQ(tracks.size(), 99u);
    EXPECT_EQ(tracks[97].stop, seconds(98 * 60));
    EXPECT_EQ(tracks[98].title, L"99");
}

TEST(CueLimit, AHundredthTrackIsNeverMade) {
    const std::vector<CueTrack> tracks = parse(sheetWithTracks(101));
    ASSERT_EQ(tracks.size(), 99u);
    EXPECT_EQ(tracks.back().title, L"99");
    // Parsing ends at the 99th track, so no later index gives it an end.
    EXPECT_EQ(tracks.back().start, seconds(98 * 60));
    EXPECT_EQ(tracks.back().stop, -1);
}

// --- lines and keywords ------------------------------------------------------------

TEST(CueLines, KeywordsMatchInAnyCaseAndAsPrefixes) {
    const std::vector<CueTrack> tracks = parse(
        L"performer \"Band\"\nFileName \"a.wav\" WAVE\ntrack 01 audio\ntitles \"Intro\"\nindex 01 00:00:00\n"
        L"Track 02 Audio\nTitle \"Song\"\nInDeX 01 01:00:00\n");
    EXPECT_EQ(titlesOf(tracks), (Strings{L"01 Intro - Band", L"02 Song - Band"}));
    EXPECT_EQ(filesOf(tracks), (Strings{L"C:\\Music\\a.wav", L"C:\\Music\\a.wav"}));
}

TEST(CueLines, KeywordMustStartTheLine) {
    EXPECT_TRUE(parse(L"REM FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n").empty());
}

TEST(CueLines, CrLfAndCrLfLineEndsAndLeadingBlanksReadAlike) {
    const Strings titles{L"01 Intro - Band", L"02 Live - Band"};
    std::wstring lf = kExample, cr = kExample, indented;
    lf.erase(std::remove(lf.begin(), lf.end(), L'\r'), lf.end());
    std::replace(cr.begin(), cr.end(), L'\n', L'\r');
    for (const std::wstring& line : splitString(lf, L'\n')) indented += L"\t \t" + line + L"\n";
    EXPECT_EQ(titlesOf(parse(lf)), titles);
    EXPECT_EQ(titlesOf(parse(cr)), titles);
    EXPECT_EQ(titlesOf(parse(indented)), titles);
    EXPECT_EQ(timesOf(parse(cr)), timesOf(parse(kExample)));
}

TEST(CueLines, LastLineNeedsNoLineEnd) {
    EXPECT_EQ(parse(L"FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00").size(), 1u);
}

TEST(CueLines, TextEndsAtTheFirstNul) {
    const std::wstring text = kOneTrack + L'\0' +
                              L"TRACK 02 AUDIO\nINDEX 01 01:00:00\n";
    EXPECT_EQ(timesOf(parse(text)), (Times{{0, -1}}));
}

TEST(CueLines, LinesShorterThanAKeywordAtTheEndAreIgnored) {
    for (const wchar_t* tail : {L"P", L"PERFORM", L"IND", L"T", L"FIL", L"\"", L"TITLE", L"FILE", L"TRACK 0"}) {
        SCOPED_TRACE(tail);
        EXPECT_EQ(parse(kOneTrack + tail).size(), 1u);
    }
}

// --- file names --------------------------------------------------------------------

TEST(CueFiles, RelativeNamesJoinTheSheetsDirectoryAndAbsoluteOnesStay) {
    const std::vector<CueTrack> tracks = parse(
        L"FILE \"disc 1\\a.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
        L"FILE \"D:\\Audio\\b.wav\" WAVE\nTRACK 02 AUDIO\nINDEX 01 00:00:00\n"
        L"FILE \"\\\\server\\share\\c.wav\" WAVE\nTRACK 03 AUDIO\nINDEX 01 00:00:00\n"
        L"FILE \"..\\d.wav\" WAVE\nTRACK 04 AUDIO\nINDEX 01 00:00:00\n");
    EXPECT_EQ(filesOf(tracks), (Strings{L"C:\\Music\\disc 1\\a.wav", L"D:\\Audio\\b.wav",
                                        L"\\\\server\\share\\c.wav", L"C:\\Music\\..\\d.wav"}));
}

TEST(CueFiles, SheetInADriveRootAddsNoSecondBackslash) {
    const std::vector<CueTrack> tracks =
        parseCueText(kOneTrack, L"C:\\live.cue");
    EXPECT_EQ(filesOf(tracks), (Strings{L"C:\\a.wav"}));
}

// --- titles ------------------------------------------------------------------------

std::vector<CueTrack> twoTracksAfter(const std::wstring& albumLines) {
    return parse(albumLines + kSecondTrackBegun + L"INDEX 01 01:00:00\n");
}

TEST(CueTitles, NumberAloneWithoutTitleOrPerformer) {
    EXPECT_EQ(titlesOf(twoTracksAfter(L"")), (Strings{L"01", L"02"}));
}

TEST(CueTitles, AlbumTitleOnly) {
    EXPECT_EQ(titlesOf(twoTracksAfter(L"TITLE \"Live\"\n")), (Strings{L"01 Live", L"02 Live"}));
}

TEST(CueTitles, AlbumPerformerOnly) {
    EXPECT_EQ(titlesOf(twoTracksAfter(L"PERFORMER \"Band\"\n")), (Strings{L"01 - Band", L"02 - Band"}));
}

TEST(CueTitles, TrackValuesWinOverTheAlbumsOnlyForTheirOwnTrack) {
    const std::vector<CueTrack> tracks = parse(
        L"TITLE \"Live\"\nPERFORMER \"Band\"\nFILE \"a.wav\" WAVE\n"
        L"TRACK 01 AUDIO\nTITLE \"Intro\"\nPERFORMER \"Guest\"\nINDEX 01 00:00:00\n"
        L"TRACK 02 AUDIO\nPERFORMER \"Solo\"\nINDEX 01 01:00:00\n"
        L"TRACK 03 AUDIO\nINDEX 01 02:00:00\n");
    EXPECT_EQ(titlesOf(tracks), (Strings{L"01 Intro - Guest", L"02 Live - Solo", L"03 Live - Band"}));
}

TEST(CueTitles, TitleAfterATracksIndexIsTheAlbumsAgain) {
    const std::vector<CueTrack> tracks = parse(
        L"TITLE \"Live\"\nFILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTITLE \"Late\"\n"
        L"TRACK 02 AUDIO\nINDEX 01 01:00:00\n");
    EXPECT_EQ(titlesOf(tracks), (Strings{L"01 Live", L"02 Late"}));
}

TEST(CueTitles, QuotedTextIsTakenAsWritten) {
    const std::vector<CueTrack> tracks = parse(
        L"FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nTITLE   \"  Spaced\tOut \" trailing\nPERFORMER \"\"\n"
        L"INDEX 01 00:00:00\n");
    EXPECT_EQ(titlesOf(tracks), (Strings{L"01   Spaced\tOut  - "}));
}

// --- times -------------------------------------------------------------------------

int64_t timeOf(const std::wstring& time) {
    const std::vector<CueTrack> tracks = parse(L"FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 " + time + L"\n");
    return tracks.empty() ? -2 : tracks[0].start;
}

TEST(CueTimes, FramesAreSeventyFifthsRoundedToTheNearestUnit) {
    EXPECT_EQ(timeOf(L"00:00:00"), 0);
    EXPECT_EQ(timeOf(L"00:00:01"), 133333);
    EXPECT_EQ(timeOf(L"00:00:02"), 266667);
    EXPECT_EQ(timeOf(L"00:00:74"), 9866667);
    EXPECT_EQ(timeOf(L"01:02:03"), 620400000);
}

TEST(CueTimes, SecondsAndFramesHaveNoUpperBound) {
    EXPECT_EQ(timeOf(L"00:90:00"), 900000000);
    EXPECT_EQ(timeOf(L"00:00:150"), seconds(2));
    EXPECT_EQ(timeOf(L"1:2:3"), 620400000);
    EXPECT_EQ(timeOf(L"120:00:00"), seconds(7200));
}

TEST(CueTimes, TimesOfOtherThanDigitsThatFitStop) {
    // 477 218 minutes is the last whole minute below 2^31 frames.
    EXPECT_EQ(timeOf(L"477218:00:00"), (int64_t(477218) * 4500 * 10000000 + 37) / 75);
    EXPECT_EQ(timeOf(L"00:00:05 after a blank"), 666667);
    for (const wchar_t* time : {L"477219:00:00", L"4294967296:00:00", L"00:4294967296:00", L"0:0:4294967296",
                                L"-1:00:00", L"00:00:-1", L"a:b:c", L"1:+2:3", L"1: 2:3", L"1:2:3x", L"1::3"})
        EXPECT_EQ(timeOf(time), -2) << time;
}

// --- decoding ----------------------------------------------------------------------

TEST(CueDecoding, Utf16TextEndsAtTheFirstNulAndDropsAnOddByte) {
    EXPECT_EQ(decodeCueText(std::string("\xFF\xFE" "A\0B\0\0\0C\0", 10)), L"AB");
    EXPECT_EQ(decodeCueText(std::string("\xFE\xFF" "\0A\0B\0", 7)), L"AB");
    EXPECT_EQ(decodeCueText(std::string("\xFF\xFE", 2)), L"");
}

TEST(CueDecoding, ByteTextEndsAtTheFirstNul) {
    EXPECT_EQ(decodeCueText(std::string("AB\0CD", 5)), L"AB");
    EXPECT_EQ(decodeCueText(std::string("\xEF\xBB\xBF" "AB\0CD", 8)), L"AB");
    EXPECT_EQ(decodeCueText(std::string()), L"");
}

// Bytes after the NUL are no part of the text and do not decide its encoding.
TEST(CueDecoding, BytesAfterTheNulDoNotDecideTheEncoding) {
    EXPECT_EQ(decodeCueText(std::string("\xE8\xA1\xA8\0\x95", 5)), L"表");
}

// --- sheet files -------------------------------------------------------------------

std::string encoded(UINT codePage, const std::wstring& text) {
    const int length = WideCharToMultiByte(codePage, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string bytes(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], length, nullptr,
                        nullptr);
    return bytes;
}

std::string utf16be(const std::wstring& text) {
    std::string bytes = test::utf16le(text, true);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) std::swap(bytes[i], bytes[i + 1]);
    return bytes;
}

// "ソ" and "表" end in the byte 0x5C in code page 932, the backslash of ASCII.
const wchar_t kJapaneseSheet[] =
    L"PERFORMER \"楽団\"\r\n"
    L"FILE \"ライブ音源.wav\" WAVE\r\n"
    L"TRACK 01 AUDIO\r\n"
    L"TITLE \"はじまりのソナタ\"\r\n"
    L"INDEX 01 00:00:00\r\n"
    L"TRACK 02 AUDIO\r\n"
    L"TITLE \"表現\"\r\n"
    L"INDEX 01 03:00:00\r\n";

class CueSheetFile : public ::testing::Test {
protected:
    std::vector<CueTrack> readSheet(const std::string& bytes) {
        test::writeBytes(sheet, bytes);
        return readCueSheet(sheet);
    }

    void expectJapaneseTracks(const std::vector<CueTrack>& tracks) {
        EXPECT_EQ(titlesOf(tracks), (Strings{L"01 はじまりのソナタ - 楽団", L"02 表現 - 楽団"}));
        const std::wstring audio = dir.file(L"ライブ音源.wav");
        EXPECT_EQ(filesOf(tracks), (Strings{audio, audio}));
        EXPECT_EQ(timesOf(tracks), (Times{{0, seconds(180)}, {seconds(180), -1}}));
    }

    // The sheet's text followed by zero bytes up to size, without writing them all.
    void writeSheetOfSize(const std::string& text, uint64_t size) {
        test::writeBytes(sheet, text);
        FileHandle file(CreateFileW(sheet.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file);
        LARGE_INTEGER end{};
        end.QuadPart = static_cast<LONGLONG>(size);
        ASSERT_TRUE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(file.get()));
    }

    TempDir dir;
    std::wstring sheet = dir.file(L"live.cue");
    std::string oneTrack = "FILE \"a.wav\" WAVE\r\nTRACK 01 AUDIO\r\nINDEX 01 00:00:00\r\n";
};

TEST_F(CueSheetFile, Utf8WithMark) {
    expectJapaneseTracks(readSheet("\xEF\xBB\xBF" + encoded(CP_UTF8, kJapaneseSheet)));
}

TEST_F(CueSheetFile, Utf8WithoutMark) {
    expectJapaneseTracks(readSheet(encoded(CP_UTF8, kJapaneseSheet)));
}

TEST_F(CueSheetFile, Utf16LittleEndianWithMark) {
    expectJapaneseTracks(readSheet(test::utf16le(kJapaneseSheet, true)));
}

TEST_F(CueSheetFile, Utf16BigEndianWithMark) {
    expectJapaneseTracks(readSheet(utf16be(kJapaneseSheet)));
}

TEST_F(CueSheetFile, ShiftJisIsReadInCodePage932) {
    const std::string bytes = encoded(932, kJapaneseSheet);
    ASSERT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                                  nullptr, 0),
              0)
        << "the sample must not be valid UTF-8";
    expectJapaneseTracks(readSheet(bytes));
}

TEST_F(CueSheetFile, AsciiSheetReadsTheSameInEveryEncoding) {
    const std::vector<CueTrack> plain = readSheet(oneTrack);
    ASSERT_EQ(plain.size(), 1u);
    EXPECT_EQ(plain[0].filePath, dir.file(L"a.wav"));
    EXPECT_EQ(titlesOf(readSheet("\xEF\xBB\xBF" + oneTrack)), titlesOf(plain));
    EXPECT_EQ(titlesOf(readSheet(test::utf16le(std::wstring(oneTrack.begin(), oneTrack.end())))), titlesOf(plain));
}

TEST_F(CueSheetFile, MissingSheetHasNoTracks) {
    EXPECT_TRUE(readCueSheet(dir.file(L"missing.cue")).empty());
    EXPECT_TRUE(readCueSheet(dir.file(L"no such dir\\live.cue")).empty());
}

TEST_F(CueSheetFile, DirectoryHasNoTracks) {
    EXPECT_TRUE(readCueSheet(dir.path()).empty());
}

TEST_F(CueSheetFile, SheetLockedByAnotherHandleHasNoTracks) {
    test::writeBytes(sheet, oneTrack);
    FileHandle lock(CreateFileW(sheet.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);
    EXPECT_TRUE(readCueSheet(sheet).empty());
    lock.reset();
    EXPECT_EQ(readCueSheet(sheet).size(), 1u);
}

TEST_F(CueSheetFile, EmptySheetHasNoTracks) {
    EXPECT_TRUE(readSheet("").empty());
}

TEST_F(CueSheetFile, SheetJustBelowOneHundredMebibytesIsRead) {
    writeSheetOfSize(oneTrack, kMaxCueSheetBytes - 1);
    EXPECT_EQ(readCueSheet(sheet).size(), 1u);
}

TEST_F(CueSheetFile, SheetOfOneHundredMebibytesIsNotRead) {
    writeSheetOfSize(oneTrack, kMaxCueSheetBytes);
    EXPECT_TRUE(readCueSheet(sheet).empty());
}

// Its size modulo 2^32 is the length of a complete sheet.
TEST_F(CueSheetFile, SheetBeyondFourGibibytesIsNotRead) {
    writeSheetOfSize(oneTrack, (uint64_t(1) << 32) + oneTrack.size());
    EXPECT_TRUE(readCueSheet(sheet).empty());
}

}  // namespace
}  // namespace melodrift
