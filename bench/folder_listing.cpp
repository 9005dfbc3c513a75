// Times listing a directory of many files through FolderDir against a bare directory
// search, alternating the two. Absolute times depend on the machine and on Wine; the
// ratio is what to read: the price of draining messages and matching patterns.
#include "base/unique_handle.h"
#include "library/folder_dir.h"
#include "base/paths.h"

#include "bench/timing.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace melodrift {

using bench::nowMs;
namespace {

constexpr int kFileCount = 10000;
constexpr int kDefaultRepetitions = 9;
const wchar_t kPlayable[] = L"*.mp?;*.wma;*.asf;*.wav;*.og?;*.aac;*.flac;*.opus;*.m4a;*.wv;*.ape;*.tak";
const wchar_t* const kExtensions[] = {L"mp3", L"wma", L"asf", L"wav", L"ogg", L"aac", L"mp2", L"oga"};

std::wstring fileName(int index) {
    wchar_t name[32];
    swprintf(name, 32, L"track-%05d.%ls", index, kExtensions[index % (sizeof kExtensions / sizeof *kExtensions)]);
    return name;
}

std::wstring defaultDirectory() { return joinPath(bench::tempDirectory(), L"melodrift-folder-listing"); }

// Files are made in order, so the last one standing means the set is complete.
bool provideFiles(const std::wstring& dir) {
    CreateDirectoryW(dir.c_str(), nullptr);
    if (GetFileAttributesW(joinPath(dir, fileName(kFileCount - 1)).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    std::printf("making %d files...\n", kFileCount);
    for (int i = 0; i < kFileCount; ++i) {
        FileHandle file(
            CreateFileW(joinPath(dir, fileName(i)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        if (!file || !WriteFile(file.get(), "ID3", 3, &written, nullptr)) return false;
    }
    return true;
}

int listThroughFolder(const std::wstring& dir, const std::vector<std::wstring>& patterns) {
    FolderDir folder(dir);
    FolderItem item;
    const bool keepGoing = true;
    int count = 0;
    while (folder.nextItem(patterns, item, keepGoing)) ++count;
    return count;
}

int listBare(const std::wstring& dir) {
    WIN32_FIND_DATAW entry;
    FindHandle search(FindFirstFileW(joinPath(dir, L"*").c_str(), &entry));
    if (!search) return 0;
    int count = 0;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
    } while (FindNextFileW(search.get(), &entry));
    return count;
}

struct Series {
    const char* label;
    std::vector<double> times;
    bool complete = true;  // every pass saw every file

    template <typename List>
    void time(List list) {
        const double start = nowMs();
        const int count = list();
        times.push_back(nowMs() - start);
        if (count != kFileCount) {
            std::printf("%s listed %d files, not %d\n", label, count, kFileCount);
            complete = false;
        }
    }
    double median() const { return bench::median(times); }
};

int run(const std::wstring& dir, int repetitions) {
    if (!provideFiles(dir)) {
        std::printf("cannot make the files in %ls\n", dir.c_str());
        return 1;
    }
    const std::vector<std::wstring> patterns = splitString(kPlayable, L';');
    Series folder{"FolderDir"};
    Series bare{"bare search"};
    auto timeFolder = [&] { folder.time([&] { return listThroughFolder(dir, patterns); }); };
    auto timeBare = [&] { bare.time([&] { return listBare(dir); }); };

    // One untimed pass each, so that neither pays alone for a cold directory cache.
    listThroughFolder(dir, patterns);
    listBare(dir);
    bench::alternate(repetitions, timeFolder, timeBare);
    if (!folder.complete || !bare.complete) return 1;

    std::printf("directory: %ls (%d files), %d passes each\n", dir.c_str(), kFileCount, repetitions);
    std::printf("FolderDir::nextItem  median %8.2f ms\n", folder.median());
    std::printf("bare FindNextFileW   median %8.2f ms\n", bare.median());
    std::printf("ratio folder_listing %.2f\n", folder.median() / bare.median());
    return 0;
}

}  // namespace
}  // namespace melodrift

// Arguments: [directory [passes]]. The directory is made, or reused when it is complete.
int wmain(int argc, wchar_t** argv) {
    const std::wstring dir = argc > 1 ? std::wstring(argv[1]) : melodrift::defaultDirectory();
    const int repetitions = argc > 2 ? std::max(1, _wtoi(argv[2])) : melodrift::kDefaultRepetitions;
    return melodrift::run(dir, repetitions);
}
