#pragma once
// The program's random generator: a linear congruential generator with
// 15-bit results (0 to kMax = 32767), the range the terrain generator's
// rand() / 32767.0 scaling and the palette's rand() % 255 are written for.
// One instance lives in the world; RANDOMIZE reseeds it.

#include <cstdint>
#include <ctime>

namespace cubalorn {

class Random {
public:
    static constexpr int kMax = 32767;

    explicit Random(uint32_t seed = 1) : state_(seed) {}
    void seed(uint32_t seed) { state_ = seed; }
    void seedFromTime() { state_ = static_cast<uint32_t>(std::time(nullptr)); }
    // 0 to kMax inclusive.
    int next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFF);
    }

private:
    uint32_t state_;
};

}  // namespace cubalorn
