#pragma once

#include <map>
#include <string>

namespace melodrift {

// Orders keys unit by unit as unsigned 16-bit numbers, independent of any locale.
struct CodeUnitLess {
    bool operator()(const std::wstring& a, const std::wstring& b) const;
};

// A small key=value text file (UTF-16LE) held in memory as a sorted map.
// Reads of missing keys insert their defaults; save() rewrites the file only
// when something changed since load() or the last save, and never one that load()
// could not read.
class SettingsStore {
public:
    void load(const std::wstring& path);
    bool save();

    // The returned references stay valid until the next load(): entries are never erased.
    const std::wstring& getString(const std::wstring& key, const wchar_t* defaultText);
    int getInt(const std::wstring& key, int defaultValue);
    void setInt(const std::wstring& key, int value);
    // The value to change in place; the store counts as changed. Reads go through
    // getString or entries().
    std::wstring& entry(const std::wstring& key);

    void markDirty() { dirty_ = true; }
    bool dirty() const { return dirty_; }
    const std::wstring& fileName() const { return fileName_; }
    const std::map<std::wstring, std::wstring, CodeUnitLess>& entries() const { return map_; }

private:
    void parse(const wchar_t* text, size_t length);

    std::map<std::wstring, std::wstring, CodeUnitLess> map_;
    std::wstring fileName_;
    bool dirty_ = false;
    bool unread_ = false;  // the file was there but could not be read: save leaves it alone
};

}  // namespace melodrift
