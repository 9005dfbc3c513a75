#pragma once

#include <cstdint>

namespace melodrift {

// A xor-shift generator with 128 bits of state: cheap keys for shuffling rows.
struct XorShift {
    uint32_t x = 0, y = 0, z = 0, w = 0;

    uint32_t next() {
        const uint32_t t = x ^ (x << 15);
        x = y;
        y = z;
        z = w;
        w = w ^ t ^ ((t ^ (w >> 17)) >> 4);
        return w;
    }
};

}  // namespace melodrift
