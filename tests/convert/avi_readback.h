// Reads an AVI back through libavformat's demuxer, the way a player would.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct AviPacket {
    int stream = -1;
    std::vector<std::uint8_t> data;
    bool key = false;
    std::int64_t dts = 0; // in the stream's time base
};

struct AviStreamInfo {
    int codecType = -1; // AVMediaType
    int codecId = 0;    // AVCodecID
    int width = 0, height = 0;
    int sampleRate = 0, channels = 0, blockAlign = 0, bitsPerCodedSample = 0;
    std::int64_t bitRate = 0;
    int timeBaseNum = 0, timeBaseDen = 0;
    std::vector<std::uint8_t> extradata;
};

struct AviContents {
    std::vector<AviStreamInfo> streams;
    std::vector<AviPacket> packets;
    double durationSeconds = 0;
};

// Throws std::runtime_error when the file cannot be demuxed.
AviContents ReadAvi(const std::string& path);

struct DecodeCounts {
    int videoFrames = 0;
    int audioFrames = 0;
    std::int64_t audioSamples = 0;
    int errors = 0;
    int width = 0, height = 0;
};

// Null when libavcodec has decoders for both streams; otherwise why not (the
// FFmpeg of the Windows and bundled builds has none).
const char* WhyNoDecoders();
// Decodes every packet of both streams with libavcodec.
DecodeCounts DecodeAvi(const std::string& path);

// The data chunks of the movi list in file order: what a player reads.
struct MoviChunk {
    int stream = -1;
    std::string type; // "dc", "wb"
    std::size_t size = 0;
    bool key = false; // as the index marks it
};
std::vector<MoviChunk> ReadMoviChunks(const std::string& path);

// dwSampleSize of the audio stream header ("strh" of type "auds").
std::uint32_t AudioSampleSize(const std::string& path);
