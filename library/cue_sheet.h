#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace melodrift {

// One track of a CUE sheet: a time range of one audio file.
struct CueTrack {
    int64_t start = 0;      // 100-ns units from the start of the audio file
    int64_t stop = -1;      // 100-ns units; -1: up to the end of the file
    std::wstring filePath;  // absolute when the sheet names the file relative to itself
    std::wstring title;     // display title, also the item's name
};

constexpr size_t kMaxCueTracks = 99;
// A quoted FILE, TITLE or PERFORMER text longer than this stops the parse: every track
// copies its file's name and the album's texts, so this bounds a sheet's memory.
constexpr size_t kMaxCueTextLength = 32767;
// Sheets of this size or more are not read at all.
constexpr uint64_t kMaxCueSheetBytes = 100ull * 1024 * 1024;

// The sheet's text: after a UTF-8, UTF-16 LE or UTF-16 BE byte-order mark in that
// encoding; without one as UTF-8 when the bytes are valid UTF-8 with something beyond
// ASCII, else in the ANSI code page. The text ends before the first NUL.
std::wstring decodeCueText(const std::string& bytes);

// The tracks of a sheet's text, at most kMaxCueTracks. Parsing stops at the first line
// it cannot accept and keeps the tracks made before it. sheetPath anchors relative FILE names.
// Every track has 0 <= start and stop -1 or stop >= start.
std::vector<CueTrack> parseCueText(const std::wstring& text, const std::wstring& sheetPath);

// The tracks of a sheet's bytes, decoded as decodeCueText says; none when the text does not
// fit in memory at once.
std::vector<CueTrack> readCueBytes(const std::string& bytes, const std::wstring& sheetPath);

// Reads, decodes and parses the sheet; a missing, unreadable or oversized sheet has no tracks,
// and so has one whose text the address space cannot hold at once.
std::vector<CueTrack> readCueSheet(const std::wstring& sheetPath);

}  // namespace melodrift
