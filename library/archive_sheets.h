#pragma once

#include "archive/archive.h"
#include "library/cue_sheet.h"

#include <string>
#include <vector>

namespace melodrift {

// A CUE sheet inside an archive, with the tracks whose file the archive holds.
struct ArchiveSheet {
    std::wstring name;             // the sheet's inner path
    std::vector<CueTrack> tracks;  // filePath: the inner path of the entry to play, as the archive lists it
};

// The archive's sheets that name at least one of its entries, in the order of their entries.
// Each is read as a sheet on disk is (encodings, size limit, parsing); its FILE names are
// inner paths from the sheet's own folder, in any case of letters, and a name the archive
// lacks finds the entry beside it with another playable extension. Only the sheets are
// decompressed, never the entries they name; a sheet that fails to decompress is left out.
std::vector<ArchiveSheet> readArchiveSheets(const Archive& archive, const std::vector<std::wstring>& playable);

}  // namespace melodrift
