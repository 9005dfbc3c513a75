#include "support/recording.h"

#include "support/files.h"
#include "support/wait.h"

#include <windows.h>

#include <cmath>
#include <cstdio>

namespace melodrift::test {

std::wstring Recording::path() {
    return environmentVariable(L"MELODRIFT_RECORDING");
}

size_t Recording::mark() const {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path().c_str(), GetFileExInfoStandard, &data)) return 0;
    return data.nFileSizeLow & ~size_t(1);
}

bool Recording::waitFor(size_t from, double seconds, unsigned timeoutMs) const {
    const size_t target = from + static_cast<size_t>(seconds * kBytesPerSecond);
    return waitUntil([&] { return mark() >= target; }, timeoutMs);
}

std::vector<int16_t> Recording::samples(size_t from, size_t to) const {
    std::vector<int16_t> result;
    HANDLE file = CreateFileW(path().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE || to <= from) {
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        return result;
    }
    LARGE_INTEGER offset{};
    offset.QuadPart = static_cast<LONGLONG>(from & ~size_t(1));
    SetFilePointerEx(file, offset, nullptr, FILE_BEGIN);
    result.resize((to - from) / 2);
    DWORD got = 0;
    ReadFile(file, result.data(), static_cast<DWORD>(result.size() * 2), &got, nullptr);
    result.resize(got / 2);
    CloseHandle(file);
    return result;
}

std::string ToneReport::describe() const {
    char text[160];
    snprintf(text, sizeof text, "tone %.2f s (from %.2f to %.2f s), any sound %.2f s", toneSeconds, firstToneAt,
             lastToneAt, loudSeconds);
    return text;
}

// Judged in 50 ms frames: a frame is sound when it is clearly above the silence of the
// null sink, and tone when most of its energy lies at the frequency (Goertzel).
ToneReport analyseTone(const std::vector<int16_t>& samples, double frequency) {
    constexpr int kFrame = Recording::kRate / 20;
    const double frameSeconds = double(kFrame) / Recording::kRate;
    const double coefficient = 2 * std::cos(2 * 3.14159265358979323846 * frequency / Recording::kRate);
    ToneReport report;
    for (size_t start = 0; start + kFrame <= samples.size(); start += kFrame) {
        double energy = 0, s1 = 0, s2 = 0;
        for (int i = 0; i < kFrame; ++i) {
            const double x = samples[start + i] / 32768.0;
            energy += x * x;
            const double s0 = x + coefficient * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        const double rms = std::sqrt(energy / kFrame);
        if (rms < 0.01) continue;
        report.loudSeconds += frameSeconds;
        // Power at the frequency relative to the frame's whole energy (1 for a pure tone).
        const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
        const double share = 2 * power / (kFrame * energy);
        if (share < 0.5) continue;
        const double at = double(start) / Recording::kRate;
        report.toneSeconds += frameSeconds;
        if (report.firstToneAt < 0) report.firstToneAt = at;
        report.lastToneAt = at + frameSeconds;
    }
    return report;
}

}  // namespace melodrift::test
