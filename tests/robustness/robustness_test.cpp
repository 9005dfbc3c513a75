// Hostile input through the real parsers; fixed seeds, MELODRIFT_FUZZ_SCALE (tools/fuzz.sh) times the cases.
#include "archive/archive.h"
#include "archive/archive_fixtures.h"
#include "decoding/wave_stream.h"
#include "library/cue_sheet.h"
#include "library/folder_zip.h"
#include "playback/check_string.h"
#include "settings/settings_store.h"
#include "support/files.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <random>

namespace melodrift {
namespace {

using Words = std::vector<std::wstring>;

size_t scaled(size_t cases) {
    return cases * static_cast<size_t>(std::max(_wtoi(test::environmentVariable(L"MELODRIFT_FUZZ_SCALE").c_str()), 1));
}

// Edits in the manner of a mutating fuzzer, the same for the same seed.
struct Mutator {
    explicit Mutator(size_t seed) : random(static_cast<uint32_t>(seed)) {}
    size_t below(size_t n) { return n == 0 ? 0 : std::uniform_int_distribution<size_t>(0, n - 1)(random); }
    template <class Text>
    Text mutate(Text text, const std::vector<Text>& words) {
        for (size_t edits = 1 + below(8); edits > 0; --edits) {
            const size_t at = below(text.size() + 1), length = below(std::min<size_t>(text.size() - at, 64) + 1);
            switch (below(9)) {
            case 0:
            case 1:
                if (at < text.size()) text[at] ^= typename Text::value_type(1u << below(8 * sizeof text[0]));
                break;
            case 2: text.erase(at, length); break;
            case 3: text.insert(at, text.substr(at, length)); break;
            case 4: text.resize(at); break;
            default: text.insert(at, words[below(words.size())]); break;
            }
        }
        return text;
    }
    // Damage as a disk or a transfer does it: cut short, bits flipped, a block zeroed, a size field made huge.
    std::string damage(std::string bytes) {
        const size_t at = below(bytes.size());
        switch (below(4)) {
        case 0: bytes.resize(at); break;
        case 1:
            for (size_t n = 1 + below(16); n > 0; --n) bytes[below(bytes.size())] ^= char(1 << below(8));
            break;
        case 2: std::fill_n(bytes.begin() + at, std::min<size_t>(bytes.size() - at, 1 + below(4096)), '\0'); break;
        default: bytes.replace(at, 4, "\xFF\xFF\xFF\x7F"); break;
        }
        return bytes;
    }
    std::mt19937 random;
};

// The heap in use and its highest point since reset: every allocation passes the operators at the end.
std::atomic<size_t> heapInUse{0}, heapPeak{0};

// The start of a no-access page after a writable one: data copied to end there faults on any read beyond it.
uint8_t* noAccessPage() {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    auto* base = static_cast<uint8_t*>(VirtualAlloc(nullptr, 2 * system.dwPageSize, MEM_RESERVE, PAGE_NOACCESS));
    VirtualAlloc(base, system.dwPageSize, MEM_COMMIT, PAGE_READWRITE);
    return base + system.dwPageSize;
}

// Sheets give sound tracks: at most 99, times in order, texts bounded (a track copies at most three texts
// of the longest length and the sheet's directory), whether parsed or read from a damaged file.
TEST(HostileInput, MutatedSheetsGiveSoundTracks) {
    const Words sheets{
        L"PERFORMER \"Band\"\r\nTITLE \"Live\"\r\nFILE \"live.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n    TITLE \"Intro\"\r\n"
        L"    INDEX 01 00:00:00\r\n  TRACK 02 AUDIO\r\n    INDEX 00 01:59:70\r\n    INDEX 01 02:00:00\r\n",
        L"FILE \"a.wav\" WAVE\nTRACK 1 AUDIO\nINDEX 02 10:00:00\nTRACK 2 AUDIO\nINDEX 00 05:00:00\nINDEX 01 20:00:00\n"
        L"FILE \"D:\\b.wav\" WAVE\nTRACK 3 AUDIO\nPERFORMER \"Solo\"\nINDEX 01 00:00:00\n"};
    const Words words{L"FILE \"", L"TRACK 01 AUDIO\n", L"INDEX 00 ", L"INDEX 01 ", L"INDEX 02 ", L"TITLE \"",
        L"PERFORMER \"", L"\"", L":", L"\r\n", L"\n", L" ", L"4294967296", L"3000000000", L"2147483647",
        L"477218:00:00", L"00:00:00", L"99:59:74", L"-1", std::wstring(1, L'\0'),
        std::wstring(kMaxCueTextLength, L'x')};
    const auto sound = [](const std::vector<CueTrack>& tracks) {
        return tracks.size() <= kMaxCueTracks && std::all_of(tracks.begin(), tracks.end(), [](const CueTrack& t) {
            return t.start >= 0 && (t.stop == -1 || t.stop >= t.start) &&
                   t.title.size() + t.filePath.size() <= 4 * kMaxCueTextLength;
        });
    };
    test::TempDir dir;
    const std::wstring sheet = dir.file(L"fuzz.cue");
    for (size_t i = 0; i < scaled(2000); ++i) {
        Mutator mutator(i);
        const std::wstring text = mutator.mutate(sheets[mutator.below(sheets.size())], words);
        ASSERT_TRUE(sound(parseCueText(text, sheet))) << "case " << i;
        if (i % 10 == 0) {  // some go the user's way: a damaged file, in one of the encodings a sheet may have
            const std::string bytes = mutator.below(2) ? test::utf16le(text) : std::string(text.begin(), text.end());
            test::writeBytes(sheet, mutator.damage(bytes));
            ASSERT_TRUE(sound(readCueSheet(sheet))) << "case " << i;
        }
    }
}

TEST(HostileInput, MutatedSettingsFilesRoundTrip) {
    const std::wstring settings = L"FileList.Column[0]=200\r\nFavorite[00]=C:\\音楽\r\nRandom=1\r\nVolume=-5000\r\n";
    const Words words{L"=", L"\r", L"\n", L"\r\n", L"\xFEFF", L"\xD800", std::wstring(1, L'\0'), L"Volume=", L"a=b=c"};
    test::TempDir dir;
    const std::wstring config = dir.file(L"fuzz-config.txt");
    for (size_t i = 0; i < scaled(2000); ++i) {
        Mutator mutator(i);
        const std::string bytes = test::utf16le(mutator.mutate(settings, words), mutator.below(2) != 0);
        test::writeBytes(config, mutator.below(4) ? bytes : bytes + 'x');  // an odd byte
        SettingsStore store, reread;
        store.load(config);
        store.markDirty();
        ASSERT_TRUE(store.save()) << "case " << i;
        reread.load(config);
        ASSERT_EQ(reread.entries(), store.entries()) << "case " << i;
    }
}

// No check string reads beyond its data or itself: both end where a no-access page begins.
TEST(HostileInput, MutatedCheckStringsReadOnlyTheirDataAndThemselves) {
    const Words checks{L"0,4,,52494646,8,4,,57415645", L"-4,4,FFFFFFFF,00000000", L"0, 2, FFE0, FFE0"};
    const Words words{L",", L"-", L" ", L"4294967296", L"-2147483648", L"FFFFFFFF", L"0", L"F", L"80,"};
    uint8_t* const dataEnd = noAccessPage();
    wchar_t* const textEnd = reinterpret_cast<wchar_t*>(noAccessPage());
    for (size_t i = 0; i < scaled(2000); ++i) {
        Mutator mutator(i);
        const std::wstring check = mutator.mutate(checks[mutator.below(checks.size())], words);
        std::vector<uint8_t> data(mutator.below(64));
        for (uint8_t& byte : data) byte = static_cast<uint8_t>(mutator.below(256));
        checkStringMatches(std::copy_backward(check.c_str(), check.c_str() + check.size() + 1, textEnd),
            std::copy_backward(data.begin(), data.end(), dataEnd), static_cast<uint32_t>(data.size()));
    }
}

// Sheets of 20 MB built to cost the most: every track copies the file's name and the album's texts,
// each at most the length limit. Parsing ends at the 99th track, before the hundredth.
TEST(HostileSheets, LargeSheetsAreReadInBoundedMemory) {
    const size_t size = 20 * 1000 * 1000, limit = kMaxCueTextLength;
    const auto quoted = [](const wchar_t* keyword, size_t length) {
        return keyword + (L" \"" + std::wstring(length, L'x') + L"\"\n");
    };
    std::wstring tracks;
    for (int i = 0; i < 100; ++i) tracks += L"TRACK 01 AUDIO\nINDEX 01 00:00:00\n";
    const std::tuple<const char*, std::wstring, size_t> shapes[] = {
        {"texts at the limit",
            L"REM " + std::wstring(size, L'y') + L"\n" + quoted(L"TITLE", limit) + quoted(L"PERFORMER", limit) +
                quoted(L"FILE", limit) + tracks,
            99},
        {"long title", quoted(L"TITLE", size / 2) + quoted(L"FILE", 5) + tracks, 0},
        {"long file name", quoted(L"FILE", size) + tracks, 0},
        {"endless line", std::wstring(size, L'x'), 0},
    };
    test::TempDir dir;
    for (const auto& [shape, text, count] : shapes) {
        test::writeBytes(dir.file(L"large.cue"), std::string(text.begin(), text.end()));
        const size_t before = heapPeak = heapInUse.load();
        EXPECT_EQ(readCueSheet(dir.file(L"large.cue")).size(), count) << shape;
        EXPECT_LT(heapPeak - before, 4 * text.size()) << shape;  // the bytes and their text at two bytes a character
    }
}

using DamagedArchives = test::ArchiveTest;

TEST_F(DamagedArchives, ListAndExtractOrFailCleanly) {
    const Words sources{L"music.7z", L"music.zip", L"music.tar", L"mixed.zip", L"long_name.zip", L"password.7z",
        L"album.zip", L"album.7z"};
    test::TempDir dir;
    for (size_t i = 0; i < scaled(100); ++i) {
        Mutator mutator(i);
        const std::wstring& source = sources[mutator.below(sources.size())];
        const std::wstring damaged = dir.file(L"damaged-" + source);
        test::writeBytes(damaged, mutator.damage(test::readBytes(test::archiveFixture(source))));
        const Archive archive(damaged);
        if (!archive.isOpen()) {
            ASSERT_TRUE(archive.items().empty()) << "case " << i;
        }
        for (const auto& [name, index] : archive.items()) {
            archive.itemSize(index);
            archive.itemModified(index);
            archive.extract(name);  // damaged bytes may come out: the player judges them
        }
        FolderZip folder(damaged, {L"*"});  // its sheets read from damaged bytes
        for (FolderItem item; folder.nextItem({L"*"}, item, true);) ASSERT_FALSE(item.name.empty()) << "case " << i;
    }
}

// Read from front to back and from any point, without a fault and within its stated size.
TEST(HostileInput, DamagedAudioDecodesOrIsRefused) {
    const Words sources{
        L"tone_16.flac", L"tone.ogg", L"tone.opus", L"tone_aac.m4a", L"tone_alac.m4a", L"tone.aac", L"tone.wv"};
    constexpr uint64_t kMostBytes = 64u << 20;
    std::vector<uint8_t> buffer(64 * 1024);
    for (size_t i = 0; i < scaled(70); ++i) {
        Mutator mutator(i);
        const std::string bytes = mutator.damage(test::readBytes(test::audioFixture(sources[i % sources.size()])));
        const auto shared = std::make_shared<const std::vector<uint8_t>>(bytes.begin(), bytes.end());
        auto decoder = AudioDecoder::open(memoryInput(shared), AudioDecoder::Channels::AsRecorded);
        if (!decoder) continue;
        WaveStream wave(std::move(decoder));
        ASSERT_LT(wave.size(), kMostBytes) << "case " << i;
        const uint64_t jump = mutator.below(static_cast<size_t>(wave.size()));
        for (uint64_t at : {jump, uint64_t(0)}) {
            for (; at < wave.size(); at += buffer.size()) {
                const size_t length = static_cast<size_t>(std::min<uint64_t>(buffer.size(), wave.size() - at));
                ASSERT_TRUE(wave.read(at, buffer.data(), length)) << "case " << i;
            }
        }
    }
}

}  // namespace
}  // namespace melodrift

void* operator new(size_t size) {
    void* block = std::malloc(size ? size : 1);
    if (!block) throw std::bad_alloc();
    const size_t inUse = melodrift::heapInUse += _msize(block);
    for (size_t peak = melodrift::heapPeak; inUse > peak && !melodrift::heapPeak.compare_exchange_weak(peak, inUse);) {
    }
    return block;
}

void operator delete(void* block) noexcept {
    if (block) melodrift::heapInUse -= _msize(block), std::free(block);
}

void operator delete(void* block, size_t) noexcept { operator delete(block); }
