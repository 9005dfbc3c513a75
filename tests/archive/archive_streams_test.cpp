// The objects the engine calls back: reference counts, interfaces, and what they do.
#include "base/com_ptr.h"
#include "archive/archive_streams.h"
#include "support/files.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>

namespace melodrift {
namespace {

template <typename T>
ComPtr<T> make(T* object) {
    return ComPtr<T>::attach(object);
}

TEST(EngineCallbacks, QueryInterfaceAnswersOfferedInterfacesOnly) {
    auto stream = make(new (std::nothrow) FileInStream(L"Z:\\nonexistent\\file"));
    ASSERT_TRUE(stream);
    EXPECT_FALSE(stream->isOpen());
    EXPECT_EQ(stream->QueryInterface(__uuidof(IInStream), nullptr), E_POINTER);
    for (const GUID& iid : {__uuidof(IUnknown), __uuidof(ISequentialInStream), __uuidof(IInStream)}) {
        void* object = nullptr;
        EXPECT_EQ(stream->QueryInterface(iid, &object), S_OK);
        EXPECT_EQ(object, static_cast<IInStream*>(stream.get()));
        static_cast<IUnknown*>(object)->Release();
    }
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(stream->QueryInterface(__uuidof(ISequentialOutStream), &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);

    std::vector<uint8_t> bytes;
    auto callback = make(new (std::nothrow) CMemArchiveExtractCallback(&bytes));
    for (const GUID& iid : {__uuidof(IProgress), __uuidof(IArchiveExtractCallback)}) {
        EXPECT_EQ(callback->QueryInterface(iid, &object), S_OK);
        static_cast<IUnknown*>(object)->Release();
    }
    EXPECT_EQ(callback->QueryInterface(__uuidof(IArchiveOpenCallback), &object), E_NOINTERFACE);
}

TEST(EngineCallbacks, CountsStartAtOneAndReturnTheNewCount) {
    auto* callback = new (std::nothrow) CArchiveOpenCallback();
    ASSERT_NE(callback, nullptr);
    EXPECT_EQ(callback->AddRef(), 2u);
    EXPECT_EQ(callback->Release(), 1u);
    EXPECT_EQ(callback->SetTotal(nullptr, nullptr), S_OK);
    EXPECT_EQ(callback->Release(), 0u);
}

TEST(EngineCallbacks, FileStreamReadsAndSeeksTheFile) {
    test::TempDir dir;
    test::writeBytes(dir.file(L"data.bin"), "0123456789");
    auto stream = make(new (std::nothrow) FileInStream(dir.file(L"data.bin")));
    ASSERT_TRUE(stream->isOpen());
    UINT64 position = 0;
    EXPECT_EQ(stream->Seek(-3, 2, &position), S_OK);
    EXPECT_EQ(position, 7u);
    char buffer[8] = {};
    UINT32 read = 99;
    EXPECT_EQ(stream->Read(buffer, sizeof buffer, &read), S_OK);
    EXPECT_EQ(std::string(buffer, read), "789");
    EXPECT_EQ(stream->Read(buffer, sizeof buffer, &read), S_OK);
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(stream->Seek(2, 0, nullptr), S_OK);
    EXPECT_EQ(stream->Seek(1, 1, &position), S_OK);
    EXPECT_EQ(position, 3u);
    EXPECT_EQ(stream->Seek(0, 7, &position), E_FAIL);
    EXPECT_EQ(stream->Seek(-100, 0, &position), E_FAIL);
}

TEST(EngineCallbacks, ExtractCallbackAppendsEveryStreamToTheOneVector) {
    std::vector<uint8_t> bytes{'a'};
    auto callback = make(new (std::nothrow) CMemArchiveExtractCallback(&bytes));
    ISequentialOutStream* out = reinterpret_cast<ISequentialOutStream*>(1);
    EXPECT_EQ(callback->GetStream(5, &out, 1), S_OK);  // test mode: nothing to write to
    EXPECT_EQ(out, nullptr);
    for (const char* text : {"bc", "def"}) {
        ASSERT_EQ(callback->GetStream(0, &out, 0), S_OK);
        ASSERT_NE(out, nullptr);
        UINT32 written = 0;
        EXPECT_EQ(out->Write(text, UINT32(strlen(text)), &written), S_OK);
        EXPECT_EQ(written, strlen(text));
        EXPECT_EQ(out->Write(text, 0, nullptr), S_OK);
        EXPECT_EQ(out->Release(), 0u);
    }
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "abcdef");
}

}  // namespace
}  // namespace melodrift
