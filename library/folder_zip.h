#pragma once

#include "archive/archive.h"
#include "library/folder.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace melodrift {

// An archive file as one flat folder: every file entry, at any depth, is an item named
// by its full inner path. Inner archives and sheets are plain entries, never opened.
class FolderZip : public Folder {
public:
    // Opens the archive; one that cannot be opened gives a folder without items.
    explicit FolderZip(const std::wstring& path);

    // Entries in code-unit order of their inner paths; keepGoing is not needed, as
    // nothing here pumps messages.
    bool nextItem(const std::vector<std::wstring>& patterns, FolderItem& out, const bool& keepGoing) override;
    void rewind() override;
    const std::wstring& path() const override;
    // A player for the entry; one that the archive lacks cannot play.
    std::shared_ptr<Player> createPlayer(const std::wstring& itemName, HWND notifyWindow, UINT graphEventMessage,
                                         UINT completionMessage) override;

private:
    std::wstring path_;
    std::shared_ptr<Archive> archive_;
    std::map<std::wstring, UINT32>::const_iterator cursor_;
};

}  // namespace melodrift
