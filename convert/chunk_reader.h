// The pass loop over a recording: a window of at most kReadBufferBytes,
// topped up at each pass, yielding one complete chunk per pass.
// Damaged chunks (too large, truncated, or with an impossible length) are
// dropped and counted; the search then resumes one byte after their tag.
// The reader follows the file to its real end: a recording or a copy still
// under way is read as far as it has grown.
#pragma once

#include <cstdint>
#include <string>

#include "convert/block_reader.h"
#include "convert/failure.h"
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

enum class ReadResult {
    Chunk,
    Damaged,  // a chunk that is dropped
    Searched, // a window's worth of bytes searched without finding a chunk
    End,
    Failed,
};

class ChunkReader {
public:
    // Reads `file` from offset 0, `fileSize` bytes or as far as it has grown
    // once they are read; the caller keeps the file open while the reader
    // is used.
    ChunkReader(SourceFile& file, std::int64_t fileSize);

    // The next complete chunk; Damaged for a chunk that is dropped (its
    // slot in the stream stays empty); Searched after each window that held
    // no chunk, so a long stretch of zeros or garbage still lets the caller
    // report progress and stop; End when none remains; Failed when a read
    // failed (GetFailure() then says why).
    ReadResult Next(Chunk& chunk);

    // Bytes the window has taken in so far: what has been searched, and
    // the window's bytes yet to be.
    std::int64_t BytesRead() const { return m_bytesRead; }
    // The size measured at the start, then wherever the file really ended.
    std::int64_t FileSize() const { return m_fileSize; }
    // True once the whole file has been taken into the window.
    bool ReachedEnd() const { return m_bytesRead >= m_fileSize; }
    std::int64_t DamagedChunks() const { return m_damaged; }
    const Failure& GetFailure() const { return m_failure; }
    // Whether what was read is a recording: at least one intact video
    // frame, or intact chunks that make up a real share (a tenth) of the
    // bytes that are not zero. Zero-filled space, which recorders
    // preallocate, counts for nothing; a file of random bytes may hold a
    // chance tag, but never a tenth of its bytes in chunks.
    bool HoldsARecording() const;

private:
    bool TopUp();
    bool Grew();
    // Drops `count` bytes of the window that are not part of an intact
    // chunk, counting those that are not zero.
    void DropOther(std::int64_t count);
    void Drop(std::int64_t count);

    SourceFile& m_file;
    Failure m_failure;
    std::int64_t m_fileSize;
    std::int64_t m_bytesRead = 0;
    std::int64_t m_damaged = 0;
    std::int64_t m_intactVideo = 0;
    std::int64_t m_intactBytes = 0;  // of every intact chunk, tag to end
    std::int64_t m_otherNonZero = 0; // bytes outside intact chunks that are not zero
    // The window is the file's bytes [m_offset, m_offset + m_held), at
    // m_window; the block reader keeps them whole in memory.
    BlockReader m_blocks;
    std::uint8_t* m_window = nullptr;
    std::int64_t m_offset = 0;
    std::int64_t m_held = 0;
};

// The one loop over a recording's chunks, for the job and the probe alike.
// `visit` sees every result but the last, damaged chunks and chunkless
// windows included, and returns false to stop; Failed when a read failed,
// otherwise End.
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
