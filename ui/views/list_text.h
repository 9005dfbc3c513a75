#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace melodrift {

// Bytes with thousands separators ("1,234,567"); ">4GB" from 4 GiB up.
std::wstring formatSize(uint64_t size);

// The time in the local time zone as "yyyy/mm/dd hh:mm:ss"; empty for a zero time
// or one that does not convert.
std::wstring formatLocalTime(const FILETIME& utc);

}  // namespace melodrift
