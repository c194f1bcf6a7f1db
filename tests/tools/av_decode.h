// Independent checks of generated payloads with libavcodec's own decoders.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct DecodedVideo {
    int frames = 0;
    int width = 0, height = 0; // of the last frame
    int firstWidth = 0, firstHeight = 0;
    int sarNum = 0, sarDen = 0; // of the last frame; 0:1 when the stream gives none
    std::string error;          // empty when every packet decoded cleanly
};

// Feeds the access units, in order, to a fresh h264 decoder and drains it.
DecodedVideo DecodeH264(const std::vector<std::span<const std::uint8_t>>& accessUnits);

// Decodes one 164-byte IMA ADPCM block (WAV layout, mono, 8000 Hz); appends
// its samples. Returns the error text, empty on success.
std::string DecodeImaBlock(std::span<const std::uint8_t> block, std::vector<std::int16_t>* out);
