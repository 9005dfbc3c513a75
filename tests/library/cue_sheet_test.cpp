// The CUE sheet reader: which lines make tracks, times, titles, file names, and sheet files.
#include "library/cue_sheet.h"

#include "library/cue_image.h"

#include "base/unique_handle.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

namespace melodrift {
namespace {

constexpr int64_t kSecond = 10000000;

// "title@file start-stop; ..." in whole seconds, else in units ("u"); "@file" left out for C:\a.wav.
std::wstring describe(const std::vector<CueTrack>& tracks) {
    const auto time = [](int64_t t) -> std::wstring {
        return t == -1 ? L"end" : t % kSecond ? std::to_wstring(t) + L"u" : std::to_wstring(t / kSecond);
    };
    std::wstring out;
    for (const CueTrack& t : tracks)
        out += (out.empty() ? L"" : L"; ") + t.title + (t.filePath == L"C:\\a.wav" ? L"" : L"@" + t.filePath) + L" " +
               time(t.start) + L"-" + time(t.stop);
    return out;
}

// The tracks of the text, read as the sheet C:\s.cue, with every '|' made a line end.
std::wstring parsed(std::wstring text) {
    std::replace(text.begin(), text.end(), L'|', L'\n');
    return describe(parseCueText(text, L"C:\\s.cue"));
}

const std::wstring kBegun = L"FILE \"a.wav\" WAVE|TRACK 01 AUDIO|", kOne = kBegun + L"INDEX 01 00:00:00|",
                   kTwoBegun = kOne + L"TRACK 02 AUDIO|", kBack = kBegun + L"INDEX 01 01:00:00|TRACK 02 AUDIO|";

TEST(CueParse, SheetTextGivesItsTracksUpToTheFirstLineItCannotTake) {
    const struct {
        std::wstring text, tracks;
    } rows[] = {
        {L" \t| |\t FILE \"a.wav\" WAVE\r\t TRACK 01 AUDIO\r\n INDEX 01 00:00:00\r", L"01 0-end"},
        {L"REM GENRE Rock|CATALOG 000|FILE \"a.wav\" WAVE \"x\"|TRACK 01 AUDIOX|FLAGS DCP|INDEX 01 00:00:00|"
         L"TRACK 02audio|INDEX 01 01:00:00|PREGAP 1",
            L"01 0-60; 02 60-end"},
        {L"performer \"B\"|FileName \"a.wav\" WAVE|track 01 audio|titles \"Intro\"|index 01 00:00:00|"
         L"Track 02 Audio|InDeX 01 01:00:00",
            L"01 Intro - B 0-60; 02 - B 60-end"},
        // Index 02 makes a track as 01 does; index 00 ends the previous track of the same FILE line.
        {kBegun + L"INDEX 00 00:00:00|INDEX 02 00:02:00|TRACK 02 AUDIO|INDEX 01 01:00:00", L"01 2-60; 02 60-end"},
        {kTwoBegun + L"INDEX 00 00:58:00|INDEX 01 01:00:00|TRACK 03 AUDIO|INDEX 01 02:00:00",
            L"01 0-58; 02 60-120; 03 120-end"},
        {kTwoBegun + L"FILE \"b.wav\" WAVE|INDEX 00 00:00:00|INDEX 01 00:02:00|TRACK 03 AUDIO|INDEX 01 03:00:00",
            L"01 0-end; 02@C:\\b.wav 2-180; 03@C:\\b.wav 180-end"},
        // Relative names join the sheet's directory (a root adds no second backslash); absolute ones stay.
        {L"FILE \"sub\\a.wav\" WAVE|TRACK 01 AUDIO|INDEX 01 00:00:00|FILE \"D:\\b.wav\" WAVE|TRACK 02 AUDIO|"
         L"INDEX 01 00:00:00",
            L"01@C:\\sub\\a.wav 0-end; 02@D:\\b.wav 0-end"},
        // A time going backwards leaves the previous track running to its file's end.
        {kBack + L"INDEX 01 00:30:00", L"01 60-end; 02 30-end"},
        {kBack + L"INDEX 00 00:30:00|INDEX 01 02:00:00", L"01 60-120; 02 120-end"},
        // The track's own title and performer win over the album's, for that track only.
        {L"TITLE \"Live\"|PERFORMER \"Band\"|" + kBegun +
                L"TITLE \"Intro\"|PERFORMER \"Guest\"|INDEX 01 00:00:00|"
                L"TRACK 02 AUDIO|PERFORMER \"Solo\"|INDEX 01 01:00:00|TITLE \"Late\"|TRACK 03 AUDIO|INDEX 01 02:00:00",
            L"01 Intro - Guest 0-60; 02 Live - Solo 60-120; 03 Late - Band 120-end"},
        {kBegun + L"TITLE  \" Spaced\tOut \" trailing|PERFORMER \"\"|INDEX 01 00:00:00", L"01  Spaced\tOut  -  0-end"},
        // Frames are 1/75 s rounded to the nearest unit; seconds and frames are unbounded.
        {kBegun + L"INDEX 01 00:00:01|TRACK 02 AUDIO|INDEX 01 00:00:02", L"01 133333u-266667u; 02 266667u-end"},
        {kBegun + L"INDEX 01 1:2:3 after a blank|TRACK 02 AUDIO|INDEX 01 0:90:150|TRACK 03 AUDIO|INDEX 01 477218:00:00",
            L"01 620400000u-92; 02 92-28633080; 03 28633080-end"},
        {kTwoBegun + L"INDEX 01 01:00:00\x1A", L"01 0-60; 02 60-end"},  // a DOS end-of-file mark, no line end
    };
    for (const auto& row : rows) EXPECT_EQ(parsed(row.text), row.tracks) << row.text;
    // Each stops the parse after the first track; 4294967297 would wrap to 1 in 32 bits.
    const std::wstring stops[] = {L"TRACK AUDIO", L"TRACK 4294967298 AUDIO", L"TRACK 02", L"FILE b.wav|TRACK 2 AUDIO",
        L"FILE \"b.wav|TRACK 2 AUDIO", L"TRACK 2 AUDIO|TITLE \"Open", L"TRACK 2 AUDIO|TITLE Open",
        L"TRACK 2 AUDIO|INDEX 03 01:00:00", L"TRACK 2 AUDIO|INDEX 4294967297 01:00:00",
        std::wstring(L"\0TRACK 2 AUDIO", 14)};
    for (const std::wstring& stop : stops) EXPECT_EQ(parsed(kOne + stop + L"|INDEX 01 01:00:00"), L"01 0-end") << stop;
    const std::wstring noTracks[] = {L"TRACK 01 AUDIO|INDEX 01 00:00:00|" + kOne, kBegun + L"TRACK 02 AUDIO|" + kOne,
        L"FILE \"a.wav\" WAVE|INDEX 01 00:00:00|" + kOne, L"REM " + kOne, L"PERFORMER Band|" + kOne};
    for (const std::wstring& text : noTracks) EXPECT_EQ(parsed(text), L"") << text;
    // Three runs of digits within 2^31 frames, else the index stops the parse.
    for (const wchar_t* time : {L"477219:00:00", L"0:0:4294967296", L"-1:00:00", L"1: 2:3", L"1:2:3x", L"1::3", L"1:2"})
        EXPECT_EQ(parsed(kBegun + L"INDEX 01 " + time), L"") << time;
}

std::string encoded(UINT codePage, const std::wstring& text) {
    std::string bytes(text.size() * 4, '\0');
    bytes.resize(WideCharToMultiByte(codePage, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0],
        static_cast<int>(bytes.size()), nullptr, nullptr));
    return bytes;
}

// Text ends at the first NUL: bytes after it do not decide the encoding; an odd last byte of UTF-16 is dropped.
TEST(CueSheetFile, EveryEncodingReadsAlikeAndUnreadableOrOversizedSheetsHaveNoTracks) {
    test::TempDir dir;
    const std::wstring sheet = dir.file(L"live.cue"), audio = dir.file(L"ライブ音源.wav");
    // "ソ" and "表" end in the byte 0x5C in code page 932, the backslash of ASCII.
    const std::wstring text =
        L"PERFORMER \"楽団\"\r\nFILE \"ライブ音源.wav\" WAVE\r\nTRACK 01 AUDIO\r\nTITLE \"はじまりのソナタ\""
        L"\r\nINDEX 01 00:00:00\r\nTRACK 02 AUDIO\r\nTITLE \"表現\"\r\nINDEX 01 03:00:00\r\n";
    std::string utf16be = test::utf16le(text);
    for (size_t i = 0; i + 1 < utf16be.size(); i += 2) std::swap(utf16be[i], utf16be[i + 1]);
    const std::string ascii = "FILE \"a.wav\" WAVE\r\nTRACK 01 AUDIO\r\nINDEX 01 00:00:00\r\n";
    const std::wstring japanese =
        L"01 はじまりのソナタ - 楽団@" + audio + L" 0-180; 02 表現 - 楽団@" + audio + L" 180-end";
    const std::tuple<const char*, std::string, std::wstring> files[] = {
        {"utf-8 with its mark", "\xEF\xBB\xBF" + encoded(CP_UTF8, text), japanese},
        {"utf-8, bytes after a NUL", encoded(CP_UTF8, text) + std::string("\0\x95", 2), japanese},
        {"utf-16le", test::utf16le(text), japanese},
        {"utf-16be with an odd last byte", utf16be + "x", japanese},
        {"code page 932", encoded(932, text), japanese},
        {"ascii", ascii, L"01@" + dir.file(L"a.wav") + L" 0-end"},
    };
    for (const auto& [label, bytes, tracks] : files) {
        test::writeBytes(sheet, bytes);
        EXPECT_EQ(describe(readCueSheet(sheet)), tracks) << label;
    }
    for (const std::wstring& unreadable : {dir.file(L"missing.cue"), dir.file(L"no dir\\a.cue"), dir.path()})
        EXPECT_TRUE(readCueSheet(unreadable).empty()) << unreadable;
    // The text and zero bytes up to a size; beyond 4 GiB its size modulo 2^32 is the text's.
    for (const uint64_t size : {kMaxCueSheetBytes - 1, kMaxCueSheetBytes, (uint64_t(1) << 32) + ascii.size()}) {
        FileHandle file(CreateFileW(sheet.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        const LARGE_INTEGER end{.QuadPart = static_cast<LONGLONG>(size)};
        ASSERT_TRUE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(file.get()));
        file.reset();
        EXPECT_EQ(readCueSheet(sheet).size(), size < kMaxCueSheetBytes ? 1u : 0u) << size;
    }
}

// A sheet written for the WAV finds the file it was compressed to, by the first playable pattern that fits.
TEST(CueImage, AMissingFileIsTheOneBesideItWithItsNameAndThePlayableExtensionListedFirst) {
    using Names = std::vector<std::wstring>;
    const Names beside{L"album.log", L"Album.FLAC", L"album.mp3", L"album.x.wav", L"album.wav.flac", L"other.ape"};
    const struct {
        const wchar_t* missing;
        Names playable;
        const wchar_t* found;
    } rows[] = {
        {L"album.wav", {L"*.flac", L"*.mp3"}, L"Album.FLAC"},
        {L"album.wav", {L"*.mp3", L"*.flac"}, L"album.mp3"},
        {L"ALBUM", {L"*.mp3"}, L"album.mp3"},
        {L"album.wav", {L"*.wav"}, L""},  // album.x is another name
        {L"album.mp3", {L"*.mp?"}, L""},
        {L"other.wav", {L"*.*"}, L"other.ape"},
        {L"album.wav", {}, L""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.missing)) + " " + testing::PrintToString(row.playable));
        EXPECT_EQ(substituteImageName(row.missing, beside, row.playable), row.found);
    }
}

}  // namespace
}  // namespace melodrift
