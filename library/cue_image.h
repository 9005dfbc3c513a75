#pragma once

#include "library/cue_sheet.h"

#include <string>
#include <vector>

namespace melodrift {

// Rips are often compressed after their sheet was written: the sheet names "album.wav" and
// the folder holds "album.flac". Of the names beside the missing file, the one with its base
// name and another extension that a playable pattern matches, the patterns tried in order;
// empty when none fits.
std::wstring substituteImageName(const std::wstring& missingName, const std::vector<std::wstring>& siblings,
    const std::vector<std::wstring>& playable);

// Each track's file as it is on disk: where the named file does not exist, the file beside
// it that substituteImageName chooses; where none does either, the name as the sheet gave it.
void findImagesOnDisk(std::vector<CueTrack>& tracks, const std::vector<std::wstring>& playable);

}  // namespace melodrift
