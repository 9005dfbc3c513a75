#include "archive/archive_names.h"
#include "library/folder.h"
#include "library/folder_cue.h"
#include "library/folder_dir.h"
#include "library/folder_zip.h"

#include <shlwapi.h>

namespace melodrift {

std::shared_ptr<Folder> openFolder(const std::wstring& path, MessageDrain drain) {
    // A path that cannot be examined reports all bits, the directory bit too: it
    // becomes a directory that lists nothing.
    if (GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY) return std::make_shared<FolderDir>(path, drain);
    if (isArchiveName(path)) return std::make_shared<FolderZip>(path);
    if (PathMatchSpecW(path.c_str(), L"*.cue")) return std::make_shared<FolderCue>(path);
    return nullptr;
}

}  // namespace melodrift
