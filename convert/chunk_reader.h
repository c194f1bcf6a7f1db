// The pass loop over a recording: a window of at most kReadBufferBytes,
// topped up by one read per pass, yielding one complete chunk per pass.
// Damaged chunks (too large, truncated, or with an impossible length) are
// dropped and counted; the search then resumes one byte after their tag.
#pragma once

#include <cstdint>
#include <vector>

#include "convert/source_format.h"

// The most the window ever holds: one byte short of 256 KiB.
constexpr std::int64_t kReadBufferBytes = 262143;

struct Chunk {
    ChunkKind kind = KIND_AUDIO;
    std::uint8_t* start = nullptr;   // the tag; valid until the next call
    std::uint8_t* payload = nullptr; // what goes into the packet
    std::int64_t payloadBytes = 0;
    std::int64_t chunkBytes = 0; // tag to end of chunk
    std::int64_t fileOffset = 0; // of the tag
};

enum class ReadResult { Chunk, End, Error };

class ChunkReader {
public:
    // Reads `fileSize` bytes of the open file `fd` from offset 0, whatever
    // the descriptor's own position; the caller keeps the descriptor.
    ChunkReader(int fd, std::int64_t fileSize);

    // The next complete chunk, End when none remains, or Error when a read
    // failed (errno then holds the cause).
    ReadResult Next(Chunk& chunk);

    // Bytes read from the source so far, read-ahead included.
    std::int64_t BytesRead() const { return m_bytesRead; }
    std::int64_t FileSize() const { return m_fileSize; }
    // True once the whole file has been read into the window.
    bool ReachedEnd() const { return m_atEnd; }
    std::int64_t DamagedChunks() const { return m_damaged; }

private:
    bool TopUp();
    void Drop(std::int64_t count);

    bool ReadAhead(std::int64_t needed);

    int m_fd;
    std::int64_t m_fileSize;
    std::int64_t m_bytesRead = 0;
    bool m_atEnd = false;
    std::int64_t m_damaged = 0;
    // The window is m_buffer[m_pos, m_pos + m_held). The file is read ahead
    // in large blocks up to m_filled, but a pass sees only what the window
    // would hold. The buffer is several windows long, so the unconsumed
    // bytes move to its front only rarely.
    std::vector<std::uint8_t> m_buffer;
    std::int64_t m_pos = 0;
    std::int64_t m_held = 0;
    std::int64_t m_filled = 0;
    std::int64_t m_physicalRead = 0;     // bytes taken from the file so far
    std::int64_t m_windowFileOffset = 0; // file offset of m_buffer[m_pos]
};
