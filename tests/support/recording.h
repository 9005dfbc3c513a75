#pragma once

#include "base/unique_handle.h"
#include "support/files.h"
#include "support/wait.h"

#include <cmath>
#include <ostream>

namespace melodrift::test {

// What the null sink played, as parec writes it to a file during the run: 16-bit mono at
// kRate. Positions are byte offsets into that file, so "from here on" is its size now.
class Recording {
public:
    static constexpr int kRate = 16000;
    static constexpr size_t kBytesPerSecond = kRate * 2;
    // Empty when the run records nothing (audio checks skip).
    static std::wstring path() { return environmentVariable(L"MELODRIFT_RECORDING"); }
    size_t mark() const {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        return GetFileAttributesExW(path().c_str(), GetFileExInfoStandard, &data) ? data.nFileSizeLow & ~size_t(1) : 0;
    }
    // Waits until seconds more of sound than at `from` were recorded.
    bool waitFor(size_t from, double seconds, unsigned timeoutMs = 30000) const {
        return waitUntil([&] { return mark() >= from + size_t(seconds * kBytesPerSecond); }, timeoutMs);
    }
    std::vector<int16_t> samples(size_t from, size_t to) const {
        const FileHandle file(CreateFileW(
            path().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        std::vector<int16_t> result(file && to > from ? (to - from) / 2 : 0);
        LARGE_INTEGER offset{};
        offset.QuadPart = LONGLONG(from & ~size_t(1));
        DWORD got = 0;
        if (!result.empty() && SetFilePointerEx(file.get(), offset, nullptr, FILE_BEGIN))
            ReadFile(file.get(), result.data(), DWORD(result.size() * 2), &got, nullptr);
        result.resize(got / 2);
        return result;
    }
};

struct ToneReport {
    double toneSeconds = 0;            // time in which the frequency dominates
    double loudSeconds = 0;            // time with any sound at all
    double firstAt = -1, endsAt = -1;  // where the first frame of the tone starts and its last ends
};
inline std::ostream& operator<<(std::ostream& out, const ToneReport& report) {
    return out << "tone " << report.toneSeconds << " s, any sound " << report.loudSeconds << " s";
}

// In frames (50 ms unless told): sound when clearly above the null sink's silence, tone when
// most of the frame's energy lies at the frequency (Goertzel).
inline ToneReport analyseTone(const std::vector<int16_t>& samples, double frequency, double frameSeconds = 0.05) {
    const int kFrame = int(Recording::kRate * frameSeconds);
    const double kFrameSeconds = double(kFrame) / Recording::kRate;
    const double coefficient = 2 * std::cos(2 * 3.14159265358979323846 * frequency / Recording::kRate);
    ToneReport report;
    for (size_t start = 0; start + kFrame <= samples.size(); start += kFrame) {
        double energy = 0, s1 = 0, s2 = 0;
        for (int i = 0; i < kFrame; ++i) {
            const double x = samples[start + i] / 32768.0, s0 = x + coefficient * s1 - s2;
            energy += x * x;
            s2 = s1;
            s1 = s0;
        }
        if (std::sqrt(energy / kFrame) < 0.01) continue;
        report.loudSeconds += kFrameSeconds;
        // Power at the frequency relative to the frame's energy: 1 for a pure tone.
        const double power = 2 * (s1 * s1 + s2 * s2 - coefficient * s1 * s2) / (kFrame * energy);
        if (power < 0.5) continue;
        report.toneSeconds += kFrameSeconds;
        report.endsAt = double(start) / Recording::kRate + kFrameSeconds;
        if (report.firstAt < 0) report.firstAt = report.endsAt - kFrameSeconds;
    }
    return report;
}

}  // namespace melodrift::test
