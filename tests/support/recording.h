#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace melodrift::test {

// What the null sink played, as parec writes it to a file during the run: 16-bit mono at
// kRate. Positions are byte offsets into that file, so "from here on" is its size now.
class Recording {
public:
    static constexpr int kRate = 16000;
    static constexpr size_t kBytesPerSecond = kRate * 2;
    static std::wstring path();  // empty when the run records nothing (audio checks skip)
    size_t mark() const;
    // Waits until seconds more of sound than at `from` were recorded.
    bool waitFor(size_t from, double seconds, unsigned timeoutMs = 30000) const;
    std::vector<int16_t> samples(size_t from, size_t to) const;
};

struct ToneReport {
    double toneSeconds = 0;   // time in which the frequency dominates
    double loudSeconds = 0;   // time with any sound at all
    double firstToneAt = -1;  // seconds from the stretch's start
    double lastToneAt = -1;
    std::string describe() const;
};

ToneReport analyseTone(const std::vector<int16_t>& samples, double frequency);

}  // namespace melodrift::test
