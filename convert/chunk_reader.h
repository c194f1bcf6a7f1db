// The pass loop over a recording: a window of at most kReadBufferBytes,
// topped up at each pass, yielding one complete chunk per pass.
// Damaged chunks (too large, truncated, or with an impossible length) are
// dropped and counted; the search then resumes one byte after their tag.
#pragma once

#include <cstdint>
#include <string>

#include "convert/block_reader.h"
#include "convert/file_layer.h"
#include "convert/source_format.h"

// The most the window ever holds: one byte short of 256 KiB.
constexpr std::int64_t kReadBufferBytes = 262143;

// A chunk as it goes into the AVI: an audio chunk's nibbles are already
// exchanged. A damaged chunk has only its kind and offset.
struct Chunk {
    ChunkKind kind = KIND_AUDIO;
    const std::uint8_t* start = nullptr;   // the tag; valid until the next call
    const std::uint8_t* payload = nullptr; // what goes into the packet
    std::int64_t payloadBytes = 0;
    std::int64_t chunkBytes = 0; // tag to end of chunk
    std::int64_t fileOffset = 0; // of the tag
};

enum class ReadResult { Chunk, Damaged, End, Failed };

class ChunkReader {
public:
    // Reads `fileSize` bytes of `file` from offset 0; the caller keeps the
    // file open while the reader is used.
    ChunkReader(SourceFile& file, std::int64_t fileSize);

    // The next complete chunk; Damaged for a chunk that is dropped (its
    // slot in the stream stays empty); End when none remains; Failed when a
    // read failed (GetFailure() then says why).
    ReadResult Next(Chunk& chunk);

    // Bytes the window has taken in so far: what has been searched, and
    // the window's bytes yet to be.
    std::int64_t BytesRead() const { return m_bytesRead; }
    std::int64_t FileSize() const { return m_fileSize; }
    // True once the whole file has been taken into the window.
    bool ReachedEnd() const { return m_bytesRead >= m_fileSize; }
    std::int64_t DamagedChunks() const { return m_damaged; }
    const Failure& GetFailure() const { return m_failure; }

private:
    bool TopUp();
    void Drop(std::int64_t count);

    Failure m_failure;
    std::int64_t m_fileSize;
    std::int64_t m_bytesRead = 0;
    std::int64_t m_damaged = 0;
    // The window is the file's bytes [m_offset, m_offset + m_held), at
    // m_window; the block reader keeps them whole in memory.
    BlockReader m_blocks;
    std::uint8_t* m_window = nullptr;
    std::int64_t m_offset = 0;
    std::int64_t m_held = 0;
};

// The one loop over a recording's chunks, for the job and the probe alike.
// `visit` sees every chunk, damaged ones included, and returns false to stop;
// Failed when a read failed, otherwise End.
template <typename Visit> ReadResult ForEachChunk(ChunkReader& reader, Visit visit) {
    Chunk chunk;
    for (;;) {
        const ReadResult next = reader.Next(chunk);
        if (next == ReadResult::End || next == ReadResult::Failed)
            return next;
        if (!visit(next, chunk))
            return ReadResult::End;
    }
}
