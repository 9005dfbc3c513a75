#pragma once

#include "base/unique_handle.h"
#include "base/com_object.h"
#include "archive/sevenzip_interfaces.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace melodrift {

// The archive file as the engine reads it: seekable, opened for reading and shared
// with other readers only.
class FileInStream : public ComObject<IInStream, ISequentialInStream> {
public:
    explicit FileInStream(const std::wstring& path);
    bool isOpen() const { return static_cast<bool>(file_); }

    HRESULT STDMETHODCALLTYPE Read(void* data, UINT32 size, UINT32* processedSize) override;
    HRESULT STDMETHODCALLTYPE Seek(INT64 offset, UINT32 seekOrigin, UINT64* newPosition) override;

private:
    FileHandle file_;
};

// Opening asks for no password and no further volumes.
class CArchiveOpenCallback : public ComObject<IArchiveOpenCallback> {
public:
    HRESULT STDMETHODCALLTYPE SetTotal(const UINT64* files, const UINT64* bytes) override;
    HRESULT STDMETHODCALLTYPE SetCompleted(const UINT64* files, const UINT64* bytes) override;
};

// Appends what the engine writes to a byte vector that the caller owns. Past limit bytes
// nothing more is kept and *overflowed is set, while the engine goes on as if all were.
class CMemSequentialOutStream : public ComObject<ISequentialOutStream> {
public:
    explicit CMemSequentialOutStream(std::vector<uint8_t>* target, size_t limit = SIZE_MAX, bool* overflowed = nullptr)
        : target_(target), limit_(limit), overflowed_(overflowed) {}

    HRESULT STDMETHODCALLTYPE Write(const void* data, UINT32 size, UINT32* processedSize) override;

private:
    std::vector<uint8_t>* target_;
    size_t limit_;
    bool* overflowed_;
};

// One entry that CMemArchiveExtractCallback extracts: whole when the engine decoded all of it
// without error and it stayed within the limit.
struct ExtractedEntry {
    std::vector<uint8_t> bytes;
    bool overflowed = false;
    bool whole = false;
};

// Extracts entries, each into its own ExtractedEntry that the caller owns, several at once
// so that a solid block is decoded once for all of them. The engine's verdict on each entry
// is noted, for the caller to heed or not.
class CMemArchiveExtractCallback : public ComObject<IArchiveExtractCallback, IProgress> {
public:
    // targets: entry index -> where its bytes go; limit: the most bytes one entry may have.
    explicit CMemArchiveExtractCallback(std::map<UINT32, ExtractedEntry>* targets, size_t limit = SIZE_MAX)
        : targets_(targets), limit_(limit) {}

    HRESULT STDMETHODCALLTYPE SetTotal(UINT64 total) override;
    HRESULT STDMETHODCALLTYPE SetCompleted(const UINT64* completeValue) override;
    HRESULT STDMETHODCALLTYPE GetStream(UINT32 index, ISequentialOutStream** outStream, INT32 askExtractMode) override;
    HRESULT STDMETHODCALLTYPE PrepareOperation(INT32 askExtractMode) override;
    HRESULT STDMETHODCALLTYPE SetOperationResult(INT32 operationResult) override;

private:
    std::map<UINT32, ExtractedEntry>* targets_;
    size_t limit_;
    ExtractedEntry* current_ = nullptr;  // the entry the engine is writing
};

}  // namespace melodrift
