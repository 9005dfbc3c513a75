#include "library/cue_sheet.h"

#include "base/paths.h"
#include "base/text_decoding.h"
#include "base/whole_file.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <climits>
#include <new>
#include <cwchar>
#include <optional>

namespace melodrift {

// --- decoding ----------------------------------------------------------------------

namespace {

bool startsWithMark(const std::string& bytes, const char* mark, size_t length) {
    return bytes.compare(0, length, mark, length) == 0;
}

std::wstring beforeNul(std::wstring text) {
    text.resize(wcslen(text.c_str()));
    return text;
}

}  // namespace

std::wstring decodeCueText(const std::string& bytes) {
    if (startsWithMark(bytes, "\xFF\xFE", 2)) return beforeNul(fromUtf16(bytes, 2, false));
    if (startsWithMark(bytes, "\xFE\xFF", 2)) return beforeNul(fromUtf16(bytes, 2, true));
    // In UTF-8 and in the ANSI code pages a zero byte is always NUL, never part of a character.
    return decodeEightBitText(bytes.data(), std::min(bytes.find('\0'), bytes.size()));
}

// --- parsing -----------------------------------------------------------------------

namespace {

constexpr int64_t kUnitsPerSecond = 10000000;
constexpr int64_t kFramesPerSecond = 75;

// A line of the sheet's text, [begin, end), never copied: a sheet may be one line of
// a hundred million characters.
struct Span {
    const wchar_t* begin;
    const wchar_t* end;
};

const wchar_t* skipBlanks(const wchar_t* p, const wchar_t* end) {
    while (p != end && (*p == L' ' || *p == L'\t')) ++p;
    return p;
}

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Case-insensitive; never compares beyond the end of the line.
bool beginsWith(Span line, const wchar_t* keyword) {
    const size_t length = wcslen(keyword);
    return static_cast<size_t>(line.end - line.begin) >= length &&
           StrCmpNIW(line.begin, keyword, static_cast<int>(length)) == 0;
}

// A run of digits at p whose value fits in an int; p then points past it. Anything
// else (no digit, a sign, a value beyond INT_MAX) is refused rather than left to wrap.
bool readDigits(const wchar_t*& p, const wchar_t* end, int64_t& number) {
    if (p == end || !isDigit(*p)) return false;
    number = 0;
    for (; p != end && isDigit(*p); ++p) {
        number = number * 10 + (*p - L'0');
        if (number > INT_MAX) return false;
    }
    return true;
}

// The number after blanks; p then points past the number and the blanks after it.
bool readNumber(const wchar_t*& p, const wchar_t* end, int64_t& number) {
    p = skipBlanks(p, end);
    if (!readDigits(p, end, number)) return false;
    p = skipBlanks(p, end);
    return true;
}

// m:s:f (frames of 1/75 s) in 100-ns units, rounded to the nearest unit; what follows a
// blank or a control character (a DOS end-of-file mark, say) after it is ignored. Seconds
// and frames may exceed 59 and 74; a total beyond INT_MAX frames is refused.
bool readTime(const wchar_t* p, const wchar_t* end, int64_t& time) {
    int64_t minutes = 0, seconds = 0, frames = 0;
    if (!readDigits(p, end, minutes) || p == end || *p++ != L':') return false;
    if (!readDigits(p, end, seconds) || p == end || *p++ != L':') return false;
    if (!readDigits(p, end, frames) || (p != end && *p > L' ')) return false;
    const int64_t total = (minutes * 60 + seconds) * kFramesPerSecond + frames;
    if (total > INT_MAX) return false;
    time = (total * kUnitsPerSecond + kFramesPerSecond / 2) / kFramesPerSecond;
    return true;
}

// The text between the first double quote at or after p and the next one; none when a
// quote is missing or the text is longer than kMaxCueTextLength, which bounds what every
// track copies from the sheet.
std::optional<std::wstring> quotedText(const wchar_t* p, const wchar_t* end) {
    const wchar_t* open = std::find(p, end, L'"');
    if (open == end) return std::nullopt;
    const wchar_t* close = std::find(open + 1, end, L'"');
    if (close == end || static_cast<size_t>(close - open - 1) > kMaxCueTextLength) return std::nullopt;
    return std::wstring(open + 1, close);
}

class CueParser {
public:
    explicit CueParser(const std::wstring& sheetPath) : sheetDirectory_(parentDirectory(sheetPath)) {}

    std::vector<CueTrack> parse(const std::wstring& text);

private:
    enum class Step { Continue, Stop };

    Step parseLine(Span line);
    Step file(Span rest);
    Step text(Span rest, std::optional<std::wstring>& album, std::optional<std::wstring>& track);
    Step track(Span rest);
    Step index(Span rest);
    Step makeTrack(int64_t time);
    void endPreviousTrack(int64_t time);
    std::wstring trackTitle() const;

    std::wstring sheetDirectory_;
    std::vector<CueTrack> tracks_;
    // FILE lines are told apart by their order, not by the names they give: 0 is none.
    int fileLines_ = 0;
    int currentFileLine_ = 0;
    int lastTrackFileLine_ = 0;
    std::wstring currentFile_;
    std::optional<std::wstring> albumTitle_, albumPerformer_, trackTitle_, trackPerformer_;
    bool betweenTracks_ = true;
};

std::vector<CueTrack> CueParser::parse(const std::wstring& text) {
    const auto isLineEnd = [](wchar_t c) { return c == L'\r' || c == L'\n'; };
    // Text ends at the first NUL.
    const wchar_t* const end = text.c_str() + wcslen(text.c_str());
    const wchar_t* p = text.c_str();
    for (;;) {
        p = skipBlanks(p, end);
        if (p == end) break;
        const wchar_t* const lineEnd = std::find_if(p, end, isLineEnd);
        if (parseLine({p, lineEnd}) == Step::Stop || lineEnd == end) break;
        p = lineEnd + 1;
    }
    return std::move(tracks_);
}

CueParser::Step CueParser::parseLine(Span line) {
    const auto after = [&](size_t keywordLength) { return Span{line.begin + keywordLength, line.end}; };
    if (beginsWith(line, L"FILE")) return file(after(4));
    if (beginsWith(line, L"TITLE")) return text(after(5), albumTitle_, trackTitle_);
    if (beginsWith(line, L"PERFORMER")) return text(after(9), albumPerformer_, trackPerformer_);
    if (beginsWith(line, L"TRACK")) return track(after(5));
    if (beginsWith(line, L"INDEX")) return index(after(5));
    return Step::Continue;
}

CueParser::Step CueParser::file(Span rest) {
    std::optional<std::wstring> name = quotedText(rest.begin, rest.end);
    if (!name) return Step::Stop;
    lastTrackFileLine_ = currentFileLine_;
    currentFileLine_ = ++fileLines_;
    currentFile_ = std::move(*name);
    return Step::Continue;
}

CueParser::Step CueParser::text(Span rest, std::optional<std::wstring>& album, std::optional<std::wstring>& track) {
    std::optional<std::wstring> value = quotedText(rest.begin, rest.end);
    if (!value) return Step::Stop;
    (betweenTracks_ ? album : track) = std::move(value);
    return Step::Continue;
}

CueParser::Step CueParser::track(Span rest) {
    int64_t number = 0;
    if (!readNumber(rest.begin, rest.end, number) || !betweenTracks_ || currentFileLine_ == 0) return Step::Stop;
    if (!beginsWith(rest, L"AUDIO")) return Step::Stop;
    betweenTracks_ = false;
    return Step::Continue;
}

CueParser::Step CueParser::index(Span rest) {
    int64_t number = 0;
    if (!readNumber(rest.begin, rest.end, number) || betweenTracks_) return Step::Stop;
    int64_t time = 0;
    if (number > 2 || !readTime(rest.begin, rest.end, time)) return Step::Stop;
    if (number != 0) return makeTrack(time);
    // Index 00 starts the pre-gap, which ends the previous track of the same file.
    endPreviousTrack(time);
    return Step::Continue;
}

// The previous track of the same FILE line ends at time, unless time lies before its
// start: then it keeps running to its file's end, as a last track does.
void CueParser::endPreviousTrack(int64_t time) {
    if (lastTrackFileLine_ != currentFileLine_ || tracks_.empty() || time < tracks_.back().start) return;
    tracks_.back().stop = time;
}

CueParser::Step CueParser::makeTrack(int64_t time) {
    // A stop set by an index 00 is kept: the pre-gap belongs to neither track.
    if (!tracks_.empty() && tracks_.back().stop == -1) endPreviousTrack(time);

    CueTrack track;
    track.start = time;
    track.filePath = PathIsRelativeW(currentFile_.c_str()) ? joinPath(sheetDirectory_, currentFile_) : currentFile_;
    tracks_.push_back(std::move(track));
    tracks_.back().title = trackTitle();

    lastTrackFileLine_ = currentFileLine_;
    trackTitle_.reset();
    trackPerformer_.reset();
    betweenTracks_ = true;
    return tracks_.size() >= kMaxCueTracks ? Step::Stop : Step::Continue;
}

// "NN Title - Performer" for the newest track; the track's own title and performer win
// over the album's, and either part is left out when neither is given.
std::wstring CueParser::trackTitle() const {
    wchar_t number[16];
    wnsprintfW(number, 16, L"%02d", static_cast<int>(tracks_.size()));
    std::wstring title = number;
    if (const auto& name = trackTitle_ ? trackTitle_ : albumTitle_) title += L" " + *name;
    if (const auto& performer = trackPerformer_ ? trackPerformer_ : albumPerformer_) title += L" - " + *performer;
    return title;
}

}  // namespace

std::vector<CueTrack> parseCueText(const std::wstring& text, const std::wstring& sheetPath) {
    return CueParser(sheetPath).parse(text);
}

// --- reading -----------------------------------------------------------------------

std::vector<CueTrack> readCueBytes(const std::string& bytes, const std::wstring& sheetPath) {
    // A sheet near the size limit needs its bytes and twice as much for its text at once;
    // where the address space has no such room the sheet is as unreadable as a locked one.
    try {
        return parseCueText(decodeCueText(bytes), sheetPath);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

std::vector<CueTrack> readCueSheet(const std::wstring& sheetPath) {
    try {
        const std::optional<std::string> bytes = readWholeFile(literalPath(sheetPath), kMaxCueSheetBytes);
        return bytes ? readCueBytes(*bytes, sheetPath) : std::vector<CueTrack>();
    } catch (const std::bad_alloc&) {
        return {};
    }
}

}  // namespace melodrift
