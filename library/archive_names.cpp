#include "library/archive_names.h"

namespace melodrift {

// Archives are not opened yet: no name is an archive's.
bool isArchiveName(const std::wstring&) {
    return false;
}

}  // namespace melodrift
