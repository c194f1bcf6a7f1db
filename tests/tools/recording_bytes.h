// Reading generated recordings back in tests, without the converter's code:
// little-endian fields, the tag patterns, and the stored audio nibble order.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "tools/recgen/recording_generator.h"

inline std::uint32_t Le16(const std::vector<std::uint8_t>& b, std::int64_t at) {
    return b[at] | b[at + 1] << 8;
}

inline std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::int64_t at) {
    return Le16(b, at) | Le16(b, at + 2) << 16;
}

// The chunk kind whose tag starts at `at`, or 0.
inline int TagAt(const std::vector<std::uint8_t>& b, std::size_t at) {
    if (at + 4 > b.size() || b[at] < '0' || b[at] > '@') {
        return 0;
    }
    if (b[at + 1] == '3' && b[at + 2] == 'w' && b[at + 3] == 'b') {
        return recgen::kAudio;
    }
    static constexpr std::uint8_t kVideoTail[] = {'d', 'c', 'H', '2', '6', '4'};
    if (at + 8 > b.size() || (b[at + 1] != '0' && b[at + 1] != '1')) {
        return 0;
    }
    for (std::size_t i = 0; i < sizeof kVideoTail; ++i) {
        if (b[at + 2 + i] != kVideoTail[i]) {
            return 0;
        }
    }
    return b[at + 1] == '0' ? recgen::kKeyVideo : recgen::kVideo;
}

inline std::span<const std::uint8_t> PayloadOf(const std::vector<std::uint8_t>& b,
                                               const recgen::ChunkRecord& c) {
    return {b.data() + c.payloadOffset, static_cast<std::size_t>(c.payloadBytes)};
}

// An audio payload as a standard WAV IMA ADPCM block: the data bytes behind
// the 4-byte block header get their nibbles exchanged back.
inline std::vector<std::uint8_t> StandardImaBlock(std::span<const std::uint8_t> payload) {
    std::vector<std::uint8_t> block(payload.begin(), payload.end());
    for (std::size_t i = 4; i < block.size(); ++i) {
        block[i] = static_cast<std::uint8_t>(block[i] >> 4 | block[i] << 4);
    }
    return block;
}
