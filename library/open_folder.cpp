#include "base/paths.h"
#include "archive/archive_names.h"
#include "library/folder.h"
#include "library/folder_cue.h"
#include "library/folder_dir.h"
#include "library/folder_zip.h"

#include <shlwapi.h>

namespace melodrift {

FolderKind folderKind(const std::wstring& path, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FolderKind::Directory;
    if (isArchiveName(path)) return FolderKind::Archive;
    if (PathMatchSpecW(path.c_str(), L"*.cue")) return FolderKind::CueSheet;
    return FolderKind::None;
}

std::shared_ptr<Folder> openFolder(
    const std::wstring& path, MessageDrain drain, const std::vector<std::wstring>& playable) {
    // A path that cannot be examined becomes a directory that lists nothing.
    switch (folderKind(path, GetFileAttributesW(literalPath(path).c_str()))) {
    case FolderKind::Directory: return std::make_shared<FolderDir>(path, drain);
    case FolderKind::Archive: return std::make_shared<FolderZip>(path, playable);
    case FolderKind::CueSheet: return std::make_shared<FolderCue>(path, playable);
    case FolderKind::None: break;
    }
    return nullptr;
}

}  // namespace melodrift
