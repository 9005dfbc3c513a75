#include "library/folder_cue.h"

#include "base/paths.h"
#include "library/cue_image.h"
#include "playback/player_of_cue.h"

#include <algorithm>

namespace melodrift {

FolderCue::FolderCue(const std::wstring& sheetPath, const std::vector<std::wstring>& playable)
    : path_(sheetPath), tracks_(readCueSheet(sheetPath)) {
    findImagesOnDisk(tracks_, playable);
}

void fillTrackItem(const CueTrack& track, FolderItem& out) {
    out.name = track.title;
    out.type = L"cue";
    out.size = FolderItem::kNoSize;
    out.modified = FILETIME{};
}

const CueTrack* trackTitled(const std::vector<CueTrack>& tracks, const std::wstring& title) {
    const auto track = std::find_if(tracks.begin(), tracks.end(), [&](const CueTrack& t) { return t.title == title; });
    return track == tracks.end() ? nullptr : &*track;
}

bool FolderCue::nextItem(const std::vector<std::wstring>&, FolderItem& out, const bool&) {
    if (cursor_ >= tracks_.size()) return false;
    fillTrackItem(tracks_[cursor_++], out);
    return true;
}

void FolderCue::rewind() {
    cursor_ = 0;
}

const std::wstring& FolderCue::path() const {
    return path_;
}

std::shared_ptr<Player> FolderCue::createPlayer(const std::wstring& itemName, HWND notifyWindow,
                                                UINT graphEventMessage, UINT completionMessage) {
    const CueTrack* track = trackTitled(tracks_, itemName);
    if (!track) return nullptr;
    const FileSourceRenderer audio(literalPath(track->filePath));
    return std::make_shared<PlayerOfCue>(audio, path_, itemName, track->start, track->stop, notifyWindow,
                                         graphEventMessage, completionMessage);
}

}  // namespace melodrift
