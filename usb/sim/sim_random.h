// SimRandom: the simulated station's own small random generator, so a seed gives the same station everywhere.
#pragma once

#include <cstdint>

namespace nimbrel::sim {

// xorshift64* seeded through splitmix64; rand() would differ between C libraries and share state.
class SimRandom {
public:
    explicit SimRandom(std::uint64_t seed = 1) {
        std::uint64_t z = seed + 0x9E3779B97F4A7C15ull;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        state_ = (z ^ (z >> 31)) | 1;
    }

    std::uint64_t next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1Dull;
    }

    // Uniform in [0, 1).
    double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }

    // Uniform integer in [low, high].
    int between(int low, int high) {
        if (high <= low) return low;
        return low + static_cast<int>(next() % static_cast<std::uint64_t>(high - low + 1));
    }

    // Roughly normal with mean 0 and deviation 1 (sum of four uniforms).
    double gauss() { return (uniform() + uniform() + uniform() + uniform() - 2.0) * 1.7320508; }

    // The generator's whole state, to save a station and go on with it later; never 0.
    std::uint64_t state() const { return state_; }
    void setState(std::uint64_t state) { state_ = state == 0 ? 1 : state; }

private:
    std::uint64_t state_;
};

} // namespace nimbrel::sim
