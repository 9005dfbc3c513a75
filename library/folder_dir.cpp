#include "library/folder_dir.h"

#include "base/paths.h"
#include "playback/player.h"
#include "playback/source_renderer.h"

#include <shlwapi.h>

#include <cstdint>

namespace melodrift {

namespace {

bool isPlayable(const WIN32_FIND_DATAW& entry, const std::vector<std::wstring>& patterns) {
    // The directory bit also covers "." and "..". Only the long name counts.
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    return matchesAnyPattern(entry.cFileName, patterns);
}

void fillItem(const WIN32_FIND_DATAW& entry, FolderItem& out) {
    out.name = entry.cFileName;
    const wchar_t* extension = PathFindExtensionW(entry.cFileName);
    out.type = *extension == L'.' ? extension + 1 : extension;
    out.size = (uint64_t(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
    out.modified = entry.ftLastWriteTime;
}

}  // namespace

FolderDir::FolderDir(const std::wstring& path, MessageDrain drain) : path_(path), drain_(drain) {}

bool FolderDir::nextItem(const std::vector<std::wstring>& patterns, FolderItem& out, const bool& keepGoing) {
    // A handler run by the pump may have dropped this folder; whoever did so cleared
    // the flag, so after a drain the flag is read before any member.
    drain();
    if (!keepGoing) return false;
    WIN32_FIND_DATAW entry;
    for (;;) {
        if (!readNextEntry(entry)) return false;
        if (isPlayable(entry, patterns)) break;
        drain();
        if (!keepGoing) return false;
    }
    fillItem(entry, out);
    return true;
}

bool FolderDir::readNextEntry(WIN32_FIND_DATAW& entry) {
    if (search_) return FindNextFileW(search_.get(), &entry) != FALSE;
    // An empty path would search "*", the process's current directory.
    if (path_.empty()) return false;
    // A failed start leaves no search, so the next call tries again.
    search_.reset(FindFirstFileW(joinPath(literalPath(path_), L"*").c_str(), &entry));
    return static_cast<bool>(search_);
}

void FolderDir::drain() const {
    // Copied first: a handler run by the drain may destroy this folder.
    if (const MessageDrain run = drain_) run();
}

void FolderDir::rewind() { search_.reset(); }

const std::wstring& FolderDir::path() const { return path_; }

std::shared_ptr<Player> FolderDir::createPlayer(
    const std::wstring& itemName, HWND notifyWindow, UINT graphEventMessage, UINT completionMessage) {
    const FileSourceRenderer renderer(literalPath(joinPath(path_, itemName)));
    return std::make_shared<Player>(renderer, path_, itemName, notifyWindow, graphEventMessage, completionMessage);
}

}  // namespace melodrift
