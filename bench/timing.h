#pragma once

// Timing shared by the benchmarks: a monotonic clock and the median of repeated runs.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace melodrift::bench {

inline double nowMs() {
    static const double ticksPerMs = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / ticksPerMs;
}

inline double median(std::vector<double> times) {
    if (times.empty()) return 0;
    std::sort(times.begin(), times.end());
    const size_t middle = times.size() / 2;
    return times.size() % 2 ? times[middle] : (times[middle - 1] + times[middle]) / 2;
}

// Runs each of the two passes times, alternating which goes first, so that drift in
// the machine's speed hits both.
template <typename First, typename Second>
void alternate(int passes, First first, Second second) {
    for (int i = 0; i < passes; ++i) {
        if (i % 2) {
            second();
            first();
        } else {
            first();
            second();
        }
    }
}

// The user's temporary folder, with its trailing separator.
inline std::wstring tempDirectory() {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    return std::wstring(temp, length);
}

}  // namespace melodrift::bench
