#pragma once

#include "base/com_ptr.h"
#include "archive/sevenzip_interfaces.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace melodrift {

struct ExtractedEntry;

// One archive file opened by the engine, with its file entries by inner path.
// An archive that no format opens is empty: no handler, no items. Nothing is ever
// written to disk; the file stays open, shared for reading, while the object lives.
class Archive {
public:
    explicit Archive(const std::wstring& path);
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    bool isOpen() const { return static_cast<bool>(handler_); }
    // Inner path (the engine's separators) -> entry index, ordered by code units.
    // Directories are left out; of entries with the same path the first stays.
    const std::map<std::wstring, UINT32>& items() const { return items_; }

    uint64_t itemSize(UINT32 index) const;
    // Zero when the entry has no time.
    FILETIME itemModified(UINT32 index) const;
    // The entry's decompressed bytes; empty when it is missing or fails to decompress.
    std::vector<uint8_t> extract(const std::wstring& name) const;
    // Small entries at once (a solid block is decoded once for all): entry index -> its bytes,
    // for each of indices that decoded without error to fewer than maxBytes bytes.
    std::map<UINT32, std::vector<uint8_t>> extractWhole(const std::vector<UINT32>& indices, uint64_t maxBytes) const;

private:
    HRESULT extractInto(std::map<UINT32, ExtractedEntry>& targets, size_t limit = SIZE_MAX) const;
    bool openAs(UINT32 formatIndex, IInStream* stream, IArchiveOpenCallback* callback);
    void readItems();

    ComPtr<IInArchive> handler_;
    std::map<std::wstring, UINT32> items_;
};

}  // namespace melodrift
