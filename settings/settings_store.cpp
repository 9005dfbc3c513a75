#include "settings/settings_store.h"

#include "base/text_decoding.h"
#include "base/unique_handle.h"
#include "base/whole_file.h"

#include <windows.h>
#include <shlwapi.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace melodrift {

namespace {

// Files this large are not settings files: they are not read, and a save replaces them.
constexpr LONGLONG kMaxFileBytes = 100000000;

bool writeAll(HANDLE file, const void* data, DWORD bytes) {
    DWORD written = 0;
    return WriteFile(file, data, bytes, &written, nullptr) && written == bytes;
}

// Missing, or too large to be a settings file: nothing there is lost by a save. Anything
// else (held open by another program, unreadable) may hold the user's settings.
bool absentOrTooLarge(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    const uint64_t size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && size >= uint64_t(kMaxFileBytes);
}

// The file's text as UTF-16. An entry in UTF-16 needs the high zero byte of its "=", so a
// file without any zero byte holds none: it is 8-bit text an editor wrote, read as that
// instead of being lost.
std::wstring decodeSettingsText(const std::string& bytes) {
    if (bytes.compare(0, 2, "\xFE\xFF", 2) == 0) return fromUtf16(bytes, 2, true);
    if (bytes.compare(0, 2, "\xFF\xFE", 2) != 0 && bytes.find('\0') == std::string::npos)
        return decodeEightBitText(bytes.data(), bytes.size());
    return fromUtf16(bytes, 0, false);
}

}  // namespace

bool CodeUnitLess::operator()(const std::wstring& a, const std::wstring& b) const {
    const size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i) {
        const auto ua = static_cast<unsigned short>(a[i]);
        const auto ub = static_cast<unsigned short>(b[i]);
        if (ua != ub) return ua < ub;
    }
    return a.size() < b.size();
}

void SettingsStore::load(const std::wstring& path) {
    map_.clear();
    fileName_ = path;
    dirty_ = false;
    unread_ = false;

    // A file that cannot be read whole loads as an empty store, as a missing one does; it
    // is not written over, unless it is too large to be a settings file.
    const std::optional<std::string> bytes = readWholeFile(path, kMaxFileBytes);
    if (!bytes) {
        unread_ = !absentOrTooLarge(path);
        return;
    }
    const std::wstring text = decodeSettingsText(*bytes);
    parse(text.data(), text.size());
}

void SettingsStore::parse(const wchar_t* text, size_t length) {
    size_t pos = 0;
    if (length > 0 && text[0] == 0xFEFF) pos = 1;

    while (pos < length) {
        size_t end = pos;
        while (end < length && text[end] != L'\r' && text[end] != L'\n') ++end;

        for (size_t eq = pos; eq < end; ++eq) {
            if (text[eq] == L'=') {
                map_[std::wstring(text + pos, eq - pos)].assign(text + eq + 1, end - eq - 1);
                break;
            }
        }
        pos = end + 1;
    }
}

bool SettingsStore::save() {
    if (!dirty_) return true;
    if (unread_) return false;

    // A file that load would refuse is never written: the old one, still readable, stays.
    uint64_t units = 1;  // the byte-order mark
    for (const auto& [key, value] : map_) units += key.size() + value.size() + 3;
    if (units * sizeof(wchar_t) >= static_cast<uint64_t>(kMaxFileBytes)) return false;

    std::wstring content(1, wchar_t(0xFEFF));
    content.reserve(static_cast<size_t>(units));
    for (const auto& [key, value] : map_) {
        content += key;
        content += L'=';
        // A line break in a value (a name from an archive, say) would start an entry of its
        // own on the next load: the value is kept up to it.
        content.append(value, 0, value.find_first_of(L"\r\n"));
        content += L"\r\n";
    }

    // Write a sibling file and swap it in only when complete, so that a full disk or
    // a failing write never leaves a truncated settings file behind.
    const std::wstring temporary = fileName_ + L".saving";
    FileHandle file(
        CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    bool complete = writeAll(file.get(), content.data(), static_cast<DWORD>(content.size() * sizeof(wchar_t))) &&
                    FlushFileBuffers(file.get());
    complete = CloseHandle(file.release()) && complete;  // closed before any delete: it is not shared
    if (!complete) {
        DeleteFileW(temporary.c_str());
        return false;
    }
    if (!MoveFileExW(temporary.c_str(), fileName_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temporary.c_str());
        return false;
    }
    dirty_ = false;  // the file holds every entry now
    return true;
}

const std::wstring& SettingsStore::getString(const std::wstring& key, const wchar_t* defaultText) {
    auto found = map_.find(key);
    if (found != map_.end()) return found->second;
    dirty_ = true;
    return map_.emplace(key, defaultText ? defaultText : L"").first->second;
}

int SettingsStore::getInt(const std::wstring& key, int defaultValue) {
    auto found = map_.find(key);
    if (found != map_.end()) return StrToIntW(found->second.c_str());
    setInt(key, defaultValue);
    return defaultValue;
}

void SettingsStore::setInt(const std::wstring& key, int value) {
    wchar_t text[64];
    wnsprintfW(text, 64, L"%d", value);
    map_[key] = text;
    dirty_ = true;
}

std::wstring& SettingsStore::entry(const std::wstring& key) {
    dirty_ = true;
    return map_[key];
}

}  // namespace melodrift
