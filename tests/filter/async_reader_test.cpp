// The in-memory reader's contracts, called as a downstream parser calls them.
#include "filter/filter_fakes.h"
#include "playback/mem_source_filter.h"

#include <gtest/gtest.h>
#include <vfwmsgs.h>

#include <future>
#include <thread>

namespace melodrift {
namespace {

using test::FakeSample;

constexpr LONGLONG kUnit = 10000000;  // media time per byte in the default mode
const HRESULT kEndOfFile = HRESULT_FROM_WIN32(ERROR_HANDLE_EOF);

class AsyncReader : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        filter = ComPtr<MemSourceFilter>::attach(new MemSourceFilter);
        std::vector<uint8_t> bytes(1000);
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i % 251);
        filter->reader().setData(std::move(bytes));
        reader = &filter->reader();
    }
    void TearDown() override {
        filter.reset();
        CoUninitialize();
    }
    static uint8_t byteAt(size_t i) { return static_cast<uint8_t>(i % 251); }

    ComPtr<MemSourceFilter> filter;
    IAsyncReader* reader = nullptr;
};

TEST_F(AsyncReader, LengthReportsTheWholeBufferAsTotalAndAvailable) {
    LONGLONG total = 0, available = 0;
    EXPECT_EQ(reader->Length(&total, &available), S_OK);
    EXPECT_EQ(total, 1000);
    EXPECT_EQ(available, 1000);
    EXPECT_EQ(reader->Length(nullptr, &available), E_POINTER);
    EXPECT_EQ(reader->Length(&total, nullptr), E_POINTER);
}

TEST_F(AsyncReader, SyncReadCopiesWithinBoundsAndCutsAtTheEnd) {
    BYTE buffer[200] = {};
    EXPECT_EQ(reader->SyncRead(10, 20, buffer), S_OK);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(buffer[i], byteAt(10 + i));

    std::fill(std::begin(buffer), std::end(buffer), 0xEE);
    EXPECT_EQ(reader->SyncRead(990, 100, buffer), S_FALSE);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(buffer[i], byteAt(990 + i));
    EXPECT_EQ(buffer[10], 0xEE) << "nothing is written past the stream's end";

    EXPECT_EQ(reader->SyncRead(1000, 1, buffer), E_FAIL);
    EXPECT_EQ(reader->SyncRead(-1, 1, buffer), E_FAIL);
    EXPECT_EQ(reader->SyncRead(0, -1, buffer), E_FAIL);
    EXPECT_EQ(reader->SyncRead(0, 1, nullptr), E_POINTER);
}

TEST_F(AsyncReader, SyncReadAlignedReadsTheSampleTimesRangeAndRewritesItAtTheEnd) {
    FakeSample inside(100 * kUnit, 164 * kUnit);
    EXPECT_EQ(reader->SyncReadAligned(&inside), S_OK);
    EXPECT_EQ(inside.actualLength, 64);
    EXPECT_EQ(inside.buffer[0], byteAt(100));
    EXPECT_EQ(inside.buffer[63], byteAt(163));
    EXPECT_TRUE(inside.syncPoint);
    EXPECT_EQ(inside.stop, 164 * kUnit) << "times inside the stream stay";

    FakeSample past(0, 4096 * kUnit);
    EXPECT_EQ(reader->SyncReadAligned(&past), S_FALSE);
    EXPECT_EQ(past.actualLength, 1000);
    EXPECT_EQ(past.start, 0);
    EXPECT_EQ(past.stop, 1000 * kUnit);
    EXPECT_EQ(past.buffer[999], byteAt(999));

    // A start between whole bytes is rounded down when the times are rewritten.
    FakeSample fractional(900 * kUnit + 5, 2000 * kUnit);
    EXPECT_EQ(reader->SyncReadAligned(&fractional), S_FALSE);
    EXPECT_EQ(fractional.start, 900 * kUnit);
    EXPECT_EQ(fractional.actualLength, 100);
}

TEST_F(AsyncReader, SyncReadAlignedRefusesWhatCannotBeRead) {
    EXPECT_EQ(reader->SyncReadAligned(nullptr), E_POINTER);
    FakeSample untimed;
    EXPECT_EQ(reader->SyncReadAligned(&untimed), E_FAIL);
    FakeSample negative(-kUnit, 10 * kUnit);
    EXPECT_EQ(reader->SyncReadAligned(&negative), E_FAIL);
    FakeSample atEnd(1000 * kUnit, 1100 * kUnit);
    EXPECT_EQ(reader->SyncReadAligned(&atEnd), E_FAIL);
    FakeSample empty(10 * kUnit, 10 * kUnit);
    EXPECT_EQ(reader->SyncReadAligned(&empty), E_FAIL);
    FakeSample tooSmall(0, 100 * kUnit, 99);
    EXPECT_EQ(reader->SyncReadAligned(&tooSmall), E_FAIL);
    EXPECT_EQ(tooSmall.actualLength, -1) << "a refused read leaves the sample alone";
}

TEST_F(AsyncReader, RawTimestampModeReadsByteOffsetsDirectly) {
    ComPtr<IAMAsyncReaderTimestampScaling> scaling;
    ASSERT_EQ(reader->QueryInterface(__uuidof(IAMAsyncReaderTimestampScaling), scaling.putVoid()), S_OK);
    ASSERT_EQ(scaling->SetTimestampMode(TRUE), S_OK);
    FakeSample raw(0, 512);
    EXPECT_EQ(reader->SyncReadAligned(&raw), S_OK);
    EXPECT_EQ(raw.actualLength, 512);
    EXPECT_EQ(raw.buffer[511], byteAt(511));

    FakeSample rawPast(900, 1200);
    EXPECT_EQ(reader->Request(&rawPast, 1), S_OK);
    IMediaSample* done = nullptr;
    DWORD_PTR user = 0;
    EXPECT_EQ(reader->WaitForNext(0, &done, &user), S_FALSE);
    EXPECT_EQ(rawPast.stop, 1000) << "rewritten in bytes, not scaled";

    FakeSample rawEnd(1000, 1001);
    EXPECT_EQ(reader->Request(&rawEnd, 2), kEndOfFile);
}

TEST_F(AsyncReader, AQueuedRequestIsCarriedOutByWaitForNext) {
    FakeSample sample(0, 4096 * kUnit);
    ASSERT_EQ(reader->Request(&sample, 77), S_OK);
    IMediaSample* done = nullptr;
    DWORD_PTR user = 0;
    EXPECT_EQ(reader->WaitForNext(0, &done, &user), S_FALSE);
    EXPECT_EQ(done, &sample);
    EXPECT_EQ(user, 77u);
    EXPECT_EQ(sample.actualLength, 1000);
    EXPECT_EQ(sample.stop, 1000 * kUnit);
    EXPECT_EQ(sample.refs, 1u) << "queued samples are not counted";
}

TEST_F(AsyncReader, RequestsComeBackInTheOrderTheyWereQueued) {
    FakeSample first(0, 10 * kUnit), second(10 * kUnit, 20 * kUnit);
    ASSERT_EQ(reader->Request(&first, 1), S_OK);
    ASSERT_EQ(reader->Request(&second, 2), S_OK);
    IMediaSample* done = nullptr;
    DWORD_PTR user = 0;
    EXPECT_EQ(reader->WaitForNext(0, &done, &user), S_OK);
    EXPECT_EQ(user, 1u);
    EXPECT_EQ(reader->WaitForNext(0, &done, &user), S_OK);
    EXPECT_EQ(user, 2u);
    EXPECT_EQ(second.buffer[0], byteAt(10));
}

TEST_F(AsyncReader, RequestRefusesUntimedSamplesAndStartsAtTheEnd) {
    EXPECT_EQ(reader->Request(nullptr, 0), E_POINTER);
    FakeSample untimed;
    EXPECT_EQ(reader->Request(&untimed, 0), VFW_E_SAMPLE_TIME_NOT_SET);
    FakeSample startOnly;
    startOnly.timeState = VFW_S_NO_STOP_TIME;
    EXPECT_EQ(reader->Request(&startOnly, 0), VFW_E_SAMPLE_TIME_NOT_SET);
    FakeSample atEnd(1000 * kUnit, 1100 * kUnit);
    EXPECT_EQ(reader->Request(&atEnd, 0), kEndOfFile);

    IMediaSample* done = reinterpret_cast<IMediaSample*>(1);
    DWORD_PTR user = 5;
    EXPECT_EQ(reader->WaitForNext(0, &done, &user), VFW_E_TIMEOUT) << "nothing refused was queued";
    EXPECT_EQ(done, nullptr);
    EXPECT_EQ(user, 0u);
    EXPECT_EQ(reader->WaitForNext(0, nullptr, &user), E_POINTER);
    EXPECT_EQ(reader->WaitForNext(0, &done, nullptr), E_POINTER);
}

TEST_F(AsyncReader, AWaitingWaitForNextIsServedByARequestFromAnotherThread) {
    FakeSample sample(5 * kUnit, 15 * kUnit);
    auto waiting = std::async(std::launch::async, [&] {
        IMediaSample* done = nullptr;
        DWORD_PTR user = 0;
        const HRESULT hr = reader->WaitForNext(30000, &done, &user);
        return std::make_pair(hr, done);
    });
    ASSERT_EQ(reader->Request(&sample, 3), S_OK);
    const auto result = waiting.get();
    EXPECT_EQ(result.first, S_OK);
    EXPECT_EQ(result.second, &sample);
    EXPECT_EQ(sample.buffer[0], byteAt(5));
}

TEST_F(AsyncReader, BeginFlushReleasesAWaitForNextBlockedOnAnEmptyQueue) {
    std::promise<void> entered;
    auto waiting = std::async(std::launch::async, [&] {
        IMediaSample* done = reinterpret_cast<IMediaSample*>(1);
        DWORD_PTR user = 0;
        entered.set_value();
        const HRESULT hr = reader->WaitForNext(INFINITE, &done, &user);
        return std::make_pair(hr, done);
    });
    entered.get_future().wait();
    EXPECT_EQ(reader->BeginFlush(), S_OK);
    ASSERT_EQ(waiting.wait_for(std::chrono::seconds(30)), std::future_status::ready) << "still blocked";
    const auto result = waiting.get();
    EXPECT_EQ(result.first, VFW_E_TIMEOUT);
    EXPECT_EQ(result.second, nullptr);
    EXPECT_EQ(reader->EndFlush(), S_OK);
}

TEST_F(AsyncReader, AFlushHandsBackQueuedRequestsEmptyAndRefusesNewOnes) {
    FakeSample first(0, 100 * kUnit), second(100 * kUnit, 200 * kUnit);
    // Queued by another thread, as a parser's streaming thread does.
    std::thread([&] {
        EXPECT_EQ(reader->Request(&first, 1), S_OK);
        EXPECT_EQ(reader->Request(&second, 2), S_OK);
    }).join();

    EXPECT_EQ(reader->BeginFlush(), S_OK);
    EXPECT_EQ(reader->BeginFlush(), S_FALSE);
    FakeSample late(0, kUnit);
    EXPECT_EQ(reader->Request(&late, 3), VFW_E_WRONG_STATE);

    IMediaSample* done = nullptr;
    DWORD_PTR user = 0;
    EXPECT_EQ(reader->WaitForNext(INFINITE, &done, &user), VFW_E_TIMEOUT);
    EXPECT_EQ(done, &first);
    EXPECT_EQ(user, 1u);
    EXPECT_EQ(first.stop, first.start);
    EXPECT_EQ(first.actualLength, 0);
    EXPECT_EQ(reader->WaitForNext(INFINITE, &done, &user), VFW_E_TIMEOUT);
    EXPECT_EQ(done, &second);
    EXPECT_EQ(second.stop, 100 * kUnit);
    EXPECT_EQ(second.actualLength, 0);
    EXPECT_EQ(reader->WaitForNext(INFINITE, &done, &user), VFW_E_TIMEOUT) << "the flush ends the wait";
    EXPECT_EQ(done, nullptr);

    EXPECT_EQ(reader->EndFlush(), S_OK);
    EXPECT_EQ(reader->EndFlush(), S_FALSE);
}

TEST_F(AsyncReader, AfterAFlushAnEmptyQueueWaitsAgainAndNewRequestsAreRead) {
    FakeSample first(0, 100 * kUnit), second(100 * kUnit, 200 * kUnit);
    ASSERT_EQ(reader->Request(&first, 1), S_OK);
    ASSERT_EQ(reader->Request(&second, 2), S_OK);
    ASSERT_EQ(reader->BeginFlush(), S_OK);
    IMediaSample* done = nullptr;
    DWORD_PTR user = 0;
    EXPECT_EQ(reader->WaitForNext(0, &done, &user), VFW_E_TIMEOUT);
    EXPECT_EQ(reader->WaitForNext(0, &done, &user), VFW_E_TIMEOUT);
    ASSERT_EQ(reader->EndFlush(), S_OK);

    // The requests drained by the flush leave no wake-up behind.
    EXPECT_EQ(reader->WaitForNext(0, &done, &user), VFW_E_TIMEOUT);
    EXPECT_EQ(done, nullptr);

    FakeSample again(200 * kUnit, 300 * kUnit);
    ASSERT_EQ(reader->Request(&again, 9), S_OK);
    EXPECT_EQ(reader->WaitForNext(0, &done, &user), S_OK);
    EXPECT_EQ(done, &again);
    EXPECT_EQ(again.buffer[0], byteAt(200));
}

TEST_F(AsyncReader, EmptyStreamRefusesEveryRequestAsEndOfFile) {
    auto empty = ComPtr<MemSourceFilter>::attach(new MemSourceFilter);
    IAsyncReader& nothing = empty->reader();
    LONGLONG total = -1, available = -1;
    EXPECT_EQ(nothing.Length(&total, &available), S_OK);
    EXPECT_EQ(total, 0);
    FakeSample sample(0, kUnit);
    EXPECT_EQ(nothing.Request(&sample, 0), kEndOfFile);
    BYTE byte = 0;
    EXPECT_EQ(nothing.SyncRead(0, 1, &byte), E_FAIL);
    EXPECT_EQ(nothing.SyncReadAligned(&sample), E_FAIL);
}

TEST_F(AsyncReader, RequestAllocatorFillsInDefaultsAndChecksItsPointers) {
    ALLOCATOR_PROPERTIES zero{};
    ComPtr<IMemAllocator> allocator;
    ASSERT_EQ(reader->RequestAllocator(nullptr, &zero, allocator.put()), S_OK);
    ASSERT_TRUE(allocator);
    ALLOCATOR_PROPERTIES granted{};
    ASSERT_EQ(allocator->GetProperties(&granted), S_OK);
    EXPECT_EQ(granted.cBuffers, 4);
    EXPECT_EQ(granted.cbBuffer, 4096);
    EXPECT_EQ(granted.cbAlign, 1);

    // A preferred allocator is the one handed back, configured as asked.
    ALLOCATOR_PROPERTIES asked{2, 8192, 1, 0};
    ComPtr<IMemAllocator> second;
    ASSERT_EQ(reader->RequestAllocator(allocator.get(), &asked, second.put()), S_OK);
    EXPECT_EQ(second.get(), allocator.get());
    ASSERT_EQ(second->GetProperties(&granted), S_OK);
    EXPECT_EQ(granted.cBuffers, 2);
    EXPECT_EQ(granted.cbBuffer, 8192);

    IMemAllocator* out = reinterpret_cast<IMemAllocator*>(1);
    EXPECT_EQ(reader->RequestAllocator(nullptr, nullptr, &out), E_POINTER);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(reader->RequestAllocator(nullptr, &zero, nullptr), E_POINTER);
}

TEST_F(AsyncReader, SharesTheFiltersCountAndAnswersForThePinsInterfaces) {
    EXPECT_EQ(reader->AddRef(), 2u);
    EXPECT_EQ(filter->AddRef(), 3u);
    EXPECT_EQ(reader->Release(), 2u);
    EXPECT_EQ(filter->Release(), 1u);

    ComPtr<IPin> pin;
    EXPECT_EQ(reader->QueryInterface(IID_IPin, pin.putVoid()), S_OK);
    EXPECT_EQ(pin.get(), static_cast<IPin*>(filter->outputPin()));
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(reader->QueryInterface(IID_IUnknown, unknown.putVoid()), S_OK);
    EXPECT_EQ(unknown.get(), static_cast<IUnknown*>(filter->outputPin()));
    ComPtr<IAsyncReader> self;
    EXPECT_EQ(reader->QueryInterface(IID_IAsyncReader, self.putVoid()), S_OK);
    EXPECT_EQ(self.get(), reader);
    ComPtr<IBaseFilter> notHere;
    EXPECT_EQ(reader->QueryInterface(IID_IBaseFilter, notHere.putVoid()), E_NOINTERFACE);
    EXPECT_FALSE(notHere);
    EXPECT_EQ(reader->QueryInterface(IID_IPin, nullptr), E_POINTER);
    EXPECT_EQ(filter->AddRef(), 5u) << "every interface handed out holds one count";
    filter->Release();
}

}  // namespace
}  // namespace melodrift
