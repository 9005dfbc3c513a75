#pragma once

#include "decoding/encoded_input.h"

namespace melodrift {

// Whether the input begins as a format the program decodes itself: FLAC, Ogg, MP4/M4A,
// ADTS AAC, WavPack, Monkey's Audio or TAK, after an ID3v2 tag if there is one. WAV, MP3
// and WMA are left to the platform. Reads the first bytes and moves the input back to 0.
bool isOwnDecodedFormat(EncodedInput& input);

}  // namespace melodrift
