// IMA ADPCM in the WAV block layout (mono): a 4-byte header holding the first
// sample and the step index, then two samples per byte, low nibble first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace recgen {

constexpr int kImaBlockBytes = 164;
constexpr int kImaSamplesPerBlock = 321; // one in the header, two per data byte
constexpr int kImaSampleRate = 8000;

class ImaAdpcmEncoder {
public:
    // Encodes kImaSamplesPerBlock samples into kImaBlockBytes bytes. The step
    // index carries over from block to block, as a continuous encoder would.
    void EncodeBlock(const std::int16_t* samples, std::uint8_t* block);

private:
    std::uint8_t EncodeSample(int sample);

    int m_predictor = 0;
    int m_index = 0;
};

// A sine tone at a whole number of hertz, sample by sample; the phase comes
// from the seed. One exact period is computed once and then repeated, which
// keeps multi-gigabyte benchmark files cheap.
class ToneSource {
public:
    ToneSource(int frequency, double amplitude, std::uint32_t seed);
    void Fill(std::int16_t* samples, std::size_t count);

private:
    std::vector<std::int16_t> m_period;
    std::size_t m_position = 0;
};

} // namespace recgen
