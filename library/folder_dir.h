#pragma once

#include "base/unique_handle.h"
#include "library/folder.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace melodrift {

// A file-system directory as a folder: its matching files, straight from the directory
// search, in the order the file system gives them. Sub-directories are never items;
// hidden and system files are.
class FolderDir : public Folder {
public:
    explicit FolderDir(const std::wstring& path, MessageDrain drain = nullptr);

    // Runs drain (the window's paced pump, which drains only when one is due) at the
    // start and after every skipped entry, so a large directory keeps the window alive;
    // stops as soon as keepGoing reads false.
    bool nextItem(const std::vector<std::wstring>& patterns, FolderItem& out, const bool& keepGoing) override;
    // Closes the search: the next nextItem starts again at the first file.
    void rewind() override;
    const std::wstring& path() const override;
    // Always a player, also for a missing file (that player cannot play).
    std::shared_ptr<Player> createPlayer(
        const std::wstring& itemName, HWND notifyWindow, UINT graphEventMessage, UINT completionMessage) override;

private:
    bool readNextEntry(WIN32_FIND_DATAW& entry);
    void drain() const;

    std::wstring path_;
    MessageDrain drain_;
    FindHandle search_;  // none until the first read; stays open once exhausted
};

}  // namespace melodrift
