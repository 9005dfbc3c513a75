// The CUE sheet reader: which lines make tracks, where parsing stops, times, titles and
// file names, and sheet files of every encoding and size.
#include "library/cue_sheet.h"

#include "base/unique_handle.h"
#include "support/files.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace melodrift {
namespace {

constexpr int64_t kSecond = 10000000;

// Whole seconds, else units with "u"; -1 is "end".
std::wstring timeText(int64_t t) {
    return t == -1 ? L"end" : t % kSecond ? std::to_wstring(t) + L"u" : std::to_wstring(t / kSecond);
}

// "title@file start-stop; ...", "@file" left out for a.wav.
std::wstring describe(const std::vector<CueTrack>& tracks) {
    std::wstring out;
    for (const CueTrack& t : tracks)
        out += (out.empty() ? L"" : L"; ") + t.title + (t.filePath == L"a.wav" ? L"" : L"@" + t.filePath) + L" " +
               timeText(t.start) + L"-" + timeText(t.stop);
    return out;
}

// Every '|' replaced by end.
std::wstring lines(std::wstring text, const std::wstring& end = L"\n") {
    for (size_t at = 0; (at = text.find(L'|', at)) != std::wstring::npos; at += end.size()) text.replace(at, 1, end);
    return text;
}

// A first track begun, that track from the start of a.wav to its end, a second track begun.
const std::wstring kBegun = L"FILE \"a.wav\" WAVE|TRACK 01 AUDIO|";
const std::wstring kOne = kBegun + L"INDEX 01 00:00:00|";
const std::wstring kTwoBegun = kOne + L"TRACK 02 AUDIO|";
const std::wstring kBack = kBegun + L"INDEX 01 01:00:00|TRACK 02 AUDIO|";
const std::wstring kExample = L"PERFORMER \"Band\"|TITLE \"Live\"|FILE \"live.wav\" WAVE|  TRACK 01 AUDIO|"
                              L"    TITLE \"Intro\"|    INDEX 01 00:00:00|  TRACK 02 AUDIO|    INDEX 00 01:59:70|"
                              L"    INDEX 01 02:00:00|";
const std::wstring kExampleOut = L"01 Intro - Band@live.wav 0-1199333333u; 02 Live - Band@live.wav 120-end";
const std::wstring kLong(kMaxCueTextLength, L'x');

std::wstring parsed(const std::wstring& text, const wchar_t* sheet = L"s.cue") {
    return describe(parseCueText(lines(text), sheet));
}

// Parsing stops at the first line it cannot take and keeps the tracks made before it.
TEST(CueParse, LineItCannotTakeEndsTheSheet) {
    // The text limit bounds what every track copies.
    const std::wstring noTracks[] = {L"", L" \t\r\n\r\n", L"TRACK 01 AUDIO|INDEX 01 00:00:00|" + kOne,
        kBegun + L"TRACK 02 AUDIO|INDEX 01 00:00:00", L"PERFORMER Band|" + kOne, kBegun + L"INDEX A 00:00:00",
        kBegun + L"INDEX", L"FILE \"a.wav\" WAVE|INDEX 01 00:00:00|TRACK 01 AUDIO|INDEX 01 00:00:00",
        L"REM FILE \"a.wav\" WAVE|TRACK 01 AUDIO|INDEX 01 00:00:00", L"TITLE \"x" + kLong + L"\"|" + kOne,
        L"FILE \"x" + kLong + L"\" WAVE|TRACK 01 AUDIO|INDEX 01 00:00:00", L"PERFORMER \"x" + kLong + L"\"|" + kOne};
    for (const std::wstring& text : noTracks) EXPECT_EQ(parsed(text), L"") << text;
    // Index numbers 3000000000 and 4294967297 wrap to negative and to 1 in 32 bits.
    const std::wstring oneTrack[] = {kOne + L"TRACK AUDIO|INDEX 01 01:00:00", kOne + L"TRACK -2 AUDIO|INDEX 01 01:00:00",
        kOne + L"TRACK 02|INDEX 01 01:00:00", kOne + L"TRACK 4294967298 AUDIO|INDEX 01 01:00:00",
        kOne + L"FILE b.wav WAVE|TRACK 02 AUDIO|INDEX 01 00:00:00", kTwoBegun + L"INDEX 01 01:00",
        kOne + L"FILE \"b.wav WAVE|TRACK 02 AUDIO|INDEX 01 00:00:00", kTwoBegun + L"TITLE \"Open|INDEX 01 01:00:00",
        kTwoBegun + L"TITLE Open|INDEX 01 01:00:00", kTwoBegun + L"PERFORMER \"Open|INDEX 01 01:00:00",
        kTwoBegun + L"INDEX 03 01:00:00|INDEX 01 02:00:00", kTwoBegun + L"INDEX 3000000000 01:00:00|INDEX 01 02:00:00",
        kTwoBegun + L"INDEX 4294967297 01:00:00|INDEX 01 02:00:00", kTwoBegun + L"INDEX 01 6000", kTwoBegun + L"INDEX 01",
        kOne + L"INDEX 02 00:10:00|TRACK 02 AUDIO|INDEX 01 01:00:00",
        kOne + L"INDEX 00 00:10:00|TRACK 02 AUDIO|INDEX 01 01:00:00",
        kOne + std::wstring(1, L'\0') + L"TRACK 02 AUDIO|INDEX 01 01:00:00", kOne + L"P", kOne + L"PERFORM", kOne + L"IND",
        kOne + L"T", kOne + L"FIL", kOne + L"\"", kOne + L"TITLE", kOne + L"FILE", kOne + L"TRACK 0",
        L"REM GENRE Rock|CATALOG 000|FILE \"a.wav\" WAVE \"junk\"|TRACK 01 AUDIO|FLAGS DCP|ISRC AB1234567|"
        L"INDEX 01 00:00:00|POSTGAP 00:02:00"};
    for (const std::wstring& text : oneTrack) EXPECT_EQ(parsed(text), L"01 0-end") << text;
}

TEST(CueParse, SheetTextGivesItsTracks) {
    const struct { std::wstring text, tracks; } rows[] = {
        {kExample, kExampleOut}, {lines(kExample, L"\r\n"), kExampleOut}, {lines(kExample, L"\r"), kExampleOut},
        {L"\t \t" + lines(kExample, L"\n\t \t"), kExampleOut},
        {L"FILE \"a.bin\" BINARY|TRACK 01 AUDIO|INDEX 01 00:00:00|TRACK 02 MODE1/2352|INDEX 01 01:00:00|"
         L"TRACK 03 AUDIO|INDEX 01 02:00:00", L"01@a.bin 0-end"},
        {kBegun + L"INDEX 01 00:00:00|TRACK 02 AUDIOX|INDEX 01 01:00:00|TRACK 03audio|INDEX 01 02:00:00",
         L"01 0-60; 02 60-120; 03 120-end"},
        {L"performer \"Band\"|FileName \"a.wav\" WAVE|track 01 audio|titles \"Intro\"|index 01 00:00:00|"
         L"Track 02 Audio|Title \"Song\"|InDeX 01 01:00:00", L"01 Intro - Band 0-60; 02 Song - Band 60-end"},
        {L"FILE \"" + kLong + L"\" WAVE|TRACK 01 AUDIO|INDEX 01 00:00:00", L"01@" + kLong + L" 0-end"},
        {L"TITLE \"" + kLong + L"\"|" + kOne, L"01 " + kLong + L" 0-end"},
        {L"PERFORMER \"" + kLong + L"\"|" + kOne, L"01 - " + kLong + L" 0-end"},
        // Index 02 makes a track as 01 does; index 00 ends the previous track of the same FILE line.
        {kBegun + L"INDEX 02 00:00:00|TRACK 02 AUDIO|INDEX 01 01:00:00", L"01 0-60; 02 60-end"},
        {kBegun + L"INDEX 00 00:00:00|INDEX 01 00:02:00|TRACK 02 AUDIO|INDEX 01 01:00:00", L"01 2-60; 02 60-end"},
        {kTwoBegun + L"INDEX 00 00:58:00|INDEX 01 01:00:00|TRACK 03 AUDIO|INDEX 01 02:00:00",
         L"01 0-58; 02 60-120; 03 120-end"},
        // A time going backwards leaves the previous track running to its file's end.
        {kBack + L"INDEX 01 00:30:00", L"01 60-end; 02 30-end"}, {kBack + L"INDEX 01 01:00:00", L"01 60-60; 02 60-end"},
        {kBack + L"INDEX 00 00:30:00|INDEX 01 02:00:00", L"01 60-120; 02 120-end"},
        {kBack + L"INDEX 00 00:58:00|INDEX 01 00:30:00", L"01 60-end; 02 30-end"},
        {kOne + L"FILE \"b.wav\" WAVE|TRACK 02 AUDIO|INDEX 00 00:00:00|INDEX 01 00:02:00|TRACK 03 AUDIO|INDEX 01 03:00:00",
         L"01 0-end; 02@b.wav 2-180; 03@b.wav 180-end"},
        {kOne + L"FILE \"a.wav\" WAVE|TRACK 02 AUDIO|INDEX 01 01:00:00", L"01 0-end; 02 60-end"},
        {kTwoBegun + L"FILE \"b.wav\" WAVE|INDEX 01 00:00:00", L"01 0-end; 02@b.wav 0-end"},
        // The track's own title and performer win over the album's, for that track only.
        {kTwoBegun + L"INDEX 01 01:00:00", L"01 0-60; 02 60-end"},
        {L"TITLE \"Live\"|" + kTwoBegun + L"INDEX 01 01:00:00", L"01 Live 0-60; 02 Live 60-end"},
        {L"PERFORMER \"B\"|" + kTwoBegun + L"INDEX 01 01:00:00", L"01 - B 0-60; 02 - B 60-end"},
        {L"TITLE \"Live\"|PERFORMER \"Band\"|" + kBegun + L"TITLE \"Intro\"|PERFORMER \"Guest\"|INDEX 01 00:00:00|"
         L"TRACK 02 AUDIO|PERFORMER \"Solo\"|INDEX 01 01:00:00|TRACK 03 AUDIO|INDEX 01 02:00:00",
         L"01 Intro - Guest 0-60; 02 Live - Solo 60-120; 03 Live - Band 120-end"},
        {L"TITLE \"Live\"|" + kOne + L"TITLE \"Late\"|TRACK 02 AUDIO|INDEX 01 01:00:00", L"01 Live 0-60; 02 Late 60-end"},
        {kBegun + L"TITLE   \"  Spaced\tOut \" trailing|PERFORMER \"\"|INDEX 01 00:00:00", L"01   Spaced\tOut  -  0-end"},
    };
    for (const auto& row : rows) EXPECT_EQ(parsed(row.text), row.tracks) << row.text;
    // Relative names join the sheet's directory (a root adds no second backslash); absolute ones stay.
    EXPECT_EQ(parsed(L"FILE \"sub\\a.wav\" WAVE|TRACK 01 AUDIO|INDEX 01 00:00:00|FILE \"D:\\b.wav\" WAVE|TRACK 02 AUDIO|"
                     L"INDEX 01 00:00:00|FILE \"\\\\srv\\c.wav\" WAVE|TRACK 03 AUDIO|INDEX 01 00:00:00|FILE \"..\\d.wav\" "
                     L"WAVE|TRACK 04 AUDIO|INDEX 01 00:00:00", L"C:\\s.cue"),
              L"01@C:\\sub\\a.wav 0-end; 02@D:\\b.wav 0-end; 03@\\\\srv\\c.wav 0-end; 04@C:\\..\\d.wav 0-end");
}

TEST(CueParse, NinetyNineTracksAtMost) {
    for (const int count : {99, 101}) {
        std::wstring text = L"FILE \"long.wav\" WAVE\n";
        for (int i = 1; i <= count; ++i)
            text += L"TRACK " + std::to_wstring(i) + L" AUDIO\nINDEX 01 " + std::to_wstring(i - 1) + L":00:00\n";
        const std::vector<CueTrack> tracks = parseCueText(text, L"s.cue");
        ASSERT_EQ(tracks.size(), 99u) << count;
        // Parsing ends at the 99th track, so no later index gives it an end.
        EXPECT_EQ(tracks[97].stop, 98 * 60 * kSecond);
        EXPECT_EQ(describe({tracks.back()}), L"99@long.wav 5880-end") << count;
    }
}

// Frames are 1/75 s rounded to the nearest unit; a time that is not three runs of digits
// fitting in 2^31 frames stops the parse (-2 here).
TEST(CueParse, IndexTimes) {
    const struct { const wchar_t* time; int64_t units; } rows[] = {
        {L"00:00:00", 0}, {L"00:00:01", 133333}, {L"00:00:02", 266667}, {L"00:00:74", 9866667},
        {L"01:02:03", 620400000}, {L"00:90:00", 900000000}, {L"00:00:150", 2 * kSecond}, {L"1:2:3", 620400000},
        {L"120:00:00", 7200 * kSecond}, {L"00:00:05 after a blank", 666667},
        {L"477218:00:00", (int64_t(477218) * 4500 * kSecond + 37) / 75}, {L"477219:00:00", -2},
        {L"4294967296:00:00", -2}, {L"00:4294967296:00", -2}, {L"0:0:4294967296", -2}, {L"-1:00:00", -2},
        {L"00:00:-1", -2}, {L"a:b:c", -2}, {L"1:+2:3", -2}, {L"1: 2:3", -2}, {L"1:2:3x", -2}, {L"1::3", -2},
    };
    for (const auto& row : rows)
        EXPECT_EQ(parsed(kBegun + L"INDEX 01 " + row.time), row.units == -2 ? L"" : L"01 " + timeText(row.units) + L"-end");
}

// Text ends at the first NUL; bytes after it do not decide the encoding.
TEST(CueDecoding, MarksAndNuls) {
    const struct { std::string bytes; const wchar_t* text; } rows[] = {
        {std::string("\xFF\xFE" "A\0B\0\0\0C\0", 10), L"AB"}, {std::string("\xFE\xFF" "\0A\0B\0", 7), L"AB"},
        {"\xFF\xFE", L""}, {std::string("AB\0CD", 5), L"AB"}, {std::string("\xEF\xBB\xBF" "AB\0CD", 8), L"AB"},
        {"", L""}, {std::string("\xE8\xA1\xA8\0\x95", 5), L"表"},
    };
    for (const auto& row : rows) EXPECT_EQ(decodeCueText(row.bytes), row.text) << testing::PrintToString(row.bytes);
}

std::string encoded(UINT codePage, const std::wstring& text) {
    std::string bytes(text.size() * 4, '\0');
    bytes.resize(WideCharToMultiByte(codePage, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0],
                                     static_cast<int>(bytes.size()), nullptr, nullptr));
    return bytes;
}

TEST(CueSheetFile, EveryEncodingReadsAlikeAndUnreadableOrOversizedSheetsHaveNoTracks) {
    test::TempDir dir;
    const std::wstring sheet = dir.file(L"live.cue"), audio = dir.file(L"ライブ音源.wav");
    // "ソ" and "表" end in the byte 0x5C in code page 932, the backslash of ASCII.
    const std::wstring text = lines(L"PERFORMER \"楽団\"|FILE \"ライブ音源.wav\" WAVE|TRACK 01 AUDIO|"
                                    L"TITLE \"はじまりのソナタ\"|INDEX 01 00:00:00|TRACK 02 AUDIO|TITLE \"表現\"|INDEX 01 03:00:00|",
                                    L"\r\n");
    std::string utf16be = test::utf16le(text);
    for (size_t i = 0; i + 1 < utf16be.size(); i += 2) std::swap(utf16be[i], utf16be[i + 1]);
    const std::string ascii = "FILE \"a.wav\" WAVE\r\nTRACK 01 AUDIO\r\nINDEX 01 00:00:00\r\n";
    const std::wstring japaneseOut = L"01 はじまりのソナタ - 楽団@" + audio + L" 0-180; 02 表現 - 楽団@" + audio + L" 180-end";
    const std::wstring asciiOut = L"01@" + dir.file(L"a.wav") + L" 0-end";
    const struct { const char* name; std::string bytes; std::wstring tracks; } rows[] = {
        {"UTF-8 with mark", "\xEF\xBB\xBF" + encoded(CP_UTF8, text), japaneseOut},
        {"UTF-8", encoded(CP_UTF8, text), japaneseOut}, {"UTF-16LE", test::utf16le(text), japaneseOut},
        {"UTF-16BE", utf16be, japaneseOut}, {"Shift JIS", encoded(932, text), japaneseOut},
        {"ASCII", ascii, asciiOut}, {"ASCII with mark", "\xEF\xBB\xBF" + ascii, asciiOut},
        {"ASCII in UTF-16LE", test::utf16le(std::wstring(ascii.begin(), ascii.end())), asciiOut}, {"empty", "", L""},
    };
    for (const auto& row : rows) {
        test::writeBytes(sheet, row.bytes);
        EXPECT_EQ(describe(readCueSheet(sheet)), row.tracks) << row.name;
    }
    for (const std::wstring& unreadable : {dir.file(L"missing.cue"), dir.file(L"no such dir\\live.cue"), dir.path()})
        EXPECT_TRUE(readCueSheet(unreadable).empty()) << unreadable;
    test::writeBytes(sheet, ascii);
    FileHandle lock(CreateFileW(sheet.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);
    EXPECT_TRUE(readCueSheet(sheet).empty());
    lock.reset();
    // The text and zero bytes up to a size; beyond 4 GiB its size modulo 2^32 is the text's.
    for (const uint64_t size : {kMaxCueSheetBytes - 1, kMaxCueSheetBytes, (uint64_t(1) << 32) + ascii.size()}) {
        test::writeBytes(sheet, ascii);
        FileHandle file(CreateFileW(sheet.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        LARGE_INTEGER end{};
        end.QuadPart = static_cast<LONGLONG>(size);
        ASSERT_TRUE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.get()));
        file.reset();
        EXPECT_EQ(readCueSheet(sheet).size(), size < kMaxCueSheetBytes ? 1u : 0u) << size;
    }
}

}  // namespace
}  // namespace melodrift
