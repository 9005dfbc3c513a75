#pragma once

#include "playback/dshow_interfaces.h"

namespace melodrift {

// AM_MEDIA_TYPE ownership rules shared by the in-memory pin and its enumerator: the
// format block lives in task memory and pUnk holds a reference.

// Copies source into target (whose old contents are not freed). On a failed format
// allocation target is zeroed and E_OUTOFMEMORY returned.
HRESULT copyMediaType(AM_MEDIA_TYPE& target, const AM_MEDIA_TYPE& source);

// Frees the format block and releases pUnk, leaving the structure itself.
void clearMediaType(AM_MEDIA_TYPE& type);

// A task-memory copy of source; null when either allocation fails.
AM_MEDIA_TYPE* createMediaTypeCopy(const AM_MEDIA_TYPE& source);

// Clears and frees a type made by createMediaTypeCopy (or handed out by an enumerator).
void deleteMediaType(AM_MEDIA_TYPE* type);

}  // namespace melodrift
