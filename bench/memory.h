#pragma once

// The process's private memory, for the benchmarks that weigh what playing costs.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace melodrift::bench {

inline SIZE_T privateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    // Wine leaves PrivateUsage at zero; the commit charge is the same figure there.
    return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

// The highest private memory seen from construction to stop(), read every millisecond
// on a thread of its own, so that a short-lived peak inside a call is seen too.
class PeakSampler {
public:
    PeakSampler()
        : peak_(privateBytes()), thread_([this] {
              while (!stop_) {
                  const SIZE_T now = privateBytes();
                  if (now > peak_) peak_ = now;
                  Sleep(1);  // sampling interval, not a wait for an outcome
              }
          }) {}
    ~PeakSampler() { stop(); }
    SIZE_T stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        return std::max<SIZE_T>(peak_, privateBytes());
    }

private:
    std::atomic<SIZE_T> peak_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace melodrift::bench
