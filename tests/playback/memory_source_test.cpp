// The in-memory source filter, its pin and its reader, called as a graph and a parser call them.
#include "playback/check_string.h"
#include "playback/mem_source_filter.h"
#include "support/wait.h"

#include <gtest/gtest.h>
#include <uuids.h>
#include <vfwmsgs.h>

#include <climits>
#include <future>

namespace melodrift {
namespace {

constexpr LONGLONG kUnit = 10000000;  // media time per byte unless timestamps are raw
constexpr LONGLONG kUntimed = LLONG_MIN;

std::vector<uint8_t> streamBytes(LONGLONG from, LONGLONG count) {
    std::vector<uint8_t> bytes;
    for (LONGLONG i = from; i < from + count; ++i) bytes.push_back(static_cast<uint8_t>(i % 251));
    return bytes;
}
std::pair<LONGLONG, LONGLONG> times(IMediaSample* sample) {
    REFERENCE_TIME start = -1, stop = -1;
    sample->GetTime(&start, &stop);
    return {start, stop};
}
template <size_t N>
std::vector<uint8_t> bytesOf(const char (&text)[N]) {
    return {text, text + N - 1};
}  // embedded zeros included

#define NOT_CALLED(method) \
    HRESULT STDMETHODCALLTYPE method override { return E_NOTIMPL; }
// A downstream input pin that refuses types or the reader at will, as no parser of Wine's does.
struct ReceivingPin : ComObject<IPin> {
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override {
        tried.push_back(type->subtype);
        if (accepts && type->subtype != *accepts) return VFW_E_TYPE_NOT_ACCEPTED;
        return takesReader ? connector->QueryInterface(IID_IAsyncReader, reader.putVoid()) : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Disconnect() override { return ++disconnects, reader.reset(), S_OK; }
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** types) override {
        return offers ? offers->EnumMediaTypes(types) : E_NOTIMPL;
    }
    NOT_CALLED(Connect(IPin*, const AM_MEDIA_TYPE*))
    NOT_CALLED(ConnectedTo(IPin**))
    NOT_CALLED(QueryId(LPWSTR*))
    NOT_CALLED(ConnectionMediaType(AM_MEDIA_TYPE*))
    NOT_CALLED(QueryPinInfo(PIN_INFO*))
    NOT_CALLED(EndOfStream())
    NOT_CALLED(QueryDirection(PIN_DIRECTION*))
    NOT_CALLED(QueryAccept(const AM_MEDIA_TYPE*))
    NOT_CALLED(EndFlush())
    NOT_CALLED(QueryInternalConnections(IPin**, ULONG*))
    NOT_CALLED(BeginFlush())
    NOT_CALLED(NewSegment(REFERENCE_TIME, REFERENCE_TIME, double))

    const GUID* accepts = nullptr;  // the one subtype taken; all when null
    bool takesReader = true;
    IPin* offers = nullptr;  // the pin whose types this one's EnumMediaTypes hands out
    std::vector<GUID> tried;
    int disconnects = 0;
    ComPtr<IAsyncReader> reader;
};

// A filter over 1000 bytes, and samples of DirectShow's own allocator, of 512 bytes, to read into.
class MemorySource : public testing::Test {
protected:
    static void SetUpTestSuite() { CoInitialize(nullptr); }
    static void TearDownTestSuite() { CoUninitialize(); }
    void SetUp() override {
        filter_->reader().setData(streamBytes(0, 1000));
        ALLOCATOR_PROPERTIES asked{64, 512, 1, 0}, granted{};
        ASSERT_EQ(CoCreateInstance(
                      CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator, allocator_.putVoid()),
            S_OK);
        ASSERT_EQ(allocator_->SetProperties(&asked, &granted), S_OK);
        ASSERT_EQ(allocator_->Commit(), S_OK);
    }
    IMediaSample* sample(LONGLONG start, LONGLONG stop) {
        samples_.emplace_back();
        EXPECT_EQ(allocator_->GetBuffer(samples_.back().put(), nullptr, nullptr, 0), S_OK);
        if (start != kUntimed) samples_.back()->SetTime(&start, &stop);
        return samples_.back().get();
    }

    ComPtr<MemSourceFilter> filter_ = ComPtr<MemSourceFilter>::attach(new MemSourceFilter);
    IAsyncReader* reader_ = &filter_->reader();
    ComPtr<IMemAllocator> allocator_;
    std::vector<ComPtr<IMediaSample>> samples_;
};

TEST_F(MemorySource, SyncReadCopiesOnlyWhatLiesWithinTheStream) {
    for (const auto& [name, position, length, hr, copied] : {
             std::tuple{"over the end", 990LL, 100L, S_FALSE, 10},
             std::tuple{"at the end", 1000LL, 1L, E_FAIL, 0},
             std::tuple{"before the start", -1LL, 10L, E_FAIL, 0},
             std::tuple{"a negative length", 0LL, -1L, E_FAIL, 0},
         }) {
        SCOPED_TRACE(name);
        std::vector<BYTE> buffer(200, 0xEE), expected = streamBytes(position, copied);
        expected.resize(200, 0xEE);  // nothing is written past what was read
        EXPECT_EQ(reader_->SyncRead(position, length, buffer.data()), hr);
        EXPECT_EQ(buffer, expected);
    }
}

TEST_F(MemorySource, ASampleIsReadForItsTimesAtOnceOrQueuedAndTimesPastTheEndAreRewritten) {
    ComPtr<IAMAsyncReaderTimestampScaling> scaling;
    ASSERT_EQ(reader_->QueryInterface(__uuidof(IAMAsyncReaderTimestampScaling), scaling.putVoid()), S_OK);
    const std::tuple<const char*, bool, LONGLONG, LONGLONG, HRESULT, HRESULT, LONGLONG, LONGLONG> rows[] = {
        {"inside", false, 100 * kUnit, 164 * kUnit, S_OK, S_OK, 100 * kUnit, 164 * kUnit},
        {"between bytes, past the end", false, 900 * kUnit + 5, 2000 * kUnit, S_FALSE, S_OK, 900 * kUnit, 1000 * kUnit},
        {"untimed", false, kUntimed, 0, E_FAIL, VFW_E_SAMPLE_TIME_NOT_SET, 0, 0},
        {"negative", false, -kUnit, 10 * kUnit, E_FAIL, S_OK, 0, 0},
        {"at the end", false, 1000 * kUnit, 1100 * kUnit, E_FAIL, HRESULT_FROM_WIN32(ERROR_HANDLE_EOF), 0, 0},
        {"larger than the sample", false, 0, 600 * kUnit, E_FAIL, S_OK, 0, 0},
        {"raw past the end", true, 900, 1200, S_FALSE, S_OK, 900, 1000},
    };
    for (const auto& [name, raw, start, stop, read, requested, newStart, newStop] : rows) {
        SCOPED_TRACE(name);
        ASSERT_EQ(scaling->SetTimestampMode(raw), S_OK);
        const LONGLONG unit = raw ? 1 : kUnit;
        IMediaSample *direct = sample(start, stop), *queued = sample(start, stop), *done = nullptr;
        DWORD_PTR user = 0;
        EXPECT_EQ(reader_->SyncReadAligned(direct), read);
        EXPECT_EQ(reader_->Request(queued, 7), requested);
        const HRESULT waited = requested == S_OK ? reader_->WaitForNext(0, &done, &user) : read;
        EXPECT_EQ(waited, read);
        BYTE* data = nullptr;
        if (FAILED(read) || FAILED(direct->GetPointer(&data))) continue;
        EXPECT_EQ(std::make_pair(std::vector<uint8_t>(data, data + direct->GetActualDataLength()), times(direct)),
            std::make_pair(
                streamBytes(newStart / unit, (newStop - newStart) / unit), std::make_pair(newStart, newStop)));
    }
}

TEST_F(MemorySource, RequestsComeBackInOrderUntilAFlushHandsThemBackUnreadAndLetsEveryWaitGo) {
    IMediaSample* queue[] = {sample(0, 10 * kUnit), sample(10 * kUnit, 20 * kUnit), sample(20 * kUnit, 30 * kUnit)};
    IMediaSample* done = nullptr;
    DWORD_PTR user = 0;
    for (DWORD_PTR i : {0, 1, 2}) EXPECT_EQ(reader_->Request(queue[i], i), S_OK);
    EXPECT_EQ(reader_->WaitForNext(0, &done, &user), S_OK);
    EXPECT_EQ(std::make_pair(done, user), std::make_pair(queue[0], DWORD_PTR(0)));
    EXPECT_EQ(reader_->BeginFlush(), S_OK);
    EXPECT_EQ(reader_->Request(sample(0, kUnit), 3), VFW_E_WRONG_STATE);
    for (IMediaSample* handedBack : {queue[1], queue[2], static_cast<IMediaSample*>(nullptr)}) {
        EXPECT_EQ(reader_->WaitForNext(INFINITE, &done, &user), VFW_E_TIMEOUT);
        EXPECT_EQ(done, handedBack);
        if (done) {
            EXPECT_EQ(std::pair(done->GetActualDataLength(), times(done).second),  // unread: empty, stop at start
                std::pair(0L, times(done).first));
        }
    }
    EXPECT_EQ(reader_->EndFlush(), S_OK);
    EXPECT_EQ(reader_->WaitForNext(0, &done, &user), VFW_E_TIMEOUT) << "drained requests leave no wake-up behind";
    auto blocked = std::async(std::launch::async, [&] { return reader_->WaitForNext(60000, &done, &user); });
    EXPECT_EQ(reader_->BeginFlush(), S_OK);
    ASSERT_EQ(blocked.wait_for(std::chrono::seconds(30)), std::future_status::ready) << "a flush lets a wait go";
    EXPECT_EQ(blocked.get(), VFW_E_TIMEOUT);
}

TEST_F(MemorySource, ConnectsOnlyToAPinThatTakesTheReaderTryingTypesInOrder) {
    auto other = ComPtr<MemSourceFilter>::attach(new MemSourceFilter);
    other->outputPin()->detectMediaType(bytesOf("RIFF\x10\0\0\0AVI LIST"));  // offers {Stream, AVI}, {Stream, NULL}
    BYTE format[6] = {1, 2, 3, 4, 5, 6};
    AM_MEDIA_TYPE stream{MEDIATYPE_Stream}, wave{MEDIATYPE_Stream, MEDIASUBTYPE_WAVE}, audio{MEDIATYPE_Audio};
    wave.cbFormat = sizeof format;
    wave.pbFormat = format;
    using Connection =
        std::tuple<const char*, bool, AM_MEDIA_TYPE*, const GUID*, bool, IPin*, HRESULT, std::vector<GUID>>;
    const Connection connections[] = {
        {"next if refused", true, nullptr, &GUID_NULL, true, nullptr, S_OK, {MEDIASUBTYPE_WAVE, GUID_NULL}},
        {"none fits", false, nullptr, &MEDIASUBTYPE_WAVE, true, nullptr, VFW_E_NO_ACCEPTABLE_TYPES, {GUID_NULL}},
        {"a given type, reader not taken", true, &wave, nullptr, false, nullptr, E_FAIL, {MEDIASUBTYPE_WAVE}},
        {"a given type", false, &wave, nullptr, true, nullptr, S_OK, {MEDIASUBTYPE_WAVE}},
        {"the receiver's types first", true, &stream, &MEDIASUBTYPE_WAVE, true, other->outputPin(), S_OK,
            {MEDIASUBTYPE_Avi, GUID_NULL, MEDIASUBTYPE_WAVE}},
        {"another majortype", true, &audio, nullptr, true, nullptr, VFW_E_NO_ACCEPTABLE_TYPES, {}},
    };
    for (const auto& [name, wav, given, accepts, takesReader, offers, hr, tried] : connections) {
        SCOPED_TRACE(name);
        auto source = ComPtr<MemSourceFilter>::attach(new MemSourceFilter);
        MemOutputPin* pin = source->outputPin();
        if (wav) pin->detectMediaType(bytesOf("RIFF\x24\0\0\0WAVEfmt "));
        const auto parser = ComPtr<ReceivingPin>::attach(new ReceivingPin);
        parser->accepts = accepts;
        parser->takesReader = takesReader;
        parser->offers = offers;
        format[0] = 1;
        EXPECT_EQ(pin->Connect(parser.get(), given), hr);
        format[0] = 99;  // the connection keeps its own copy of a given format
        EXPECT_EQ(parser->tried, tried);
        EXPECT_EQ(parser->disconnects, takesReader ? 0 : 1) << "a pin that will not read is told to let go";
        ComPtr<IPin> peer;
        AM_MEDIA_TYPE type{};
        EXPECT_EQ(pin->ConnectionMediaType(&type), hr == S_OK ? S_OK : VFW_E_NOT_CONNECTED);
        if (hr != S_OK) continue;
        EXPECT_EQ(pin->ConnectedTo(peer.put()), S_OK);
        EXPECT_EQ(peer.get(), parser.get());
        EXPECT_EQ(std::make_pair(type.subtype, type.cbFormat ? type.pbFormat[0] : 1), std::make_pair(tried.back(), 1));
        CoTaskMemFree(type.pbFormat);
        EXPECT_EQ(pin->Disconnect(), S_OK);
    }
}

TEST_F(MemorySource, AReaderAParserHoldsKeepsTheFilterAfterItsCreatorLetsGo) {
    IAsyncReader* held = nullptr;
    ASSERT_EQ(filter_->outputPin()->QueryInterface(IID_IAsyncReader, reinterpret_cast<void**>(&held)), S_OK);
    filter_.reset();
    LONGLONG total = -1, available = -1;
    EXPECT_EQ(held->Length(&total, &available), S_OK);
    EXPECT_EQ(std::make_pair(total, available), std::make_pair(1000LL, 1000LL));
    EXPECT_EQ(held->Release(), 0u);
}

TEST_F(MemorySource, TheConnectionHoldsItsPeerAndChangesUnderTheFiltersLock) {
    MemOutputPin* pin = filter_->outputPin();
    const auto parser = ComPtr<ReceivingPin>::attach(new ReceivingPin);
    const auto references = [&] { return parser->AddRef(), parser->Release(); };
    const ULONG unconnected = references();
    CRITICAL_SECTION* lock = filter_->filterLock().get();
    const std::tuple<const char*, std::function<HRESULT()>, ULONG> changes[] = {
        {"connect", [&] { return pin->Connect(parser.get(), nullptr); }, 1},
        {"disconnect", [&] { return pin->Disconnect(); }, 0},
    };
    for (const auto& [name, change, held] : changes) {
        SCOPED_TRACE(name);
        EnterCriticalSection(lock);
        auto changed = std::async(std::launch::async, change);
        EXPECT_TRUE(test::waitUntil([&] { return lock->LockCount > 0; }, 10000)) << "it waits for the lock";
        LeaveCriticalSection(lock);
        EXPECT_EQ(changed.get(), S_OK);
        const ULONG now = references();
        EXPECT_EQ(now, unconnected + held);
    }
}

TEST(CheckString, MatchesWhenEveryQuadrupleHoldsWithinTheData) {
    const auto thousand = streamBytes(0, 1000), wave = bytesOf("RIFF\x24\0\0\0WAVEfmt "), riff = bytesOf("RIFF");
    const std::tuple<const wchar_t*, std::vector<uint8_t>, bool> rows[] = {
        {L"0,4,,52494646,8,4,,57415645", wave, true},
        {L"0,4,,52494646,8,4,,41564920", wave, false},
        {L" 0, 4, , 52494646 , 8,4,,57415645", wave, true},
        {L"0,4,FFFFFF00,52494600", riff, true},
        {L"0,4,,52494600", riff, false},  // the mask picks the bits
        {L"-4,4,,f3f4f5f6", thousand, true},
        {L"-4,4,,f2f3f4f5", thousand, false},  // from the end
        {L"998,4,,f5f6f7f8", thousand, false},
        {L"-1004,4,,00010203", thousand, false},
    };
    for (const auto& [check, data, matches] : rows)
        EXPECT_EQ(checkStringMatches(check, data.data(), static_cast<uint32_t>(data.size())), matches)
            << testing::PrintToString(std::wstring(check)) << " on " << data.size() << " bytes";
}

}  // namespace
}  // namespace melodrift
