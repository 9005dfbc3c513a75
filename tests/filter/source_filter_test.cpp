// The in-memory source filter and its pin as a graph and a downstream pin call them.
#include "playback/mem_source_filter.h"

#include <gtest/gtest.h>
#include <uuids.h>
#include <vfwmsgs.h>

#include <functional>

namespace melodrift {
namespace {

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

class SourceFilter : public ::testing::Test {
protected:
    void SetUp() override { CoInitialize(nullptr); }
    void TearDown() override { CoUninitialize(); }
    static ULONG refCount(IUnknown* object) { return object->AddRef(), object->Release(); }
};

TEST_F(SourceFilter, ItsPartsCountOnItAndKeepItAliveAndItsNameIsCut) {
    auto filter = ComPtr<MemSourceFilter>::attach(new MemSourceFilter);
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
    IAsyncReader* reader = nullptr;
    ASSERT_EQ(filter->outputPin()->QueryInterface(IID_IAsyncReader, reinterpret_cast<void**>(&reader)), S_OK);
    filter.reset();
    LONGLONG total = -1, available = -1;
    EXPECT_EQ(reader->Length(&total, &available), S_OK);
    EXPECT_EQ(reader->Release(), 0u);
}

TEST_F(SourceFilter, ConnectsOnlyToAPinThatTakesTheReaderTryingTypesInOrder) {
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
        auto filter = ComPtr<MemSourceFilter>::attach(new MemSourceFilter);
        MemOutputPin* pin = filter->outputPin();
        if (row.wav) pin->detectMediaType(wav);
        if (row.running) filter->Run(0);
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
        filter->Stop();
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
        filter->Pause();
        EXPECT_EQ(pin->Disconnect(), VFW_E_NOT_STOPPED);
        filter->Stop();
        EXPECT_EQ(pin->Disconnect(), S_OK);
        EXPECT_EQ(pin->Disconnect(), S_FALSE);
    }
}

}  // namespace
}  // namespace melodrift
