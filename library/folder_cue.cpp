#include "library/folder_cue.h"

#include "base/paths.h"
#include "playback/player_of_cue.h"

#include <algorithm>
#include <utility>

namespace melodrift {

FolderCue::FolderCue(const std::wstring& sheetPath) : FolderCue(sheetPath, readCueSheet(sheetPath)) {}

FolderCue::FolderCue(const std::wstring& sheetPath, std::vector<CueTrack> tracks)
    : path_(sheetPath), tracks_(std::move(tracks)) {}

bool FolderCue::nextItem(const std::vector<std::wstring>&, FolderItem& out, const bool&) {
    if (cursor_ >= tracks_.size()) return false;
    out.name = tracks_[cursor_].title;
    out.type = L"cue";
    out.size = FolderItem::kNoSize;
    out.modified = FILETIME{};
    ++cursor_;
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
    const auto track = std::find_if(tracks_.begin(), tracks_.end(),
                                    [&](const CueTrack& t) { return t.title == itemName; });
    if (track == tracks_.end()) return nullptr;
    const FileSourceRenderer audio(literalPath(track->filePath));
    auto player = std::make_shared<PlayerOfCue>(audio, path_, itemName, track->start, track->stop, notifyWindow,
                                                graphEventMessage, completionMessage);
    player->setFollowers(followersOf(track));
    return player;
}

std::vector<CueSpan> FolderCue::followersOf(std::vector<CueTrack>::const_iterator track) const {
    // Only the same file goes on without a break; a sheet's next FILE starts another.
    std::vector<CueSpan> followers;
    for (auto next = track + 1; next != tracks_.end() && next->filePath == track->filePath; ++next)
        followers.push_back(CueSpan{next->title, next->start, next->stop});
    return followers;
}

}  // namespace melodrift
