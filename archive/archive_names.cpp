#include "archive/archive_names.h"

#include "archive/archive_engine.h"
#include "base/paths.h"

namespace melodrift {

bool isArchiveName(const std::wstring& path) {
    // Without an engine the table is empty and no name is an archive's.
    ensureEngineLoaded();
    const std::wstring name = pathFileName(path);
    for (const ArchiveFormat& format : formatTable()) {
        if (matchesAnyPattern(name.c_str(), format.patterns)) return true;
    }
    return false;
}

}  // namespace melodrift
