// The chunks of one recording file, framed: a window of at most
// kReadBufferBytes, topped up at each pass, searched for the next tag
// (FindChunkTag) whose head (ReadChunkHead) says where the chunk ends.
// Damaged chunks (too large, truncated, or with an impossible length) are
// reported and counted; the search then resumes one byte after their tag.
// The reader follows the file to its real end: a recording or a copy still
// under way is read as far as it has grown.
#pragma once

#include <cstdint>
#include <string>

#include "convert/expected.h"
#include "convert/platform/files.h"
#include "convert/source/block_reader.h"
#include "convert/source/recording.h"
#include "convert/source/source_format.h"

// The most the window ever holds: one byte short of 256 KiB.
constexpr std::int64_t kReadBufferBytes = 262143;

// A chunk as found in the file. A damaged chunk has only its kind and
// offset.
struct Chunk {
    ChunkKind kind = KIND_AUDIO;
    std::uint8_t* start = nullptr;         // the tag; valid until the next call
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
    // report progress and stop; End when none remains; or the failure of a
    // read.
    Expected<ReadResult> Next(Chunk& chunk);

    // Bytes the window has taken in so far: what has been searched, and
    // the window's bytes yet to be.
    std::int64_t BytesRead() const { return m_bytesRead; }
    // The size measured at the start, then wherever the file really ended.
    std::int64_t FileSize() const { return m_fileSize; }
    // True once the whole file has been taken into the window.
    bool ReachedEnd() const { return m_bytesRead >= m_fileSize; }
    std::int64_t DamagedChunks() const { return m_damaged; }
    // What was read so far tells whether the file is a recording.
    const RecordingEvidence& Evidence() const { return m_evidence; }

private:
    Failure TopUp();
    bool Grew();
    // Drops `count` bytes of the window that are not part of an intact
    // chunk, counting those that are not zero.
    void DropOther(std::int64_t count);
    void Drop(std::int64_t count);

    SourceFile& m_file;
    std::int64_t m_fileSize;
    std::int64_t m_bytesRead = 0;
    std::int64_t m_damaged = 0;
    RecordingEvidence m_evidence;
    // The window is the file's bytes [m_offset, m_offset + m_held), at
    // m_window; the block reader keeps them whole in memory.
    BlockReader m_blocks;
    std::uint8_t* m_window = nullptr;
    std::int64_t m_offset = 0;
    std::int64_t m_held = 0;
};
