#include "library/archive_sheets.h"

#include "base/name_pattern.h"
#include "base/paths.h"
#include "library/cue_image.h"

#include <windows.h>

#include <map>

namespace melodrift {

namespace {

std::wstring folded(std::wstring text) {
    if (!text.empty()) CharUpperBuffW(&text[0], DWORD(text.size()));
    return text;
}

// An inner path with "/" read as "\", "." parts dropped and ".." taking away the part before
// it; empty when ".." would climb out of the archive. A leading "\" is the archive's root.
std::wstring normalInnerPath(std::wstring path) {
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    std::vector<std::wstring> parts;
    for (std::wstring& part : splitString(path, L'\\')) {
        if (part == L".") continue;
        if (part != L"..") {
            parts.push_back(std::move(part));
        } else if (parts.empty()) {
            return std::wstring();
        } else {
            parts.pop_back();
        }
    }
    std::wstring normal;
    for (const std::wstring& part : parts) normal = joinPath(normal, part);
    return normal;
}

// The archive's entries by their names in capitals, for the FILE names of sheets, which
// Windows tools write in whatever case.
class EntryFinder {
public:
    EntryFinder(const Archive& archive, const std::vector<std::wstring>& playable) : playable_(playable) {
        for (const auto& item : archive.items()) entries_.emplace(folded(item.first), item.first);
    }

    // The inner path of the entry that a track's filePath names: that entry, or else the one
    // beside it with another playable extension; empty when the archive has neither.
    std::wstring find(const std::wstring& sheetName, const std::wstring& filePath) const {
        // A drive path was written on the ripping machine: the file is looked for beside the sheet.
        const bool onDrive = filePath.size() > 1 && filePath[1] == L':';
        const std::wstring path =
            normalInnerPath(onDrive ? joinPath(parentDirectory(sheetName), pathFileName(filePath)) : filePath);
        if (path.empty()) return path;
        const auto exact = entries_.find(folded(path));
        if (exact != entries_.end()) return exact->second;

        const std::wstring directory = parentDirectory(path);
        const std::wstring name = pathFileName(path);
        const std::wstring prefix = folded(joinPath(directory, name.substr(0, name.rfind(L'.'))) + L".");
        std::vector<std::wstring> siblings, siblingPaths;
        for (auto entry = entries_.lower_bound(prefix);
             entry != entries_.end() && entry->first.compare(0, prefix.size(), prefix) == 0; ++entry) {
            if (entry->first.find(L'\\', prefix.size()) != std::wstring::npos) continue;  // deeper down
            siblings.push_back(pathFileName(entry->second));
            siblingPaths.push_back(entry->second);
        }
        const std::wstring substitute = substituteImageName(name, siblings, playable_);
        for (size_t i = 0; i < siblings.size(); ++i)
            if (siblings[i] == substitute) return siblingPaths[i];
        return std::wstring();
    }

private:
    const std::vector<std::wstring>& playable_;
    std::map<std::wstring, std::wstring> entries_;  // capitals -> as listed
};

}  // namespace

std::vector<ArchiveSheet> readArchiveSheets(const Archive& archive, const std::vector<std::wstring>& playable) {
    std::vector<UINT32> indices;
    for (const auto& item : archive.items())
        if (matchesNamePattern(item.first.c_str(), L"*.cue")) indices.push_back(item.second);
    if (indices.empty()) return {};
    const std::map<UINT32, std::vector<uint8_t>> texts = archive.extractWhole(indices, kMaxCueSheetBytes);

    const EntryFinder finder(archive, playable);
    std::vector<ArchiveSheet> sheets;
    for (const auto& item : archive.items()) {
        const auto text = texts.find(item.second);
        if (text == texts.end()) continue;
        ArchiveSheet sheet{item.first, {}};
        std::map<std::wstring, std::wstring> found;  // one search per file, however many tracks it has
        for (CueTrack& track : readCueBytes(std::string(text->second.begin(), text->second.end()), item.first)) {
            auto entry = found.find(track.filePath);
            if (entry == found.end())
                entry = found.emplace(track.filePath, finder.find(item.first, track.filePath)).first;
            if (entry->second.empty()) continue;
            track.filePath = entry->second;
            sheet.tracks.push_back(std::move(track));
        }
        if (!sheet.tracks.empty()) sheets.push_back(std::move(sheet));
    }
    return sheets;
}

}  // namespace melodrift
