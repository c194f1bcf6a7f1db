#include "tools/recgen/test_picture.h"

#include <cstdlib>

#include "tools/recgen/seeded_random.h"

namespace recgen {
namespace {

constexpr int kBoxSize = 96;

// Position on a path that runs from 0 to span and back.
int Bounce(int position, int span) {
    if (span <= 0) {
        return 0;
    }
    const int period = 2 * span;
    const int p = position % period;
    return p <= span ? p : period - p;
}

} // namespace

TestPicture::TestPicture(std::uint32_t seed) : m_noiseState(seed) {
    SeededRandom random(seed);
    m_boxStartX = static_cast<int>(random.Below(600));
    m_boxStartY = static_cast<int>(random.Below(400));
    m_boxU = static_cast<std::uint8_t>(random.Below(256));
    m_boxV = static_cast<std::uint8_t>(random.Below(256));
    m_noiseState = random.Next();
}

void TestPicture::Draw(int index, AVFrame* frame) {
    const int width = frame->width;
    const int height = frame->height;
    const int boxX = Bounce(m_boxStartX + 7 * index, width - kBoxSize);
    const int boxY = Bounce(m_boxStartY + 3 * index, height - kBoxSize);
    // Noise from a generator that advances with the frames, so no two frames
    // are alike while the file as a whole stays reproducible.
    SeededRandom noise(m_noiseState + static_cast<std::uint64_t>(index));

    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = frame->data[0] + static_cast<std::ptrdiff_t>(y) * frame->linesize[0];
        const bool inBoxRows = y >= boxY && y < boxY + kBoxSize;
        std::uint64_t bits = 0;
        for (int x = 0; x < width; ++x) {
            if ((x & 15) == 0) {
                bits = noise.Next();
            }
            int value = 16 + ((x + y / 2 + 2 * index) & 0xFF) * 200 / 255;
            if (inBoxRows && x >= boxX && x < boxX + kBoxSize) {
                value = 235 - value / 4;
            }
            value += static_cast<int>(bits & 3) - 1;
            bits >>= 4;
            row[x] = static_cast<std::uint8_t>(value);
        }
    }
    for (int plane = 1; plane <= 2; ++plane) {
        const std::uint8_t boxColour = plane == 1 ? m_boxU : m_boxV;
        for (int y = 0; y < height / 2; ++y) {
            std::uint8_t* row =
                frame->data[plane] + static_cast<std::ptrdiff_t>(y) * frame->linesize[plane];
            const bool inBoxRows = 2 * y >= boxY && 2 * y < boxY + kBoxSize;
            for (int x = 0; x < width / 2; ++x) {
                const bool inBox = inBoxRows && 2 * x >= boxX && 2 * x < boxX + kBoxSize;
                row[x] = inBox ? boxColour
                               : static_cast<std::uint8_t>(plane == 1 ? 96 + (y + index) % 64
                                                                      : 96 + (x + y) % 64);
            }
        }
    }
}

} // namespace recgen
