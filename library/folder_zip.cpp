#include "library/folder_zip.h"

#include "base/paths.h"
#include "library/archive_sheets.h"
#include "library/folder_cue.h"
#include "playback/player_of_cue.h"
#include "playback/source_renderer.h"

#include <shlwapi.h>

#include <set>

namespace melodrift {

FolderZip::FolderZip(const std::wstring& path, const std::vector<std::wstring>& playable)
    : path_(path), archive_(std::make_shared<Archive>(literalPath(path))) {
    listItems(playable);
}

void FolderZip::listItems(const std::vector<std::wstring>& playable) {
    std::map<std::wstring, std::vector<CueTrack>> sheets;
    std::set<std::wstring> images;  // named by a sheet: listed through its tracks only
    for (ArchiveSheet& sheet : readArchiveSheets(*archive_, playable)) {
        for (const CueTrack& track : sheet.tracks) images.insert(track.filePath);
        sheets.emplace(std::move(sheet.name), std::move(sheet.tracks));
    }
    std::set<std::wstring> titles;
    const auto& items = archive_->items();
    for (auto entry = items.begin(); entry != items.end(); ++entry) {
        const auto sheet = sheets.find(entry->first);
        if (sheet == sheets.end()) {
            if (!images.count(entry->first)) rows_.push_back({entry});
            continue;
        }
        for (CueTrack& track : sheet->second) {
            // Two discs' sheets may give the same titles; a name must pick one track.
            if (!titles.insert(track.title).second) track.title += L" (" + entry->first + L")";
            rows_.push_back({entry, tracks_.size()});
            tracks_.push_back(std::move(track));
        }
    }
}

bool FolderZip::nextItem(const std::vector<std::wstring>& patterns, FolderItem& out, const bool&) {
    while (cursor_ < rows_.size()) {
        const Row& row = rows_[cursor_++];
        if (row.track != kNoTrack) {
            fillTrackItem(tracks_[row.track], out);
            return true;
        }
        const std::wstring& key = row.entry->first;
        if (!matchesAnyPattern(key.c_str(), patterns)) continue;
        out.name = key;
        const wchar_t* extension = PathFindExtensionW(key.c_str());
        out.type = *extension == L'.' ? extension + 1 : extension;
        out.size = archive_->itemSize(row.entry->second);
        out.modified = archive_->itemModified(row.entry->second);
        return true;
    }
    return false;
}

void FolderZip::rewind() { cursor_ = 0; }

const std::wstring& FolderZip::path() const { return path_; }

std::shared_ptr<Player> FolderZip::createPlayer(
    const std::wstring& itemName, HWND notifyWindow, UINT graphEventMessage, UINT completionMessage) {
    if (const CueTrack* track = trackTitled(tracks_, itemName)) {
        const MemorySourceRenderer audio(image(track->filePath));
        return createTrackPlayer(tracks_, *track, audio, path_, notifyWindow, graphEventMessage, completionMessage);
    }
    const ZipSourceRenderer renderer(archive_, itemName);
    return std::make_shared<Player>(renderer, path_, itemName, notifyWindow, graphEventMessage, completionMessage);
}

std::shared_ptr<const std::vector<uint8_t>> FolderZip::image(const std::wstring& entryName) {
    // An image that gave nothing is tried again: memory may have run short.
    if (image_ && !image_->empty() && imageName_ == entryName) return image_;
    image_.reset();  // gone before the next is made, unless a player still holds it
    image_ = std::make_shared<const std::vector<uint8_t>>(archive_->extract(entryName));
    imageName_ = entryName;
    return image_;
}

}  // namespace melodrift
