#pragma once

#include "playback/dshow_interfaces.h"

#include <cstdint>

namespace melodrift {

// Finds the byte stream's subtype in the registry's check-bytes table (the one DirectShow
// uses to choose a source filter for a file): the first subtype key, in enumeration
// order, with a check string that holds for the data. On a match writes the subtype
// into type.subtype and returns true; otherwise leaves type alone.
bool findStreamSubtype(const uint8_t* data, uint32_t size, AM_MEDIA_TYPE& type);

}  // namespace melodrift
