#include "tools/recgen/ima_adpcm_encoder.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

#include "tools/recgen/seeded_random.h"

namespace recgen {
namespace {

constexpr int kIndexTable[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

constexpr int kStepTable[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

} // namespace

std::uint8_t ImaAdpcmEncoder::EncodeSample(int sample) {
    // The predictor is advanced exactly as a decoder will, so the two never drift.
    int step = kStepTable[m_index];
    int diff = sample - m_predictor;
    std::uint8_t nibble = 0;
    if (diff < 0) {
        nibble = 8;
        diff = -diff;
    }
    int delta = step >> 3;
    if (diff >= step) {
        nibble |= 4;
        diff -= step;
        delta += step;
    }
    step >>= 1;
    if (diff >= step) {
        nibble |= 2;
        diff -= step;
        delta += step;
    }
    step >>= 1;
    if (diff >= step) {
        nibble |= 1;
        delta += step;
    }
    m_predictor += (nibble & 8) ? -delta : delta;
    m_predictor = std::clamp(m_predictor, -32768, 32767);
    m_index = std::clamp(m_index + kIndexTable[nibble], 0, 88);
    return nibble;
}

void ImaAdpcmEncoder::EncodeBlock(const std::int16_t* samples, std::uint8_t* block) {
    m_predictor = samples[0];
    const auto first = static_cast<std::uint16_t>(samples[0]);
    block[0] = static_cast<std::uint8_t>(first & 0xFF);
    block[1] = static_cast<std::uint8_t>(first >> 8);
    block[2] = static_cast<std::uint8_t>(m_index);
    block[3] = 0;
    for (int i = 0; i < (kImaSamplesPerBlock - 1) / 2; ++i) {
        const std::uint8_t low = EncodeSample(samples[1 + 2 * i]);
        const std::uint8_t high = EncodeSample(samples[2 + 2 * i]);
        block[4 + i] = static_cast<std::uint8_t>(low | (high << 4));
    }
}

ToneSource::ToneSource(int frequency, double amplitude, std::uint32_t seed) {
    SeededRandom random(seed ^ 0x70AE5EEDu);
    const double phase = 2.0 * std::numbers::pi * static_cast<double>(random.Below(3600)) / 3600.0;
    // The tone repeats exactly after rate / gcd(rate, frequency) samples.
    const int periodSamples = kImaSampleRate / std::gcd(kImaSampleRate, frequency);
    m_period.resize(static_cast<std::size_t>(periodSamples));
    for (int i = 0; i < periodSamples; ++i) {
        const double t = static_cast<double>(i) * frequency / kImaSampleRate;
        m_period[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(
            std::lround(amplitude * std::sin(phase + 2.0 * std::numbers::pi * t)));
    }
}

void ToneSource::Fill(std::int16_t* samples, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        samples[i] = m_period[m_position];
        m_position = m_position + 1 == m_period.size() ? 0 : m_position + 1;
    }
}

} // namespace recgen
