#include "library/folder_cue.h"

#include "base/paths.h"
#include "library/cue_image.h"
#include "playback/player_of_cue.h"

#include <algorithm>
#include <utility>

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

std::shared_ptr<Player> createTrackPlayer(const std::vector<CueTrack>& tracks, const CueTrack& track,
    const SourceRenderer& audio, const std::wstring& folderPath, HWND notifyWindow, UINT graphEventMessage,
    UINT completionMessage) {
    auto player = std::make_shared<PlayerOfCue>(
        audio, folderPath, track.title, track.start, track.stop, notifyWindow, graphEventMessage, completionMessage);
    // Only the same file goes on without a break; a sheet's next FILE starts another.
    std::vector<CueSpan> followers;
    for (size_t next = size_t(&track - tracks.data()) + 1;
         next < tracks.size() && tracks[next].filePath == track.filePath; ++next)
        followers.push_back(CueSpan{tracks[next].title, tracks[next].start, tracks[next].stop});
    player->setFollowers(std::move(followers));
    return player;
}

bool FolderCue::nextItem(const std::vector<std::wstring>&, FolderItem& out, const bool&) {
    if (cursor_ >= tracks_.size()) return false;
    fillTrackItem(tracks_[cursor_++], out);
    return true;
}

void FolderCue::rewind() { cursor_ = 0; }

const std::wstring& FolderCue::path() const { return path_; }

std::shared_ptr<Player> FolderCue::createPlayer(
    const std::wstring& itemName, HWND notifyWindow, UINT graphEventMessage, UINT completionMessage) {
    const CueTrack* track = trackTitled(tracks_, itemName);
    if (!track) return nullptr;
    const FileSourceRenderer audio(literalPath(track->filePath));
    return createTrackPlayer(tracks_, *track, audio, path_, notifyWindow, graphEventMessage, completionMessage);
}

}  // namespace melodrift
