// The in-memory source filter, its pin and its reader, called as a graph and a parser call them,
// with samples of DirectShow's own allocator.
#include "playback/mem_source_filter.h"

#include <gtest/gtest.h>
#include <uuids.h>
#include <vfwmsgs.h>

#include <climits>
#include <functional>
#include <future>
#include <thread>

namespace melodrift {
namespace {

constexpr LONGLONG kUnit = 10000000;  // media time per byte unless timestamps are raw
constexpr LONGLONG kUntimed = LLONG_MIN, kNoStop = LLONG_MAX;
const HRESULT kEndOfFile = HRESULT_FROM_WIN32(ERROR_HANDLE_EOF);

uint8_t byteAt(LONGLONG i) { return static_cast<uint8_t>(i % 251); }
std::pair<LONGLONG, LONGLONG> times(IMediaSample* sample) {
    REFERENCE_TIME start = -1, stop = -1;
    sample->GetTime(&start, &stop);
    return {start, stop};
}
BYTE* bytes(IMediaSample* sample) {
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    return data;
}

// A downstream input pin that refuses types or the reader at will: Wine has no parser that
// fails in each of these ways. It lives on the test's stack.
struct ReceivingPin : IPin {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = iid == IID_IUnknown || iid == IID_IPin ? this : nullptr;
        return *out ? (AddRef(), S_OK) : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override {
        tried.push_back(type->subtype);
        if (accepts && !accepts(*type)) return VFW_E_TYPE_NOT_ACCEPTED;
        return takesReader ? connector->QueryInterface(IID_IAsyncReader, reader.putVoid()) : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Disconnect() override { return ++disconnects, reader.reset(), S_OK; }
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** types) override {
        return offers ? offers->EnumMediaTypes(types) : E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* direction) override { return *direction = PINDIR_INPUT, S_OK; }
    HRESULT STDMETHODCALLTYPE Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EndOfStream() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE BeginFlush() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EndFlush() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

    std::function<bool(const AM_MEDIA_TYPE&)> accepts;  // all when empty
    bool takesReader = true;
    IPin* offers = nullptr;  // the pin whose types this one's EnumMediaTypes hands out
    std::vector<GUID> tried;
    int disconnects = 0;
    ComPtr<IAsyncReader> reader;
    ULONG refs = 1;
};

class MemorySource : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        std::vector<uint8_t> data(1000);
        for (size_t i = 0; i < data.size(); ++i) data[i] = byteAt(i);
        filter->reader().setData(std::move(data));
    }
    void TearDown() override {
        samples.clear();
        for (auto& allocator : allocators) allocator->Decommit();
        allocators.clear();
        filter.reset();
        CoUninitialize();
    }
    static ULONG refCount(IUnknown* object) { return object->AddRef(), object->Release(); }
    IMediaSample* sample(LONGLONG start, LONGLONG stop, long size = 4096) {
        allocators.emplace_back();
        EXPECT_EQ(CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                   allocators.back().putVoid()), S_OK);
        ALLOCATOR_PROPERTIES asked{1, size, 1, 0}, granted{};
        EXPECT_EQ(allocators.back()->SetProperties(&asked, &granted), S_OK);
        EXPECT_EQ(allocators.back()->Commit(), S_OK);
        samples.emplace_back();
        EXPECT_EQ(allocators.back()->GetBuffer(samples.back().put(), nullptr, nullptr, 0), S_OK);
        if (start != kUntimed) samples.back()->SetTime(&start, stop == kNoStop ? nullptr : &stop);
        return samples.back().get();
    }

    ComPtr<MemSourceFilter> filter = ComPtr<MemSourceFilter>::attach(new MemSourceFilter);
    IAsyncReader* reader = &filter->reader();
    std::vector<ComPtr<IMemAllocator>> allocators;
    std::vector<ComPtr<IMediaSample>> samples;
};

TEST_F(MemorySource, ReadsWithinTheStreamAndCutsAtItsEnd) {
    const struct { LONGLONG position; LONG length; HRESULT hr; LONG copied; } reads[] = {
        {10, 20, S_OK, 20}, {990, 100, S_FALSE, 10}, {1000, 1, E_FAIL, 0}, {-1, 1, E_FAIL, 0}, {0, -1, E_FAIL, 0}};
    for (const auto& read : reads) {
        std::vector<BYTE> buffer(200, 0xEE);
        EXPECT_EQ(reader->SyncRead(read.position, read.length, buffer.data()), read.hr) << read.position;
        for (LONG i = 0; i < read.copied; ++i) EXPECT_EQ(buffer[i], byteAt(read.position + i));
        EXPECT_EQ(buffer[read.copied], 0xEE) << "nothing is written past what was read";
    }
    // A sample is read for its times, at once or queued; past the end they are rewritten.
    ComPtr<IAMAsyncReaderTimestampScaling> scaling;
    ASSERT_EQ(reader->QueryInterface(__uuidof(IAMAsyncReaderTimestampScaling), scaling.putVoid()), S_OK);
    const struct { const char* name; bool raw; LONGLONG start, stop; long size; HRESULT read, queued; long length;
                   LONGLONG newStart, newStop; } rows[] = {
        {"inside", false, 100 * kUnit, 164 * kUnit, 4096, S_OK, S_OK, 64, 100 * kUnit, 164 * kUnit},
        {"past the end", false, 0, 4096 * kUnit, 4096, S_FALSE, S_OK, 1000, 0, 1000 * kUnit},
        {"between bytes", false, 900 * kUnit + 5, 2000 * kUnit, 4096, S_FALSE, S_OK, 100, 900 * kUnit, 1000 * kUnit},
        {"untimed", false, kUntimed, 0, 4096, E_FAIL, VFW_E_SAMPLE_TIME_NOT_SET},
        {"start only", false, 0, kNoStop, 4096, E_FAIL, VFW_E_SAMPLE_TIME_NOT_SET},  // GetTime's success code
        {"negative", false, -kUnit, 10 * kUnit, 4096, E_FAIL, S_OK},
        {"at the end", false, 1000 * kUnit, 1100 * kUnit, 4096, E_FAIL, kEndOfFile},
        {"empty", false, 10 * kUnit, 10 * kUnit, 4096, E_FAIL, S_OK},
        {"too small", false, 0, 100 * kUnit, 99, E_FAIL, S_OK},
        {"raw", true, 300, 812, 4096, S_OK, S_OK, 512, 300, 812},
        {"raw past the end", true, 900, 1200, 4096, S_FALSE, S_OK, 100, 900, 1000},
    };
    for (const auto& row : rows) {
        ASSERT_EQ(scaling->SetTimestampMode(row.raw), S_OK);
        for (const bool queued : {false, true}) {
            SCOPED_TRACE(std::string(row.name) + (queued ? " queued" : ""));
            IMediaSample *sample = this->sample(row.start, row.stop, row.size), *done = nullptr;
            DWORD_PTR user = 0;
            const long before = sample->GetActualDataLength();
            HRESULT hr = queued ? reader->Request(sample, 7) : reader->SyncReadAligned(sample);
            if (queued) {
                EXPECT_EQ(hr, row.queued);
                if (hr != S_OK) continue;
                hr = reader->WaitForNext(0, &done, &user);
                EXPECT_TRUE(done == sample && user == 7);
            }
            EXPECT_EQ(hr, row.read);
            if (FAILED(hr)) {
                EXPECT_EQ(sample->GetActualDataLength(), before) << "a refused read leaves the sample alone";
                continue;
            }
            EXPECT_EQ(sample->GetActualDataLength(), row.length);
            EXPECT_EQ(times(sample), std::make_pair(row.newStart, row.newStop));
            const LONGLONG first = row.raw ? row.newStart : row.newStart / kUnit;
            EXPECT_EQ(bytes(sample)[0], byteAt(first));
            EXPECT_EQ(bytes(sample)[row.length - 1], byteAt(first + row.length - 1));
        }
    }
}

TEST_F(MemorySource, QueuedRequestsComeBackInOrderAndAFlushHandsThemBackUnread) {
    IMediaSample *first = sample(0, 10 * kUnit), *second = sample(10 * kUnit, 20 * kUnit), *done = nullptr;
    DWORD_PTR user = 0;
    ASSERT_EQ(reader->Request(first, 1), S_OK);
    ASSERT_EQ(reader->Request(second, 2), S_OK);
    EXPECT_EQ((first->AddRef(), first->Release()), 1u) << "queued samples are not counted";
    for (DWORD_PTR expected : {1u, 2u}) {
        EXPECT_EQ(reader->WaitForNext(0, &done, &user), S_OK);
        EXPECT_EQ(user, expected);
    }
    EXPECT_EQ(bytes(second)[0], byteAt(10));
    EXPECT_EQ(reader->WaitForNext(0, &done, &user), VFW_E_TIMEOUT);
    EXPECT_EQ(done, nullptr);
    std::thread([&] {  // queued by another thread, as a parser's streaming thread does
        EXPECT_EQ(reader->Request(first, 1), S_OK);
        EXPECT_EQ(reader->Request(second, 2), S_OK);
    }).join();
    EXPECT_EQ(reader->BeginFlush(), S_OK);
    EXPECT_EQ(reader->BeginFlush(), S_FALSE);
    EXPECT_EQ(reader->Request(sample(0, kUnit), 3), VFW_E_WRONG_STATE);
    for (IMediaSample* queued : {first, second, static_cast<IMediaSample*>(nullptr)}) {
        EXPECT_EQ(reader->WaitForNext(INFINITE, &done, &user), VFW_E_TIMEOUT) << "the flush ends the wait";
        EXPECT_EQ(done, queued);
        if (queued) {
            EXPECT_EQ(queued->GetActualDataLength(), 0);
            EXPECT_EQ(times(queued).second, times(queued).first);
        }
    }
    EXPECT_EQ(reader->EndFlush(), S_OK);
    EXPECT_EQ(reader->EndFlush(), S_FALSE);
    EXPECT_EQ(reader->WaitForNext(0, &done, &user), VFW_E_TIMEOUT) << "drained requests leave no wake-up behind";
    // A WaitForNext blocked on an empty queue is let go by a flush.
    auto released = std::async(std::launch::async, [&] {
        IMediaSample* got = reinterpret_cast<IMediaSample*>(1);
        DWORD_PTR cookie = 0;
        return std::make_pair(reader->WaitForNext(60000, &got, &cookie), got);
    });
    EXPECT_EQ(reader->BeginFlush(), S_OK);
    ASSERT_EQ(released.wait_for(std::chrono::seconds(30)), std::future_status::ready) << "still blocked";
    EXPECT_EQ(released.get(), std::make_pair(VFW_E_TIMEOUT, static_cast<IMediaSample*>(nullptr)));
    EXPECT_EQ(reader->EndFlush(), S_OK);
}

TEST_F(MemorySource, ItsPartsCountOnItAndKeepItAliveAndItsNameIsCut) {
    ComPtr<IEnumPins> pins;
    ComPtr<IEnumMediaTypes> types;
    ASSERT_EQ(filter->EnumPins(pins.put()), S_OK);
    ASSERT_EQ(filter->outputPin()->EnumMediaTypes(types.put()), S_OK);
    ULONG count = 3;  // the filter's and the enumerators'
    for (IUnknown* part : std::initializer_list<IUnknown*>{filter->outputPin(), &filter->reader(), &filter->timestampScaling()})
        EXPECT_EQ(part->AddRef(), ++count) << "counts on the filter";
    ComPtr<IFilterGraph> graph;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterGraph, graph.putVoid()), S_OK);
    const std::wstring longName(200, L'名');
    EXPECT_EQ(filter->JoinFilterGraph(graph.get(), longName.c_str()), S_OK);
    FILTER_INFO info{};
    EXPECT_EQ(filter->QueryFilterInfo(&info), S_OK);
    EXPECT_EQ(std::wstring(info.achName), longName.substr(0, 127)) << "cut to the field, terminated";
    EXPECT_EQ(info.pGraph, graph.get());
    info.pGraph->Release();
    for (int i = 0; i < 3; ++i) filter->Release();
    pins.reset();
    types.reset();
    EXPECT_EQ(refCount(filter.get()), 1u);
    // What the parser holds keeps the filter after its creator lets go.
    IAsyncReader* held = nullptr;
    ASSERT_EQ(filter->outputPin()->QueryInterface(IID_IAsyncReader, reinterpret_cast<void**>(&held)), S_OK);
    filter.reset();
    LONGLONG total = -1, available = -1;
    EXPECT_EQ(held->Length(&total, &available), S_OK);
    EXPECT_EQ(std::make_pair(total, available), std::make_pair(1000LL, 1000LL));
    EXPECT_EQ(held->Release(), 0u);
}

TEST_F(MemorySource, ConnectsOnlyToAPinThatTakesTheReaderTryingTypesInOrder) {
    const std::vector<uint8_t> wav{'R', 'I', 'F', 'F', 0x24, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
    const std::vector<uint8_t> avi{'R', 'I', 'F', 'F', 0x10, 0, 0, 0, 'A', 'V', 'I', ' ', 'L', 'I', 'S', 'T'};
    auto other = ComPtr<MemSourceFilter>::attach(new MemSourceFilter);
    other->outputPin()->detectMediaType(avi);  // so it offers {Stream, AVI}, {Stream, NULL}
    auto only = [](GUID subtype) { return [subtype](const AM_MEDIA_TYPE& type) { return type.subtype == subtype; }; };
    BYTE format[6] = {1, 2, 3, 4, 5, 6};
    AM_MEDIA_TYPE stream{MEDIATYPE_Stream}, wave{MEDIATYPE_Stream, MEDIASUBTYPE_WAVE}, audio{MEDIATYPE_Audio};
    wave.cbFormat = sizeof format;
    wave.pbFormat = format;
    const struct { const char* name; bool wav, running; AM_MEDIA_TYPE* given; std::function<bool(const AM_MEDIA_TYPE&)> accepts;
                   bool takesReader; IPin* offers; HRESULT hr; std::vector<GUID> tried; } rows[] = {
        {"the first offered", true, false, nullptr, nullptr, true, nullptr, S_OK, {MEDIASUBTYPE_WAVE}},
        {"the next when refused", true, false, nullptr, only(GUID_NULL), true, nullptr, S_OK, {MEDIASUBTYPE_WAVE, GUID_NULL}},
        {"nothing acceptable", false, false, nullptr, only(MEDIASUBTYPE_WAVE), true, nullptr, VFW_E_NO_ACCEPTABLE_TYPES, {GUID_NULL}},
        {"a given type, reader not taken", true, false, &wave, nullptr, false, nullptr, E_FAIL, {MEDIASUBTYPE_WAVE}},
        {"a given type", false, false, &wave, nullptr, true, nullptr, S_OK, {MEDIASUBTYPE_WAVE}},
        {"the receiver's types first", true, false, &stream, only(MEDIASUBTYPE_WAVE), true, other->outputPin(), S_OK,
         {MEDIASUBTYPE_Avi, GUID_NULL, MEDIASUBTYPE_WAVE}},
        {"another majortype", true, false, &audio, nullptr, true, nullptr, VFW_E_NO_ACCEPTABLE_TYPES, {}},
        {"while running", true, true, nullptr, nullptr, true, nullptr, VFW_E_NOT_STOPPED, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto source = ComPtr<MemSourceFilter>::attach(new MemSourceFilter);
        MemOutputPin* pin = source->outputPin();
        if (row.wav) pin->detectMediaType(wav);
        if (row.running) source->Run(0);
        ReceivingPin parser, second;
        parser.accepts = row.accepts;
        parser.takesReader = row.takesReader;
        parser.offers = row.offers;
        format[0] = 1;
        EXPECT_EQ(pin->Connect(&parser, row.given), row.hr);
        format[0] = 99;  // the connection keeps its own copy of a given format
        EXPECT_EQ(parser.tried, row.tried);
        EXPECT_EQ(parser.disconnects, row.takesReader ? 0 : 1) << "a pin that will not read is told to let go";
        ComPtr<IPin> peer;
        AM_MEDIA_TYPE type{};
        EXPECT_EQ(pin->ConnectedTo(peer.put()), row.hr == S_OK ? S_OK : VFW_E_NOT_CONNECTED);
        EXPECT_EQ(pin->ConnectionMediaType(&type), row.hr == S_OK ? S_OK : VFW_E_NOT_CONNECTED);
        source->Stop();
        if (row.hr != S_OK) continue;
        EXPECT_TRUE(parser.reader);
        EXPECT_EQ(peer.get(), static_cast<IPin*>(&parser));
        peer.reset();
        EXPECT_EQ(parser.refs, 1u) << "the connection itself takes no reference";
        EXPECT_EQ(type.subtype, row.tried.back());
        EXPECT_EQ(type.cbFormat ? type.pbFormat[0] : 1, 1);
        CoTaskMemFree(type.pbFormat);
        EXPECT_EQ(pin->Connect(&second, nullptr), VFW_E_ALREADY_CONNECTED);
        EXPECT_TRUE(second.tried.empty());
        source->Pause();
        EXPECT_EQ(pin->Disconnect(), VFW_E_NOT_STOPPED);
        source->Stop();
        EXPECT_EQ(pin->Disconnect(), S_OK);
        EXPECT_EQ(pin->Disconnect(), S_FALSE);
    }
}

}  // namespace
}  // namespace melodrift
