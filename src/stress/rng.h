// The generator's random numbers: SplitMix64, written out so that a seed gives the
// same stream on every compiler and library (the standard distributions do not).
#pragma once

#include <cstdint>

namespace stress {

class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // A number in [0, bound); bound 0 gives 0.
    std::uint64_t below(std::uint64_t bound) { return bound == 0 ? 0 : next() % bound; }
    // A number in [low, high].
    std::int64_t between(std::int64_t low, std::int64_t high) {
        return low + static_cast<std::int64_t>(below(static_cast<std::uint64_t>(high - low) + 1));
    }
    // True with probability percent / 100.
    bool chance(unsigned percent) { return below(100) < percent; }

private:
    std::uint64_t state_;
};

}  // namespace stress
