#pragma once

#include "library/cue_sheet.h"
#include "library/folder.h"
#include "playback/player_of_cue.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace melodrift {

// A track as the file list shows it: named by its title, of type "cue", without size or time.
void fillTrackItem(const CueTrack& track, FolderItem& out);
// The first track of that title exactly; null when none has it.
const CueTrack* trackTitled(const std::vector<CueTrack>& tracks, const std::wstring& title);
// A player for track, one of tracks, over its file's audio: it may play on into the tracks
// after it in the same file.
std::shared_ptr<Player> createTrackPlayer(const std::vector<CueTrack>& tracks, const CueTrack& track,
    const SourceRenderer& audio, const std::wstring& folderPath, HWND notifyWindow, UINT graphEventMessage,
    UINT completionMessage);

// A CUE sheet as a folder: its tracks are the items, named by their titles.
class FolderCue : public Folder {
public:
    // Reads the sheet now; a sheet that cannot be read gives a folder without items. A file
    // the sheet names that is not there is looked for under the playable extensions.
    FolderCue(const std::wstring& sheetPath, const std::vector<std::wstring>& playable);

    // Every track in sheet order; patterns and keepGoing do not apply to a sheet.
    bool nextItem(const std::vector<std::wstring>& patterns, FolderItem& out, const bool& keepGoing) override;
    void rewind() override;
    const std::wstring& path() const override;
    // A player for the first track titled itemName exactly; empty when none is.
    std::shared_ptr<Player> createPlayer(
        const std::wstring& itemName, HWND notifyWindow, UINT graphEventMessage, UINT completionMessage) override;

private:
    std::wstring path_;
    std::vector<CueTrack> tracks_;
    size_t cursor_ = 0;
};

}  // namespace melodrift
