// Reads an AVI or an MP4 back through libavformat's demuxers, the way a
// player would, and walks the containers' own structure where a player
// relies on it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct MediaPacket {
    int stream = -1;
    std::vector<std::uint8_t> data;
    bool key = false;
    std::int64_t dts = 0; // in the stream's time base
};

struct MediaStreamInfo {
    int codecType = -1; // AVMediaType
    int codecId = 0;    // AVCodecID
    int width = 0, height = 0;
    int sarNum = 0, sarDen = 0; // the stream's pixel shape, as the container gives it
    int sampleRate = 0, channels = 0, blockAlign = 0, bitsPerCodedSample = 0;
    std::int64_t bitRate = 0;
    int timeBaseNum = 0, timeBaseDen = 0;
    // In the time base, after the container's edits (an MP4's edit list).
    std::int64_t startTime = 0, duration = 0;
    std::vector<std::uint8_t> extradata;
};

struct MediaContents {
    std::vector<MediaStreamInfo> streams;
    std::vector<MediaPacket> packets;
    double durationSeconds = 0;
};

// Throws std::runtime_error when the file cannot be demuxed.
MediaContents ReadMedia(const std::string& path);

struct DecodeCounts {
    int videoFrames = 0;
    int audioFrames = 0;
    std::int64_t audioSamples = 0;
    int errors = 0;
    int width = 0, height = 0;
};

// Null when libavcodec has decoders for the streams of both outputs;
// otherwise why not (the FFmpeg of the Windows and bundled builds has no
// AAC decoder).
const char* WhyNoDecoders();
// Decodes every packet of both streams with libavcodec.
DecodeCounts DecodeMedia(const std::string& path);

// The data chunks of the movi list in file order: what a player reads.
struct MoviChunk {
    int stream = -1;
    std::string type; // "dc", "wb"
    std::size_t size = 0;
    bool key = false; // as the index marks it
};
std::vector<MoviChunk> ReadMoviChunks(const std::string& path);

// The types of an MP4's top-level boxes, in file order ("ftyp", "moov", ...).
std::vector<std::string> TopLevelBoxes(const std::string& path);

// dwSampleSize of the audio stream header ("strh" of type "auds").
std::uint32_t AudioSampleSize(const std::string& path);
