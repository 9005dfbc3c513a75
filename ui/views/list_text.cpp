#include "ui/views/list_text.h"

#include <cwchar>

namespace melodrift {

std::wstring formatSize(uint64_t size) {
    if (size >> 32) return L">4GB";
    uint32_t rest = static_cast<uint32_t>(size);
    std::wstring text;
    wchar_t group[8];
    // Groups below the highest keep their leading zeros.
    while (rest >= 1000) {
        std::swprintf(group, 8, L",%03u", static_cast<unsigned>(rest % 1000));
        text.insert(0, group);
        rest /= 1000;
    }
    std::swprintf(group, 8, L"%u", static_cast<unsigned>(rest));
    return text.insert(0, group);
}

std::wstring formatLocalTime(const FILETIME& utc) {
    if (utc.dwLowDateTime == 0 && utc.dwHighDateTime == 0) return {};
    FILETIME local;
    SYSTEMTIME t;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &t)) return {};
    wchar_t text[64];
    std::swprintf(text, 64, L"%04u/%02u/%02u %02u:%02u:%02u", unsigned(t.wYear), unsigned(t.wMonth), unsigned(t.wDay),
        unsigned(t.wHour), unsigned(t.wMinute), unsigned(t.wSecond));
    return text;
}

}  // namespace melodrift
