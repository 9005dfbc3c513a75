#include "archive/archive.h"

#include "archive/archive_engine.h"
#include "archive/archive_streams.h"
#include "base/paths.h"
#include "archive/prop_variant.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace melodrift {

Archive::Archive(const std::wstring& path) {
    if (!ensureEngineLoaded()) return;
    auto stream = ComPtr<FileInStream>::attach(new (std::nothrow) FileInStream(path));
    auto callback = ComPtr<CArchiveOpenCallback>::attach(new (std::nothrow) CArchiveOpenCallback());
    if (!stream || !callback || !stream->isOpen()) return;

    // Every format whose patterns match the file name is tried in table order: a .zip may be a 7z.
    const std::wstring name = pathFileName(path);
    const std::vector<ArchiveFormat>& formats = formatTable();
    for (UINT32 i = 0; i < formats.size(); ++i) {
        if (!matchesAnyPattern(name.c_str(), formats[i].patterns)) continue;
        if (openAs(i, stream.get(), callback.get())) {
            readItems();
            return;
        }
    }
}

bool Archive::openAs(UINT32 formatIndex, IInStream* stream, IArchiveOpenCallback* callback) {
    PropVariant classId;
    if (FAILED(engineHandlerProperty(formatIndex, kHandlerClassId, classId.out()))) return false;
    // The id comes as the 16 bytes of a BSTR; anything shorter is no id.
    if (!classId.isString() || SysStringByteLen(classId.get().bstrVal) < sizeof(GUID)) return false;
    GUID id;
    std::memcpy(&id, classId.get().bstrVal, sizeof id);

    ComPtr<IInArchive> handler;
    if (FAILED(createEngineObject(id, __uuidof(IInArchive), handler.putVoid())) || !handler) return false;
    // A failed rewind shows as a failed Open just below.
    (void)stream->Seek(0, FILE_BEGIN, nullptr);
    // No limit on where the archive may start inside the file.
    if (handler->Open(stream, nullptr, callback) != S_OK) return false;
    handler_ = handler;
    return true;
}

void Archive::readItems() {
    UINT32 count = 0;
    if (FAILED(handler_->GetNumberOfItems(&count))) return;  // an archive that cannot count lists nothing
    for (UINT32 index = 0; index < count; ++index) {
        PropVariant isDir;
        if (FAILED(handler_->GetProperty(index, kpidIsDir, isDir.out()))) continue;
        if (isDir.get().vt == VT_BOOL && isDir.get().boolVal != VARIANT_FALSE) continue;

        PropVariant path;
        std::wstring key = L"<名前なし 1>";
        if (SUCCEEDED(handler_->GetProperty(index, kpidPath, path.out())) && path.isString()) key = path.string();
        // No file name holds control characters; in an entry's they would break the list's
        // rows and the settings line that remembers the entry.
        std::replace_if(
            key.begin(), key.end(), [](wchar_t c) { return c < L' '; }, L'\xFFFD');
        items_.emplace(std::move(key), index);  // a path already present keeps its first entry
    }
}

uint64_t Archive::itemSize(UINT32 index) const {
    PropVariant size;
    if (!handler_ || FAILED(handler_->GetProperty(index, kpidSize, size.out()))) return 0;
    return propVariantToUInt64(size.get());
}

FILETIME Archive::itemModified(UINT32 index) const {
    PropVariant time;
    if (!handler_ || FAILED(handler_->GetProperty(index, kpidMTime, time.out()))) return FILETIME{};
    // Only a real time: the value bytes of other types are no time at all.
    if (time.get().vt != VT_FILETIME) return FILETIME{};
    return time.get().filetime;
}

std::vector<uint8_t> Archive::extract(const std::wstring& name) const {
    const auto found = items_.find(name);
    if (found == items_.end()) return std::vector<uint8_t>();
    const UINT32 index = found->second;
    std::map<UINT32, ExtractedEntry> targets;
    std::vector<uint8_t>& bytes = targets[index].bytes;
    // Room for the size the engine announces, so that the engine's writes land in place
    // instead of the vector growing and copying itself. The announcement is only a
    // hint and may be wrong: a longer entry makes the vector grow, without room for
    // it too; the room a shorter one leaves is given back below.
    const uint64_t announced = itemSize(index);
    if (announced <= bytes.max_size()) {
        try {
            bytes.reserve(size_t(announced));
        } catch (...) {
        }
    }
    // The engine's verdict on the entry is not heeded: what it decoded is played. Partial
    // output of a failed extraction is dropped.
    if (extractInto(targets) != S_OK) return std::vector<uint8_t>();
    if (bytes.capacity() - bytes.size() > bytes.size() / 16) {
        try {
            bytes.shrink_to_fit();
        } catch (...) {
        }
    }
    return std::move(bytes);
}

std::map<UINT32, std::vector<uint8_t>> Archive::extractWhole(
    const std::vector<UINT32>& indices, uint64_t maxBytes) const {
    std::map<UINT32, ExtractedEntry> targets;
    for (const UINT32 index : indices)
        if (itemSize(index) < maxBytes) targets[index];
    const size_t limit = maxBytes - 1 < SIZE_MAX ? size_t(maxBytes - 1) : SIZE_MAX;
    // Each entry's own verdict counts, whatever the call as a whole reports.
    (void)extractInto(targets, limit);
    std::map<UINT32, std::vector<uint8_t>> whole;
    for (auto& [index, entry] : targets)
        if (entry.whole) whole.emplace(index, std::move(entry.bytes));
    return whole;
}

HRESULT Archive::extractInto(std::map<UINT32, ExtractedEntry>& targets, size_t limit) const {
    if (!handler_ || targets.empty()) return S_FALSE;
    auto callback =
        ComPtr<CMemArchiveExtractCallback>::attach(new (std::nothrow) CMemArchiveExtractCallback(&targets, limit));
    if (!callback) return E_OUTOFMEMORY;
    // The engine wants the indices in ascending order, as the map keeps them.
    std::vector<UINT32> indices;
    for (const auto& target : targets) indices.push_back(target.first);
    return handler_->Extract(indices.data(), UINT32(indices.size()), 0, callback.get());
}

}  // namespace melodrift
