// The in-memory source filter, its pin and enumerators, through their COM interfaces.
#include "filter/filter_fakes.h"
#include "playback/mem_source_filter.h"
#include "support/files.h"

#include <gtest/gtest.h>
#include <uuids.h>
#include <vfwmsgs.h>

#include <string>

namespace melodrift {
namespace {

using test::FakeInputPin;

std::vector<uint8_t> waveHeader() {
    const char text[] = "RIFF\x24\0\0\0WAVEfmt ";
    return {text, text + sizeof text - 1};
}

class SourceFilter : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        filter = ComPtr<MemSourceFilter>::attach(new MemSourceFilter);
        pin = filter->outputPin();
    }
    void TearDown() override {
        filter.reset();
        CoUninitialize();
    }
    // The filter's count, read without changing it.
    ULONG refCount() {
        filter->AddRef();
        return filter->Release();
    }
    std::vector<GUID> offeredSubtypes() {
        std::vector<GUID> subtypes;
        ComPtr<IEnumMediaTypes> types;
        EXPECT_EQ(pin->EnumMediaTypes(types.put()), S_OK);
        AM_MEDIA_TYPE* type = nullptr;
        while (types->Next(1, &type, nullptr) == S_OK) {
            EXPECT_EQ(type->majortype, MEDIATYPE_Stream);
            EXPECT_TRUE(type->bFixedSizeSamples);
            EXPECT_EQ(type->lSampleSize, 1u);
            subtypes.push_back(type->subtype);
            CoTaskMemFree(type);
        }
        return subtypes;
    }

    ComPtr<MemSourceFilter> filter;
    MemOutputPin* pin = nullptr;
};

TEST_F(SourceFilter, AnswersItsOwnInterfacesAndCountsOnce) {
    EXPECT_EQ(refCount(), 1u);
    for (const IID* iid : {&IID_IUnknown, &IID_IPersist, &IID_IMediaFilter, &IID_IBaseFilter}) {
        void* object = nullptr;
        EXPECT_EQ(filter->QueryInterface(*iid, &object), S_OK);
        EXPECT_EQ(object, static_cast<IBaseFilter*>(filter.get()));
        EXPECT_EQ(refCount(), 2u);
        filter->Release();
    }
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(filter->QueryInterface(IID_IPin, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(filter->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

    // The pin and its inner objects count on the filter.
    EXPECT_EQ(pin->AddRef(), 2u);
    EXPECT_EQ(filter->timestampScaling().AddRef(), 3u);
    EXPECT_EQ(pin->Release(), 2u);
    EXPECT_EQ(filter->timestampScaling().Release(), 1u);
}

TEST_F(SourceFilter, InnerObjectsKeepTheFilterAlive) {
    IAsyncReader* reader = nullptr;
    ASSERT_EQ(pin->QueryInterface(IID_IAsyncReader, reinterpret_cast<void**>(&reader)), S_OK);
    filter.reset();  // the creator's reference goes
    LONGLONG total = -1, available = -1;
    EXPECT_EQ(reader->Length(&total, &available), S_OK);
    EXPECT_EQ(reader->Release(), 0u);
}

TEST_F(SourceFilter, StateFollowsStopPauseRun) {
    FILTER_STATE state = State_Running;
    EXPECT_EQ(filter->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
    EXPECT_EQ(filter->Pause(), S_OK);
    EXPECT_EQ(filter->GetState(INFINITE, &state), S_OK);
    EXPECT_EQ(state, State_Paused);
    EXPECT_EQ(filter->Run(12345), S_OK);
    EXPECT_EQ(filter->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Running);
    EXPECT_EQ(filter->Stop(), S_OK);
    EXPECT_EQ(filter->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
    EXPECT_EQ(filter->GetState(0, nullptr), E_POINTER);

    CLSID id{};
    EXPECT_EQ(filter->GetClassID(&id), S_OK);
    EXPECT_EQ(id, MemSourceFilter::classId);
    EXPECT_EQ(filter->GetClassID(nullptr), E_POINTER);
    EXPECT_EQ(filter->QueryVendorInfo(nullptr), E_NOTIMPL);
}

TEST_F(SourceFilter, SyncSourceIsHeldWithAReference) {
    ComPtr<IReferenceClock> clock;
    ASSERT_EQ(CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER, IID_IReferenceClock, clock.putVoid()),
              S_OK);
    EXPECT_EQ(filter->SetSyncSource(clock.get()), S_OK);
    ComPtr<IReferenceClock> back;
    EXPECT_EQ(filter->GetSyncSource(back.put()), S_OK);
    EXPECT_EQ(back.get(), clock.get());
    back.reset();
    clock->AddRef();
    EXPECT_EQ(clock->Release(), 2u) << "ours and the filter's";
    EXPECT_EQ(filter->SetSyncSource(nullptr), S_OK);
    clock->AddRef();
    EXPECT_EQ(clock->Release(), 1u);
    EXPECT_EQ(filter->GetSyncSource(back.put()), S_OK);
    EXPECT_FALSE(back);
    EXPECT_EQ(filter->GetSyncSource(nullptr), E_POINTER);
}

TEST_F(SourceFilter, FindPinKnowsOnlyOutputInThatCase) {
    ComPtr<IPin> found;
    EXPECT_EQ(filter->FindPin(L"Output", found.put()), S_OK);
    EXPECT_EQ(found.get(), static_cast<IPin*>(pin));
    EXPECT_EQ(filter->FindPin(L"output", found.put()), VFW_E_NOT_FOUND);
    EXPECT_FALSE(found);
    EXPECT_EQ(filter->FindPin(L"Output", nullptr), E_POINTER);
}

TEST_F(SourceFilter, FilterInfoKeepsAtMost127UnitsAndCountsTheGraph) {
    ComPtr<IFilterGraph> graph;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterGraph, graph.putVoid()),
              S_OK);
    const std::wstring longName(200, L'名');
    EXPECT_EQ(filter->JoinFilterGraph(graph.get(), longName.c_str()), S_OK);
    FILTER_INFO info{};
    EXPECT_EQ(filter->QueryFilterInfo(&info), S_OK);
    EXPECT_EQ(std::wstring(info.achName), longName.substr(0, 127));
    EXPECT_EQ(info.pGraph, graph.get());
    info.pGraph->Release();

    EXPECT_EQ(filter->JoinFilterGraph(nullptr, L"ignored"), S_OK);
    EXPECT_EQ(filter->QueryFilterInfo(&info), S_OK);
    EXPECT_EQ(info.achName[0], L'\0');
    EXPECT_EQ(info.pGraph, nullptr);
    EXPECT_EQ(filter->QueryFilterInfo(nullptr), E_POINTER);
}

TEST_F(SourceFilter, PinDescribesItselfAsOutput) {
    PIN_INFO info{};
    EXPECT_EQ(pin->QueryPinInfo(&info), S_OK);
    EXPECT_EQ(info.pFilter, static_cast<IBaseFilter*>(filter.get()));
    EXPECT_EQ(info.dir, PINDIR_OUTPUT);
    EXPECT_STREQ(info.achName, L"Output");
    info.pFilter->Release();
    EXPECT_EQ(refCount(), 1u);

    PIN_DIRECTION direction = PINDIR_INPUT;
    EXPECT_EQ(pin->QueryDirection(&direction), S_OK);
    EXPECT_EQ(direction, PINDIR_OUTPUT);
    LPWSTR id = nullptr;
    EXPECT_EQ(pin->QueryId(&id), S_OK);
    EXPECT_STREQ(id, L"Output");
    CoTaskMemFree(id);

    EXPECT_EQ(pin->QueryPinInfo(nullptr), E_POINTER);
    EXPECT_EQ(pin->QueryDirection(nullptr), E_POINTER);
    EXPECT_EQ(pin->QueryId(nullptr), E_POINTER);
    EXPECT_EQ(pin->QueryAccept(nullptr), E_NOTIMPL);
    EXPECT_EQ(pin->QueryInternalConnections(nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(pin->ReceiveConnection(nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(pin->EndOfStream(), E_UNEXPECTED);
    EXPECT_EQ(pin->BeginFlush(), E_UNEXPECTED);
    EXPECT_EQ(pin->EndFlush(), E_UNEXPECTED);
    EXPECT_EQ(pin->NewSegment(0, 0, 1.0), E_UNEXPECTED);
}

TEST_F(SourceFilter, PinAndTimestampScalingAnswerForEachOther) {
    IAMAsyncReaderTimestampScaling* scaling = nullptr;
    ASSERT_EQ(pin->QueryInterface(__uuidof(IAMAsyncReaderTimestampScaling), reinterpret_cast<void**>(&scaling)), S_OK);
    WINBOOL raw = TRUE;
    EXPECT_EQ(scaling->GetTimestampMode(&raw), S_OK);
    EXPECT_FALSE(raw);
    EXPECT_EQ(scaling->SetTimestampMode(TRUE), S_OK);
    EXPECT_EQ(scaling->GetTimestampMode(&raw), S_OK);
    EXPECT_TRUE(raw);
    EXPECT_EQ(scaling->GetTimestampMode(nullptr), E_POINTER);

    void* object = nullptr;
    EXPECT_EQ(scaling->QueryInterface(IID_IPin, &object), S_OK);
    EXPECT_EQ(object, static_cast<IPin*>(pin));
    pin->Release();
    EXPECT_EQ(scaling->QueryInterface(IID_IAsyncReader, &object), S_OK);
    EXPECT_EQ(object, static_cast<IAsyncReader*>(&filter->reader()));
    filter->reader().Release();
    EXPECT_EQ(scaling->QueryInterface(IID_IBaseFilter, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    scaling->Release();
    EXPECT_EQ(refCount(), 1u);
}

TEST_F(SourceFilter, EnumPinsYieldsThePinOnce) {
    ComPtr<IEnumPins> pins;
    ASSERT_EQ(filter->EnumPins(pins.put()), S_OK);
    EXPECT_EQ(refCount(), 2u) << "the enumerator holds the filter";
    IPin* got[3] = {};
    ULONG fetched = 9;
    EXPECT_EQ(pins->Next(3, got, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 1u);
    EXPECT_EQ(got[0], static_cast<IPin*>(pin));
    got[0]->Release();
    EXPECT_EQ(pins->Next(3, got, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(pins->Reset(), S_OK);
    EXPECT_EQ(pins->Next(1, got, nullptr), S_OK);
    got[0]->Release();

    EXPECT_EQ(pins->Next(2, got, nullptr), E_INVALIDARG);
    EXPECT_EQ(pins->Next(1, nullptr, &fetched), E_POINTER);

    pins->Reset();
    EXPECT_EQ(pins->Skip(1), S_OK);
    EXPECT_EQ(pins->Skip(1), S_FALSE);
    pins->Reset();
    EXPECT_EQ(pins->Skip(2), S_FALSE);

    pins->Reset();
    ComPtr<IEnumPins> clone;
    ASSERT_EQ(pins->Clone(clone.put()), S_OK);
    EXPECT_EQ(refCount(), 3u);
    pins.reset();
    EXPECT_EQ(clone->Next(1, got, &fetched), S_OK) << "the clone keeps its own cursor";
    got[0]->Release();
    clone.reset();
    EXPECT_EQ(refCount(), 1u);

    ComPtr<IEnumPins> other;
    ASSERT_EQ(filter->EnumPins(other.put()), S_OK);
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(other.queryInto(unknown), S_OK);
    ComPtr<IEnumMediaTypes> wrong;
    EXPECT_EQ(other.queryInto(wrong), E_NOINTERFACE);
    EXPECT_EQ(filter->EnumPins(nullptr), E_POINTER);
}

TEST_F(SourceFilter, WithoutDetectionOrMatchOnlyAPlainStreamIsOffered) {
    EXPECT_EQ(offeredSubtypes(), std::vector<GUID>{GUID_NULL});
    const std::vector<uint8_t> text(64, 'a');
    EXPECT_FALSE(pin->detectMediaType(text));
    EXPECT_EQ(offeredSubtypes(), std::vector<GUID>{GUID_NULL});
}

TEST_F(SourceFilter, ADetectedSubtypeIsOfferedFirst) {
    EXPECT_TRUE(pin->detectMediaType(waveHeader()));
    EXPECT_EQ(offeredSubtypes(), (std::vector<GUID>{MEDIASUBTYPE_WAVE, GUID_NULL}));
    // A later look at other data replaces the first finding.
    EXPECT_FALSE(pin->detectMediaType(std::vector<uint8_t>(64, 'a')));
    EXPECT_EQ(offeredSubtypes(), std::vector<GUID>{GUID_NULL});
}

TEST_F(SourceFilter, EnumMediaTypesCursorSkipsResetsAndClones) {
    pin->detectMediaType(waveHeader());
    ComPtr<IEnumMediaTypes> types;
    ASSERT_EQ(pin->EnumMediaTypes(types.put()), S_OK);
    EXPECT_EQ(refCount(), 2u);
    AM_MEDIA_TYPE* got[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(types->Next(3, got, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 2u);
    EXPECT_EQ(got[0]->subtype, MEDIASUBTYPE_WAVE);
    EXPECT_EQ(got[1]->subtype, GUID_NULL);
    CoTaskMemFree(got[0]);
    CoTaskMemFree(got[1]);
    EXPECT_EQ(types->Next(1, got, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);

    EXPECT_EQ(types->Reset(), S_OK);
    EXPECT_EQ(types->Skip(1), S_OK);
    ComPtr<IEnumMediaTypes> clone;
    ASSERT_EQ(types->Clone(clone.put()), S_OK);
    EXPECT_EQ(clone->Next(1, got, nullptr), S_OK);
    EXPECT_EQ(got[0]->subtype, GUID_NULL) << "the clone starts at the same cursor";
    CoTaskMemFree(got[0]);
    EXPECT_EQ(types->Skip(2), S_FALSE);
    EXPECT_EQ(types->Next(2, got, nullptr), E_INVALIDARG);
    EXPECT_EQ(types->Next(1, nullptr, &fetched), E_POINTER);
    ComPtr<IEnumPins> wrong;
    EXPECT_EQ(types.queryInto(wrong), E_NOINTERFACE);
    types.reset();
    clone.reset();
    EXPECT_EQ(refCount(), 1u);
    EXPECT_EQ(pin->EnumMediaTypes(nullptr), E_POINTER);
}

class PinConnection : public SourceFilter {
protected:
    void TearDown() override {
        filter->Stop();
        pin->Disconnect();
        SourceFilter::TearDown();
    }
    FakeInputPin parser;
};

TEST_F(PinConnection, APullInputConnectsWithTheFirstOfferedType) {
    pin->detectMediaType(waveHeader());
    EXPECT_EQ(pin->Connect(&parser, nullptr), S_OK);
    ASSERT_EQ(parser.triedSubtypes.size(), 1u);
    EXPECT_EQ(parser.triedSubtypes[0], MEDIASUBTYPE_WAVE);
    EXPECT_TRUE(parser.reader);

    ComPtr<IPin> peer;
    EXPECT_EQ(pin->ConnectedTo(peer.put()), S_OK);
    EXPECT_EQ(peer.get(), static_cast<IPin*>(&parser));
    EXPECT_EQ(parser.refs, 2u);
    peer.reset();
    EXPECT_EQ(parser.refs, 1u) << "the connection itself takes no reference";

    AM_MEDIA_TYPE type{};
    EXPECT_EQ(pin->ConnectionMediaType(&type), S_OK);
    EXPECT_EQ(type.majortype, MEDIATYPE_Stream);
    EXPECT_EQ(type.subtype, MEDIASUBTYPE_WAVE);
    EXPECT_EQ(pin->ConnectionMediaType(nullptr), E_POINTER);
    EXPECT_EQ(pin->ConnectedTo(nullptr), E_POINTER);
}

TEST_F(PinConnection, TheNextOfferedTypeIsTriedWhenOneIsRefused) {
    pin->detectMediaType(waveHeader());
    parser.accepts = [](const AM_MEDIA_TYPE& type) { return type.subtype == GUID_NULL; };
    EXPECT_EQ(pin->Connect(&parser, nullptr), S_OK);
    EXPECT_EQ(parser.triedSubtypes, (std::vector<GUID>{MEDIASUBTYPE_WAVE, GUID_NULL}));
}

TEST_F(PinConnection, NothingAcceptableLeavesThePinUnconnected) {
    parser.accepts = [](const AM_MEDIA_TYPE&) { return false; };
    EXPECT_EQ(pin->Connect(&parser, nullptr), VFW_E_NO_ACCEPTABLE_TYPES);
    ComPtr<IPin> peer;
    EXPECT_EQ(pin->ConnectedTo(peer.put()), VFW_E_NOT_CONNECTED);
    EXPECT_FALSE(peer);
    AM_MEDIA_TYPE type{};
    EXPECT_EQ(pin->ConnectionMediaType(&type), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(pin->Disconnect(), S_FALSE);
}

TEST_F(PinConnection, APushInputThatNeverTakesTheReaderIsTurnedAway) {
    parser.takesReader = false;
    AM_MEDIA_TYPE wanted{};
    wanted.majortype = MEDIATYPE_Stream;
    wanted.subtype = MEDIASUBTYPE_WAVE;
    EXPECT_EQ(pin->Connect(&parser, &wanted), E_FAIL);
    EXPECT_EQ(parser.triedSubtypes.size(), 1u) << "a fully given type is the only one tried";
    EXPECT_EQ(parser.disconnects, 1) << "the input is told to let go";
    ComPtr<IPin> peer;
    EXPECT_EQ(pin->ConnectedTo(peer.put()), VFW_E_NOT_CONNECTED);
}

TEST_F(PinConnection, APartlyGivenTypeTriesTheReceiversTypesFirstThenTheOwn) {
    // The receiver offers {Stream, AVI} and {Stream, NULL}, through another filter's pin.
    auto other = ComPtr<MemSourceFilter>::attach(new MemSourceFilter);
    const char avi[] = "RIFF\x10\0\0\0AVI LIST";
    other->outputPin()->detectMediaType({avi, avi + sizeof avi - 1});
    parser.offers = ComPtr<IPin>::attach(other->outputPin());
    other->outputPin()->AddRef();
    pin->detectMediaType(waveHeader());
    parser.accepts = [](const AM_MEDIA_TYPE& type) { return type.subtype == MEDIASUBTYPE_WAVE; };

    AM_MEDIA_TYPE streamOnly{};
    streamOnly.majortype = MEDIATYPE_Stream;
    EXPECT_EQ(pin->Connect(&parser, &streamOnly), S_OK);
    EXPECT_EQ(parser.triedSubtypes, (std::vector<GUID>{MEDIASUBTYPE_Avi, GUID_NULL, MEDIASUBTYPE_WAVE}));
}

TEST_F(PinConnection, TypesOfAnotherMajortypeAreNotTried) {
    AM_MEDIA_TYPE audio{};
    audio.majortype = MEDIATYPE_Audio;
    EXPECT_EQ(pin->Connect(&parser, &audio), VFW_E_NO_ACCEPTABLE_TYPES);
    EXPECT_TRUE(parser.triedSubtypes.empty());
}

TEST_F(PinConnection, ConnectedPinsRefuseAnotherConnectionAndKeepTheirs) {
    ASSERT_EQ(pin->Connect(&parser, nullptr), S_OK);
    FakeInputPin second;
    EXPECT_EQ(pin->Connect(&second, nullptr), VFW_E_ALREADY_CONNECTED);
    EXPECT_TRUE(second.triedSubtypes.empty());
    ComPtr<IPin> peer;
    EXPECT_EQ(pin->ConnectedTo(peer.put()), S_OK);
    EXPECT_EQ(peer.get(), static_cast<IPin*>(&parser));
    EXPECT_EQ(pin->Connect(nullptr, nullptr), E_POINTER);
}

TEST_F(PinConnection, ConnectionChangesOnlyWhileStopped) {
    filter->Run(0);
    EXPECT_EQ(pin->Connect(&parser, nullptr), VFW_E_NOT_STOPPED);
    filter->Stop();
    ASSERT_EQ(pin->Connect(&parser, nullptr), S_OK);
    filter->Pause();
    EXPECT_EQ(pin->Disconnect(), VFW_E_NOT_STOPPED);
    ComPtr<IPin> peer;
    EXPECT_EQ(pin->ConnectedTo(peer.put()), S_OK);
    filter->Stop();
    EXPECT_EQ(pin->Disconnect(), S_OK);
    EXPECT_EQ(pin->Disconnect(), S_FALSE);
    peer.reset();
    EXPECT_EQ(pin->ConnectedTo(peer.put()), VFW_E_NOT_CONNECTED);
}

// Makes the task allocator refuse blocks of one size, the way a 32-bit process refuses
// a format block of 2 GiB: a 64-bit process would grant it.
class RefusingMallocSpy : public IMallocSpy {
public:
    explicit RefusingMallocSpy(SIZE_T refused) : refused_(refused) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid != IID_IUnknown && iid != IID_IMallocSpy) return *out = nullptr, E_NOINTERFACE;
        *out = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the test's stack
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    // Zero makes the allocation fail.
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override { return size == refused_ ? 0 : size; }
    void* STDMETHODCALLTYPE PostAlloc(void* block) override { return block; }
    void* STDMETHODCALLTYPE PreFree(void* block, BOOL) override { return block; }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* block, SIZE_T size, void** newBlock, BOOL) override {
        *newBlock = block;
        return size;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* block, BOOL) override { return block; }
    void* STDMETHODCALLTYPE PreGetSize(void* block, BOOL) override { return block; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T size, BOOL) override { return size; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* block, BOOL) override { return block; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int result) override { return result; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}

private:
    SIZE_T refused_;
};

TEST_F(PinConnection, ATypeThatCannotBeCopiedFailsWithOutOfMemoryWithoutCallingTheReceiver) {
    BYTE format[4] = {};
    AM_MEDIA_TYPE huge{};
    huge.majortype = MEDIATYPE_Stream;
    huge.subtype = MEDIASUBTYPE_WAVE;
    huge.cbFormat = 0x7FFFFFF0;
    huge.pbFormat = format;
    RefusingMallocSpy spy(huge.cbFormat);
    ASSERT_EQ(CoRegisterMallocSpy(&spy), S_OK);
    const HRESULT connected = pin->Connect(&parser, &huge);
    CoRevokeMallocSpy();
    EXPECT_EQ(connected, E_OUTOFMEMORY);
    EXPECT_TRUE(parser.triedSubtypes.empty());
    ComPtr<IPin> peer;
    EXPECT_EQ(pin->ConnectedTo(peer.put()), VFW_E_NOT_CONNECTED);
}

TEST_F(PinConnection, TheConnectionTypeIsADeepCopyWithItsFormatBlock) {
    BYTE format[6] = {1, 2, 3, 4, 5, 6};
    AM_MEDIA_TYPE given{};
    given.majortype = MEDIATYPE_Stream;
    given.subtype = MEDIASUBTYPE_WAVE;
    given.cbFormat = sizeof format;
    given.pbFormat = format;
    ASSERT_EQ(pin->Connect(&parser, &given), S_OK);
    format[0] = 99;
    AM_MEDIA_TYPE copy{};
    ASSERT_EQ(pin->ConnectionMediaType(&copy), S_OK);
    ASSERT_EQ(copy.cbFormat, sizeof format);
    EXPECT_NE(copy.pbFormat, format);
    EXPECT_EQ(copy.pbFormat[0], 1);
    EXPECT_EQ(copy.pbFormat[5], 6);
    CoTaskMemFree(copy.pbFormat);
}

}  // namespace
}  // namespace melodrift
