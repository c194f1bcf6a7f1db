// A small generator whose sequence is fixed for a seed on every platform and
// standard library, so generated recordings are byte-identical everywhere.
#pragma once

#include <cstdint>

namespace recgen {

class SeededRandom {
public:
    explicit SeededRandom(std::uint64_t seed) : m_state(seed) {}

    // splitmix64: cheap, and good enough for pictures, noise and filler.
    std::uint64_t Next() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform enough in [0, n) for the small n used here.
    std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(Next() % n); }

private:
    std::uint64_t m_state;
};

} // namespace recgen
