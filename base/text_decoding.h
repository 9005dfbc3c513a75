#pragma once

#include <cstddef>
#include <string>

namespace melodrift {

// UTF-16 units from bytes, starting at offset; an odd last byte is dropped.
std::wstring fromUtf16(const std::string& bytes, size_t offset, bool bigEndian);

// Text an editor wrote in 8 bits: UTF-8 after its mark; without one, UTF-8 when it decodes
// as such, else the ANSI code page.
std::wstring decodeEightBitText(const char* bytes, size_t count);

}  // namespace melodrift
