// Writes synthetic .264 recordings: a 512-byte header with four rate records,
// then interleaved chunks of real H.264 video (libx264, 720x576 unless told
// otherwise, optionally changing size part-way) and real IMA
// ADPCM audio (mono, 8000 Hz, a tone), optionally damaged on purpose. The same
// options and seed always give a byte-identical file.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace recgen {

struct RateRecordSpec {
    bool inUse = false;
    std::uint8_t rateByte = 0;
};

struct Options {
    int frames = 50; // video frames (chunks) to write; ignored when targetBytes > 0
    int rate = 25;   // frames per second used for encoding and audio interleave
    int keyInterval = 25;
    // Header rate records, written as given (byte 0 = in-use flag, byte 1 = rate byte).
    std::array<RateRecordSpec, 4> records{{{true, 25}, {}, {}, {}}};
    bool audio = true;
    std::uint32_t seed = 1;
    int videoExtensionBytes = 0; // E of each video chunk, 0..65535
    // Lead byte of every tag: '0' when false; when true a seeded byte in '0'..'@'.
    bool varyTagLead = false;

    // The picture: even sizes from 16 to 8192; a sample aspect ratio in the
    // SPS's VUI when sarNum > 0 (none by default).
    int width = 720, height = 576;
    int sarNum = 0, sarDen = 0;
    // > 0: from this video frame on the picture is resizeWidth x resizeHeight,
    // from a fresh encoder whose first frame is a key frame (key frames then
    // fall every keyInterval frames from there). Not with targetBytes.
    int resizeAt = 0;
    int resizeWidth = 0, resizeHeight = 0;

    // Damage.
    int garbageEvery = 0;      // > 0: after every Nth chunk (any kind) insert garbage bytes
    int garbageBytes = 37;     // garbage bytes are >= 0x80, so no tag can form in or across them
    bool truncateLast = false; // cut the file in the middle of the last chunk
    // >= 0: the video chunk with this index (counting video chunks only, 0 = first
    // frame) declares N = 0xFFFFFFF0; its real bytes still follow.
    int bogusLengthAt = -1;

    // Large files for benchmarks: > 0 => encode one keyInterval-long group of frames,
    // then repeat its packets (audio keeps being encoded) until the file reaches at
    // least this many bytes, ending after a whole video chunk.
    std::int64_t targetBytes = 0;
};

enum ChunkRecordKind : int { kKeyVideo = 1, kVideo = 2, kAudio = 4 };

struct ChunkRecord {
    int kind = 0;                   // ChunkRecordKind: 1 key video, 2 video, 4 audio
    std::int64_t offset = 0;        // file offset of the tag
    std::int64_t chunkBytes = 0;    // 24+E+N or 8+L; for damaged chunks what is really in the file
    std::int64_t payloadOffset = 0; // file offset of the payload (tag + 24+E, or tag + 12)
    std::int64_t payloadBytes = 0;  // for damaged chunks: payload bytes really in the file
    bool damaged = false;           // truncated or bogus length: a reader must drop it
};

struct Manifest {
    std::vector<ChunkRecord> chunks; // in file order
    std::int64_t fileBytes = 0;
    std::int64_t videoFrames = 0, keyFrames = 0, audioBlocks = 0; // intact ones
    std::int64_t garbageRuns = 0; // runs of garbage bytes inserted between chunks
};

// Writes the recording (through PATH.part, renamed into place only when complete).
// `manifest` may be null (large files). Returns false with *error = "PATH: cause".
bool Generate(const std::string& path, const Options& options, Manifest* manifest,
              std::string* error);

// The whole content of a file; throws std::runtime_error("PATH: cause") when it
// cannot be read.
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);

} // namespace recgen
