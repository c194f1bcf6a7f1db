// The moving picture the generator encodes: a drifting gradient, a box that
// bounces across it and a little noise, all from the seed.
#pragma once

#include <cstdint>

extern "C" {
#include <libavutil/frame.h>
}

namespace recgen {

class TestPicture {
public:
    explicit TestPicture(std::uint32_t seed);
    // Draws frame number `index` into a writable yuv420p frame.
    void Draw(int index, AVFrame* frame);

private:
    std::uint64_t m_noiseState;
    int m_boxStartX;
    int m_boxStartY;
    std::uint8_t m_boxU;
    std::uint8_t m_boxV;
};

} // namespace recgen
