#pragma once

#include "support/files.h"
#include "support/notify_window.h"
#include "support/recording.h"

#include <gtest/gtest.h>

namespace melodrift::test {

// A test that plays real sound: COM for the graph, a window for its messages, the sound server's recording.
class AudioTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        if (Recording::path().empty()) GTEST_SKIP() << "no sound server recording in this run";
    }
    void TearDown() override { CoUninitialize(); }

    // The recorded stretch from `from` until `seconds` after now, once it has arrived.
    std::vector<int16_t> recordedSince(size_t from, double seconds = 1.0) {
        const size_t now = recording.mark();
        EXPECT_TRUE(recording.waitFor(now, seconds)) << "the recorder stalled";
        return recording.samples(from, recording.mark());
    }

    Recording recording;
    NotifyWindow window;
};

}  // namespace melodrift::test
