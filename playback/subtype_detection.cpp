#include "playback/subtype_detection.h"

#include "base/unique_handle.h"
#include "playback/check_string.h"

#include <uuids.h>

#include <string>
#include <vector>

namespace melodrift {
namespace {

// The key opened for reading; none when it cannot be opened.
RegistryKey openKey(HKEY parent, const wchar_t* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(parent, name, 0, KEY_READ, &key) != ERROR_SUCCESS) return RegistryKey();
    return RegistryKey(key);
}

bool anyCheckStringMatches(HKEY subtypeKey, const uint8_t* data, uint32_t size) {
    DWORD valueCount = 0, longestName = 0, longestData = 0;
    if (RegQueryInfoKeyW(subtypeKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &valueCount, &longestName,
            &longestData, nullptr, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    std::vector<wchar_t> name(longestName + 1);
    // One unit more than the data needs, so that a string stored without its
    // terminator still ends.
    std::vector<wchar_t> text((longestData + 1) / 2 + 1);
    for (DWORD index = 0; index < valueCount; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD type = 0;
        DWORD dataBytes = static_cast<DWORD>((text.size() - 1) * sizeof(wchar_t));
        if (RegEnumValueW(subtypeKey, index, name.data(), &nameLength, nullptr, &type,
                reinterpret_cast<BYTE*>(text.data()), &dataBytes) != ERROR_SUCCESS) {
            continue;
        }
        if (type != REG_SZ || lstrcmpiW(name.data(), L"Source Filter") == 0) continue;
        text[dataBytes / sizeof(wchar_t)] = L'\0';
        if (checkStringMatches(text.data(), data, size)) return true;
    }
    return false;
}

}  // namespace

bool findStreamSubtype(const uint8_t* data, uint32_t size, AM_MEDIA_TYPE& type) {
    wchar_t path[256] = L"Media Type\\";
    const size_t prefix = lstrlenW(path);
    if (StringFromGUID2(MEDIATYPE_Stream, path + prefix, static_cast<int>(256 - prefix)) == 0) return false;
    const RegistryKey streamKey = openKey(HKEY_CLASSES_ROOT, path);
    if (!streamKey) return false;

    for (DWORD index = 0;; ++index) {
        DWORD length = 255;
        if (RegEnumKeyExW(streamKey.get(), index, path, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            return false;
        }
        const RegistryKey subtypeKey = openKey(streamKey.get(), path);
        if (!subtypeKey) continue;
        GUID subtype;
        if (FAILED(CLSIDFromString(path, &subtype))) continue;
        if (anyCheckStringMatches(subtypeKey.get(), data, size)) {
            type.subtype = subtype;
            return true;
        }
    }
}

}  // namespace melodrift
