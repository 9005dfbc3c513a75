#pragma once

// DirectShow's interface headers, completed with the interface ids that MinGW's
// control.h does not attach to its declarations, so that __uuidof works for all of them.
#include <windows.h>
#include <control.h>
#include <strmif.h>

__CRT_UUID_DECL(IBasicAudio, 0x56a868b3, 0x0ad4, 0x11ce, 0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70)
__CRT_UUID_DECL(IMediaEventEx, 0x56a868c0, 0x0ad4, 0x11ce, 0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70)
