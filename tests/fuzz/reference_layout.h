// The chunk layout of a recording computed from the bytes alone, written
// plainly and without windows, to compare the real reader against.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fuzz {

struct ReferenceChunk {
    int kind = 0; // ChunkKind bit
    std::int64_t offset = 0;
    std::int64_t chunkBytes = 0;
    std::int64_t payloadOffset = 0; // from the tag
};

struct ReferenceLayout {
    std::vector<ReferenceChunk> chunks;
    std::int64_t damaged = 0;
    // Whether the bytes make a recording: a video chunk, or chunks holding
    // at least a tenth of the bytes that are not zero.
    bool isRecording = false;
};

// The kind bit of a tag at p (8 bytes must follow p), or 0.
int ReferenceTagKind(const std::uint8_t* p);
ReferenceLayout ReferenceChunks(const std::uint8_t* data, std::size_t size);
// The rate the header gives (0: none); bytes past `size` count as zero.
int ReferenceHeaderRate(const std::uint8_t* data, std::size_t size);

} // namespace fuzz
