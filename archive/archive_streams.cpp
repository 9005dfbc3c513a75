#include "archive/archive_streams.h"

#include <new>

namespace melodrift {

FileInStream::FileInStream(const std::wstring& path)
    : file_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)) {}

HRESULT FileInStream::Read(void* data, UINT32 size, UINT32* processedSize) {
    DWORD read = 0;
    const BOOL ok = ReadFile(file_.get(), data, size, &read, nullptr);
    if (processedSize) *processedSize = read;
    return ok ? S_OK : E_FAIL;
}

HRESULT FileInStream::Seek(INT64 offset, UINT32 seekOrigin, UINT64* newPosition) {
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER position{};
    if (!SetFilePointerEx(file_.get(), distance, &position, seekOrigin)) return E_FAIL;
    if (newPosition) *newPosition = UINT64(position.QuadPart);
    return S_OK;
}

HRESULT CArchiveOpenCallback::SetTotal(const UINT64*, const UINT64*) { return S_OK; }

HRESULT CArchiveOpenCallback::SetCompleted(const UINT64*, const UINT64*) { return S_OK; }

HRESULT CMemSequentialOutStream::Write(const void* data, UINT32 size, UINT32* processedSize) {
    if (processedSize) *processedSize = 0;
    if (size == 0) return S_OK;
    if (!data) return E_POINTER;
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (size > limit_ - target_->size()) {
        if (overflowed_) *overflowed_ = true;
        if (processedSize) *processedSize = size;
        return S_OK;
    }
    // Appending at the end either succeeds whole or leaves the vector as it was.
    try {
        target_->insert(target_->end(), bytes, bytes + size);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    if (processedSize) *processedSize = size;
    return S_OK;
}

HRESULT CMemArchiveExtractCallback::SetTotal(UINT64) { return S_OK; }

HRESULT CMemArchiveExtractCallback::SetCompleted(const UINT64*) { return S_OK; }

HRESULT CMemArchiveExtractCallback::GetStream(UINT32 index, ISequentialOutStream** outStream, INT32 askExtractMode) {
    if (!outStream) return E_POINTER;
    *outStream = nullptr;
    current_ = nullptr;
    const auto target = targets_->find(index);
    if (askExtractMode != kAskModeExtract || target == targets_->end()) return S_OK;
    current_ = &target->second;
    // Handed over with the one reference it was made with.
    *outStream = new (std::nothrow) CMemSequentialOutStream(&current_->bytes, limit_, &current_->overflowed);
    return *outStream ? S_OK : E_OUTOFMEMORY;
}

HRESULT CMemArchiveExtractCallback::PrepareOperation(INT32) { return S_OK; }

HRESULT CMemArchiveExtractCallback::SetOperationResult(INT32 operationResult) {
    if (current_) current_->whole = operationResult == kOperationOk && !current_->overflowed;
    current_ = nullptr;
    return S_OK;
}

}  // namespace melodrift
