#pragma once

#include "archive/archive.h"
#include "library/cue_sheet.h"
#include "library/folder.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace melodrift {

// An archive file as one flat folder: every file entry, at any depth, is an item named
// by its full inner path, except that a CUE sheet in it lists its tracks, as a sheet on disk
// does, in place of itself and of the entries it names. Inner archives are plain entries.
class FolderZip : public Folder {
public:
    // Opens the archive and reads its sheets; playable finds a file a sheet names under
    // another extension. An archive that cannot be opened gives a folder without items.
    FolderZip(const std::wstring& path, const std::vector<std::wstring>& playable = {});

    // Entries in code-unit order of their inner paths, a sheet's tracks in the sheet's order
    // where the sheet lies; keepGoing is not needed, as nothing here pumps messages. Patterns
    // choose entries, not tracks.
    bool nextItem(const std::vector<std::wstring>& patterns, FolderItem& out, const bool& keepGoing) override;
    void rewind() override;
    const std::wstring& path() const override;
    // A player for the track of that title, or else for the entry of that name; one that the
    // archive lacks cannot play.
    std::shared_ptr<Player> createPlayer(
        const std::wstring& itemName, HWND notifyWindow, UINT graphEventMessage, UINT completionMessage) override;

private:
    static constexpr size_t kNoTrack = ~size_t(0);

    // One item: an entry of its own, or a track of a sheet.
    struct Row {
        std::map<std::wstring, UINT32>::const_iterator entry;  // the entry, or the track's sheet
        size_t track = kNoTrack;                               // index in tracks_
    };

    void listItems(const std::vector<std::wstring>& playable);
    std::shared_ptr<const std::vector<uint8_t>> image(const std::wstring& entryName);

    std::wstring path_;
    std::shared_ptr<Archive> archive_;
    std::vector<CueTrack> tracks_;  // filePath: the inner path of the entry the track plays from
    std::vector<Row> rows_;
    size_t cursor_ = 0;
    // The last image a track was played from, shared with its players: the next track of the
    // same image plays from these bytes without a second extraction.
    std::wstring imageName_;
    std::shared_ptr<const std::vector<uint8_t>> image_;
};

}  // namespace melodrift
