#pragma once

#include <cstdint>

namespace melodrift {

// Whether a check string of the registry's check-bytes table holds for the data: a
// comma-separated run of "offset,cb,mask,val" quadruples that must all hold. A negative
// offset counts from the end; an empty mask compares every bit. An empty string holds.
bool checkStringMatches(const wchar_t* checkString, const uint8_t* data, uint32_t size);

}  // namespace melodrift
