#pragma once

#include "base/unique_handle.h"
#include "base/com_object.h"
#include "archive/sevenzip_interfaces.h"

#include <cstdint>
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

// Appends what the engine writes to a byte vector that the caller owns.
class CMemSequentialOutStream : public ComObject<ISequentialOutStream> {
public:
    explicit CMemSequentialOutStream(std::vector<uint8_t>* target) : target_(target) {}

    HRESULT STDMETHODCALLTYPE Write(const void* data, UINT32 size, UINT32* processedSize) override;

private:
    std::vector<uint8_t>* target_;
};

// Extracts one entry into a byte vector that the caller owns. The engine's verdict on
// the entry is not looked at: what it decoded is played.
class CMemArchiveExtractCallback : public ComObject<IArchiveExtractCallback, IProgress> {
public:
    explicit CMemArchiveExtractCallback(std::vector<uint8_t>* target) : target_(target) {}

    HRESULT STDMETHODCALLTYPE SetTotal(UINT64 total) override;
    HRESULT STDMETHODCALLTYPE SetCompleted(const UINT64* completeValue) override;
    HRESULT STDMETHODCALLTYPE GetStream(UINT32 index, ISequentialOutStream** outStream,
                                        INT32 askExtractMode) override;
    HRESULT STDMETHODCALLTYPE PrepareOperation(INT32 askExtractMode) override;
    HRESULT STDMETHODCALLTYPE SetOperationResult(INT32 operationResult) override;

private:
    std::vector<uint8_t>* target_;
};

}  // namespace melodrift
