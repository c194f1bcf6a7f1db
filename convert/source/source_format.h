// Layout of a .264 recording: a 512-byte header with four rate records,
// then tagged chunks of H.264 video and IMA ADPCM audio. All fields are
// little-endian.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Kind bits, combined into an int mask for the tag search.
enum ChunkKind : int {
    KIND_KEY_VIDEO = 1, // x '0' "dcH264": video, written as a key frame
    KIND_VIDEO = 2,     // x '1' "dcH264": video, written without the key flag
    KIND_AUDIO = 4,     // x '3' "wb": audio
};
constexpr int kAllChunkKinds = KIND_KEY_VIDEO | KIND_VIDEO | KIND_AUDIO;

// The fallback frame rate a user may choose, and the one offered first. A
// header's own rate may be up to 31.
constexpr int kMinFrameRate = 1;
constexpr int kMaxFrameRate = 30;
constexpr int kDefaultFrameRate = 25;

constexpr std::size_t kHeaderBytes = 512;
constexpr std::size_t kRateRecordCount = 4;
constexpr std::size_t kFirstRateRecordOffset = 100;
constexpr std::size_t kRateRecordBytes = 40;

// Video chunk: tag(8) N(4) E(2) unused(10) extension(E) payload(N).
constexpr std::size_t kVideoHeadBytes = 24;
constexpr std::size_t kVideoPayloadSizeOffset = 8;
constexpr std::size_t kVideoExtensionSizeOffset = 12;
// Audio chunk: tag(4) unused(2) L(2) unused(4) payload(L - 4); L counts the
// bytes behind the first 8.
constexpr std::size_t kAudioHeadBytes = 8;
constexpr std::size_t kAudioLengthOffset = 6;
constexpr std::size_t kAudioPayloadOffset = 12;
// The block's data bytes, stored with their nibbles exchanged.
constexpr std::size_t kAudioSwapFirst = 16;
constexpr std::size_t kAudioSwapLast = 175;

// Puts the nibbles of an audio chunk's data bytes back in the order players
// expect. Never touches bytes past the chunk's `chunkBytes`.
void ExchangeAudioNibbles(std::uint8_t* chunk, std::int64_t chunkBytes);

// Every position tested needs this many bytes from it to the end of the data.
constexpr std::size_t kTagProbeBytes = 8;

struct RateRecord {
    bool inUse = false;
    std::uint8_t rateByte = 0;
    int decodedRate = 0; // 0 stands for "no rate"
};

// Rate encoded in one rate byte: the low five bits, or 1 when the top two
// bits are both set.
int DecodeRateByte(std::uint8_t b);

// The four rate records of a header (missing bytes count as zero).
std::array<RateRecord, kRateRecordCount> ReadRateRecords(const std::uint8_t* header,
                                                         std::size_t headerBytes);

// The last in-use record's decoded rate, or 0 when the header gives none.
int DecodeHeaderRate(const std::uint8_t* header, std::size_t headerBytes);

// Position of the first tag at or after `start` whose kind is in *kinds
// (any kind when kinds is null), or -1. On a hit *kinds becomes the kind's
// single bit; on a miss it is left alone. A tag needs 8 bytes from its start
// to the end of the data, so one in the last 7 bytes is not found.
std::int64_t FindChunkTag(const std::uint8_t* buffer, std::int64_t start, std::int64_t length,
                          int* kinds);

std::uint16_t ReadLe16(const std::uint8_t* p);
std::uint32_t ReadLe32(const std::uint8_t* p);
