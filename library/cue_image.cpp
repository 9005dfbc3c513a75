#include "library/cue_image.h"

#include "base/paths.h"
#include "base/unique_handle.h"

#include <windows.h>
#include <shlwapi.h>

#include <map>

namespace melodrift {

namespace {

bool sameText(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(), int(b.size()), TRUE) == CSTR_EQUAL;
}

std::wstring baseName(const std::wstring& name) {
    return name.substr(0, size_t(PathFindExtensionW(name.c_str()) - name.c_str()));
}

bool isFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(literalPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The files whose names begin with the base name of path's file and a dot.
std::vector<std::wstring> filesNamedLike(const std::wstring& path) {
    std::vector<std::wstring> names;
    const std::wstring directory = parentDirectory(path);
    WIN32_FIND_DATAW entry;
    FindHandle search(
        FindFirstFileW(literalPath(joinPath(directory, baseName(pathFileName(path)) + L".*")).c_str(), &entry));
    for (bool found = static_cast<bool>(search); found; found = FindNextFileW(search.get(), &entry) != FALSE)
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(entry.cFileName);
    return names;
}

std::wstring imageOnDisk(const std::wstring& path, const std::vector<std::wstring>& playable) {
    if (path.empty() || isFile(path)) return path;
    const std::wstring substitute = substituteImageName(pathFileName(path), filesNamedLike(path), playable);
    return substitute.empty() ? path : joinPath(parentDirectory(path), substitute);
}

}  // namespace

std::wstring substituteImageName(const std::wstring& missingName, const std::vector<std::wstring>& siblings,
    const std::vector<std::wstring>& playable) {
    const std::wstring base = baseName(missingName);
    for (const std::wstring& pattern : playable) {
        for (const std::wstring& sibling : siblings) {
            if (sameText(sibling, missingName) || !sameText(baseName(sibling), base)) continue;
            if (matchesAnyPattern(sibling.c_str(), {pattern})) return sibling;
        }
    }
    return std::wstring();
}

void findImagesOnDisk(std::vector<CueTrack>& tracks, const std::vector<std::wstring>& playable) {
    std::map<std::wstring, std::wstring> found;  // one look per file, however many tracks it has
    for (CueTrack& track : tracks) {
        auto known = found.find(track.filePath);
        if (known == found.end()) known = found.emplace(track.filePath, imageOnDisk(track.filePath, playable)).first;
        track.filePath = known->second;
    }
}

}  // namespace melodrift
