#include "library/folder_zip.h"

#include "base/paths.h"
#include "playback/player.h"
#include "playback/source_renderer.h"

#include <shlwapi.h>

namespace melodrift {

FolderZip::FolderZip(const std::wstring& path)
    : path_(path), archive_(std::make_shared<Archive>(literalPath(path))), cursor_(archive_->items().begin()) {}

bool FolderZip::nextItem(const std::vector<std::wstring>& patterns, FolderItem& out, const bool&) {
    const auto end = archive_->items().end();
    while (cursor_ != end) {
        const auto entry = cursor_++;
        const std::wstring& key = entry->first;
        if (!matchesAnyPattern(key.c_str(), patterns)) continue;
        out.name = key;
        const wchar_t* extension = PathFindExtensionW(key.c_str());
        out.type = *extension == L'.' ? extension + 1 : extension;
        out.size = archive_->itemSize(entry->second);
        out.modified = archive_->itemModified(entry->second);
        return true;
    }
    return false;
}

void FolderZip::rewind() { cursor_ = archive_->items().begin(); }

const std::wstring& FolderZip::path() const { return path_; }

std::shared_ptr<Player> FolderZip::createPlayer(const std::wstring& itemName, HWND notifyWindow,
                                                UINT graphEventMessage, UINT completionMessage) {
    const ZipSourceRenderer renderer(archive_, itemName);
    return std::make_shared<Player>(renderer, path_, itemName, notifyWindow, graphEventMessage, completionMessage);
}

}  // namespace melodrift
