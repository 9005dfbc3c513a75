// Archive timings beside 7-Zip's own console program, in one run under Wine:
//   listing a many-entry archive (ours: open and list; 7z.exe l),
//   decompressing one large entry (ours: into memory; 7z.exe t on that entry), where
//   7z.exe's own start is taken off: the time it takes to test a tiny archive,
//   and the process's private memory while that entry plays, against the entry's size
//   (its peak, sampled by a thread of its own), where the platform's own graph is taken
//   off: what the same file costs played from PLAIN_FOLDER on disk.
// usage: archive_bench ARCHIVE_MANY ARCHIVE_BIG ENTRY ARCHIVE_TINY 7Z_EXE PLAIN_FOLDER [ROUNDS]
#include "settings/settings_files.h"
#include "bench/memory.h"
#include "bench/timing.h"
#include "archive/archive.h"
#include "library/folder.h"
#include "playback/player.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using namespace melodrift;
using bench::median;
using bench::PeakSampler;
using bench::privateBytes;

namespace {

double timeOnce(const std::function<void()>& work) {
    const double start = bench::nowMs();
    work();
    return (bench::nowMs() - start) / 1000.0;
}

// Runs a console program to its end, its output going to a scratch file (Wine's
// console would dominate the time otherwise).
void runQuietly(const std::wstring& commandLine) {
    std::wstring line = commandLine;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE nul = CreateFileW(L"bench-output.txt", GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
        FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    STARTUPINFOW startup{sizeof startup};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = nul;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(
            nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(nul);
}

// What holding the entry costs by itself: fresh memory of its size, each page written once.
// 7z.exe's test keeps nothing, so it never pays this.
void touchFreshMemory(size_t size) {
    auto* memory =
        static_cast<volatile uint8_t*>(VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!memory) return;
    for (size_t at = 0; at < size; at += 4096) memory[at] = 1;
    VirtualFree(const_cast<uint8_t*>(memory), 0, MEM_RELEASE);
}

std::wstring quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// Plays an entry of a folder (an archive, or a directory on disk) until it has played the given seconds (or 30 s have
// passed); says whether it got there. ready, when given, gets the private memory once
// the graph is built.
bool playFor(
    const std::wstring& folderPath, const std::wstring& entry, HWND window, int32_t seconds, SIZE_T* ready = nullptr) {
    auto folder = openFolder(folderPath, nullptr);
    auto player = folder ? folder->createPlayer(entry, window, WM_APP, WM_APP + 1) : nullptr;
    if (ready) *ready = privateBytes();
    if (!player || !player->play()) return false;
    const DWORD started = GetTickCount();
    while (player->position() < seconds && GetTickCount() - started < 30000) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(20);  // the pace of this loop, not a wait for an outcome
    }
    return player->position() >= seconds;
}

// What a play adds to private memory: once its graph is built, and at its peak.
struct PlayMemory {
    double ready, peak;
    bool played;
};

PlayMemory measurePlay(const std::wstring& folderPath, const std::wstring& entry, HWND window) {
    const SIZE_T before = privateBytes();
    PeakSampler sampler;
    SIZE_T ready = 0;
    const bool played = playFor(folderPath, entry, window, 3, &ready);
    return {double(ready) - double(before), double(sampler.stop()) - double(before), played};
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 7) {
        std::fputs(
            "usage: archive_bench ARCHIVE_MANY ARCHIVE_BIG ENTRY ARCHIVE_TINY 7Z_EXE PLAIN_FOLDER [ROUNDS]\n", stderr);
        return 2;
    }
    const std::wstring many = argv[1], big = argv[2], entry = argv[3], tiny = argv[4], sevenZip = argv[5],
                       plain = argv[6];
    const int rounds = argc > 7 ? std::max(1, _wtoi(argv[7])) : 5;
    CoInitialize(nullptr);
    configStore.load(L"");  // defaults only; nothing is saved

    // 7z.exe pays for starting a process each time; testing a tiny archive measures that.
    std::vector<double> oursList, theirsList, oursExtract, theirsExtract, theirsStart, commitAlone;
    size_t listed = 0, extracted = 0;
    for (int round = 0; round < rounds; ++round) {
        oursList.push_back(timeOnce([&] { listed = Archive(many).items().size(); }));
        theirsList.push_back(timeOnce([&] { runQuietly(quoted(sevenZip) + L" l " + quoted(many)); }));
        // The bytes are freed outside the timing: 7z.exe's test keeps nothing it must free.
        std::vector<uint8_t> bytes;
        oursExtract.push_back(timeOnce([&] { bytes = Archive(big).extract(entry); }));
        extracted = bytes.size();
        theirsExtract.push_back(
            timeOnce([&] { runQuietly(quoted(sevenZip) + L" t " + quoted(big) + L" " + quoted(entry)); }));
        theirsStart.push_back(timeOnce([&] { runQuietly(quoted(sevenZip) + L" t " + quoted(tiny)); }));
        commitAlone.push_back(timeOnce([&] { touchFreshMemory(extracted); }));
    }
    const double start = median(theirsStart);
    const double theirsExtractAlone = std::max(1e-3, median(theirsExtract) - start);  // 7z.exe's test, start excluded
    std::printf("entries listed: %zu, entry size: %.1f MB, rounds: %d\n", listed, extracted / 1e6, rounds);
    std::printf("list      ours %.3f s   7z.exe %.3f s (%.3f s without its start)   ratio %.2f (%.2f)\n",
        median(oursList), median(theirsList), median(theirsList) - start, median(oursList) / median(theirsList),
        median(oursList) / std::max(1e-3, median(theirsList) - start));
    std::printf("extract   ours %.3f s   7z.exe %.3f s (%.3f s without its start)   ratio %.2f (%.2f)\n",
        median(oursExtract), median(theirsExtract), median(theirsExtract) - start,
        median(oursExtract) / median(theirsExtract), median(oursExtract) / theirsExtractAlone);
    std::printf("extract   fresh memory of the entry's size, each page written once: %.3f s; ours without it %.2f\n",
        median(commitAlone), (median(oursExtract) - median(commitAlone)) / theirsExtractAlone);

    // Memory while the entry plays: the graph holds the whole entry, and nothing more
    // than the graph the platform builds for the same file on disk should come on top.
    // One untimed play of each first, so that loading the decoders (once a process) is
    // not counted.
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    playFor(big, entry, window, 1);
    playFor(plain, entry, window, 1);
    const PlayMemory fromArchive = measurePlay(big, entry, window);
    const PlayMemory fromDisk = measurePlay(plain, entry, window);
    DestroyWindow(window);
    const double entrySize = double(std::max<size_t>(extracted, 1));
    std::printf(
        "memory    added by the entry's play: %.1f MB ready, %.1f MB peak; by the file's play from disk: "
        "%.1f MB ready, %.1f MB peak%s\n",
        fromArchive.ready / 1e6, fromArchive.peak / 1e6, fromDisk.ready / 1e6, fromDisk.peak / 1e6,
        fromArchive.played && fromDisk.played ? "" : "   (a play did not get to 3 s)");
    std::printf("memory    entry's play / entry size %.2f, less the graph's own %.2f\n", fromArchive.peak / entrySize,
        (fromArchive.peak - fromDisk.peak) / entrySize);
    std::printf("ratio extract %.2f\n", median(oursExtract) / theirsExtractAlone);
    std::printf("ratio entry_memory %.2f\n", (fromArchive.peak - fromDisk.peak) / entrySize);
    return 0;
}
