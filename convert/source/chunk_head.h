// What a chunk's head says of the chunk: its length and where its payload
// starts, read from the bytes behind the tag.
#pragma once

#include <cstdint>

#include "convert/source/source_format.h"

struct ChunkHead {
    std::int64_t chunkBytes = -1; // tag to end; -1 while the head is not held whole
    std::int64_t payloadOffset = 0;
    bool malformed = false; // a length no chunk that fits the reader can have
};

// The head of the chunk of `kind` whose tag is at `tag`, of which
// `available` bytes are held. A chunk longer than `mostBytes` could never
// be held whole and is malformed.
ChunkHead ReadChunkHead(ChunkKind kind, const std::uint8_t* tag, std::int64_t available,
                        std::int64_t mostBytes);
