#pragma once

// The few interfaces of the 7-Zip engine (7z.dll) that the program uses or implements.
// Method order is the engine's vtable order and must not change; every method is
// __stdcall through STDMETHODCALLTYPE.

#include <windows.h>
#include <objbase.h>
#include <propidl.h>

namespace melodrift {

struct ISequentialInStream : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Read(void* data, UINT32 size, UINT32* processedSize) = 0;
};

struct ISequentialOutStream : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Write(const void* data, UINT32 size, UINT32* processedSize) = 0;
};

struct IInStream : public ISequentialInStream {
    virtual HRESULT STDMETHODCALLTYPE Seek(INT64 offset, UINT32 seekOrigin, UINT64* newPosition) = 0;
};

struct IProgress : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetTotal(UINT64 total) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCompleted(const UINT64* completeValue) = 0;
};

struct IArchiveOpenCallback : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetTotal(const UINT64* files, const UINT64* bytes) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCompleted(const UINT64* files, const UINT64* bytes) = 0;
};

struct IArchiveExtractCallback : public IProgress {
    virtual HRESULT STDMETHODCALLTYPE GetStream(
        UINT32 index, ISequentialOutStream** outStream, INT32 askExtractMode) = 0;
    virtual HRESULT STDMETHODCALLTYPE PrepareOperation(INT32 askExtractMode) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetOperationResult(INT32 operationResult) = 0;
};

struct IInArchive : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Open(
        IInStream* stream, const UINT64* maxCheckStartPosition, IArchiveOpenCallback* openCallback) = 0;
    virtual HRESULT STDMETHODCALLTYPE Close() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNumberOfItems(UINT32* numItems) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetProperty(UINT32 index, PROPID propID, PROPVARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE Extract(
        const UINT32* indices, UINT32 numItems, INT32 testMode, IArchiveExtractCallback* extractCallback) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetArchiveProperty(PROPID propID, PROPVARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNumberOfProperties(UINT32* numProps) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPropertyInfo(UINT32 index, BSTR* name, PROPID* propID, VARTYPE* varType) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNumberOfArchiveProperties(UINT32* numProps) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetArchivePropertyInfo(
        UINT32 index, BSTR* name, PROPID* propID, VARTYPE* varType) = 0;
};

// Exports of 7z.dll.
using CreateObjectFunc = HRESULT(WINAPI*)(const GUID* classId, const GUID* interfaceId, void** object);
using GetHandlerProperty2Func = HRESULT(WINAPI*)(UINT32 formatIndex, PROPID propID, PROPVARIANT* value);
using GetNumberOfFormatsFunc = HRESULT(WINAPI*)(UINT32* numFormats);

// Handler (format) properties.
enum HandlerPropId : PROPID { kHandlerName = 0, kHandlerClassId = 1, kHandlerExtension = 2 };

// Item properties.
enum ItemPropId : PROPID { kpidPath = 3, kpidIsDir = 6, kpidSize = 7, kpidMTime = 12 };

// askExtractMode of IArchiveExtractCallback::GetStream.
constexpr INT32 kAskModeExtract = 0;
// operationResult of IArchiveExtractCallback::SetOperationResult: the entry decoded without error.
constexpr INT32 kOperationOk = 0;

}  // namespace melodrift

// The engine's ids are {23170F69-40C1-278A-0000-00gg00ii0000}: interface group gg, number ii.
__CRT_UUID_DECL(melodrift::ISequentialInStream, 0x23170F69, 0x40C1, 0x278A, 0, 0, 0, 0x03, 0, 0x01, 0, 0)
__CRT_UUID_DECL(melodrift::ISequentialOutStream, 0x23170F69, 0x40C1, 0x278A, 0, 0, 0, 0x03, 0, 0x02, 0, 0)
__CRT_UUID_DECL(melodrift::IInStream, 0x23170F69, 0x40C1, 0x278A, 0, 0, 0, 0x03, 0, 0x03, 0, 0)
__CRT_UUID_DECL(melodrift::IProgress, 0x23170F69, 0x40C1, 0x278A, 0, 0, 0, 0x00, 0, 0x05, 0, 0)
__CRT_UUID_DECL(melodrift::IArchiveOpenCallback, 0x23170F69, 0x40C1, 0x278A, 0, 0, 0, 0x06, 0, 0x10, 0, 0)
__CRT_UUID_DECL(melodrift::IArchiveExtractCallback, 0x23170F69, 0x40C1, 0x278A, 0, 0, 0, 0x06, 0, 0x20, 0, 0)
__CRT_UUID_DECL(melodrift::IInArchive, 0x23170F69, 0x40C1, 0x278A, 0, 0, 0, 0x06, 0, 0x60, 0, 0)
