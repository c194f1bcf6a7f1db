#include "convert/chunk_reader.h"

#include <algorithm>
#include <cstring>

namespace {

// Eight windows: the unconsumed bytes (less than one window) move to the
// front once every seven windows or so, and reads are large.
constexpr std::int64_t kBufferBytes = 8 * (kReadBufferBytes + 1);

} // namespace

ChunkReader::ChunkReader(SourceFile& file, std::int64_t fileSize)
    : m_file(file), m_fileSize(fileSize < 0 ? 0 : fileSize), m_buffer(kBufferBytes) {}

void ChunkReader::Drop(std::int64_t count) {
    m_pos += count;
    m_held -= count;
}

// Makes sure the buffer holds the file up to buffer index `needed`, reading
// as far ahead as the buffer allows. Stops early only at the end of the file.
bool ChunkReader::ReadAhead(std::int64_t needed) {
    if (needed <= m_filled)
        return true;
    if (m_pos + kReadBufferBytes > kBufferBytes) {
        const std::int64_t unconsumed = m_filled - m_pos;
        std::memmove(m_buffer.data(), m_buffer.data() + m_pos,
                     static_cast<std::size_t>(unconsumed));
        needed -= m_pos;
        m_filled = unconsumed;
        m_pos = 0;
    }
    while (m_filled < needed) {
        const std::int64_t room = std::min(kBufferBytes - m_filled, m_fileSize - m_physicalRead);
        if (room <= 0)
            return true;
        const std::int64_t got =
            m_file.ReadAt(m_buffer.data() + m_filled, room, m_physicalRead, &m_error);
        if (got < 0)
            return false;
        if (got == 0)
            return true; // the file shrank while being read
        m_filled += got;
        m_physicalRead += got;
    }
    return true;
}

bool ChunkReader::TopUp() {
    if (ReachedEnd())
        return true;
    const std::int64_t want = std::min(kReadBufferBytes - m_held, m_fileSize - m_bytesRead);
    if (!ReadAhead(m_pos + m_held + want))
        return false;
    const std::int64_t got = std::min(want, m_filled - (m_pos + m_held));
    m_bytesRead += got;
    m_held += got;
    if (got < want) {
        // The file ended before the size measured at the start: it shrank
        // while being read. What was read is all there is.
        m_fileSize = m_bytesRead;
    }
    return true;
}

ReadResult ChunkReader::Next(Chunk& chunk) {
    for (;;) {
        if (!TopUp())
            return ReadResult::Error;

        std::uint8_t* window = m_buffer.data() + m_pos;
        // m_buffer[0] holds the file's byte m_physicalRead - m_filled.
        const std::int64_t windowFileOffset = m_physicalRead - m_filled + m_pos;
        int kind = kAllChunkKinds;
        const std::int64_t p = FindChunkTag(window, 0, m_held, &kind);
        if (p < 0) {
            if (ReachedEnd()) {
                Drop(m_held);
                return ReadResult::End;
            }
            // A tag may begin in the last 7 bytes; everything before them
            // has been searched.
            const std::int64_t keep = std::min<std::int64_t>(m_held, kTagProbeBytes - 1);
            Drop(m_held - keep);
            continue;
        }

        const std::uint8_t* tag = window + p;
        const std::int64_t available = m_held - p;
        std::int64_t headBytes = 0;
        std::int64_t chunkBytes = -1; // unknown until the head is held
        std::int64_t payloadOffset = 0;
        bool malformed = false;
        if (kind == KIND_AUDIO) {
            headBytes = kAudioHeadBytes;
            if (available >= headBytes) {
                const std::int64_t length = ReadLe16(tag + kAudioLengthOffset);
                // L counts the 4 unused bytes before the payload: L <= 4
                // leaves no block at all.
                malformed = length <= 4;
                chunkBytes = kAudioHeadBytes + length;
                payloadOffset = kAudioPayloadOffset;
            }
        } else {
            headBytes = kVideoHeadBytes;
            if (available >= headBytes) {
                const std::int64_t payload = ReadLe32(tag + kVideoPayloadSizeOffset);
                const std::int64_t extension = ReadLe16(tag + kVideoExtensionSizeOffset);
                chunkBytes = static_cast<std::int64_t>(kVideoHeadBytes) + extension + payload;
                // Larger than the window: it could never be held whole.
                malformed = chunkBytes > kReadBufferBytes;
                payloadOffset = static_cast<std::int64_t>(kVideoHeadBytes) + extension;
            }
        }

        const bool complete = !malformed && chunkBytes >= 0 && chunkBytes <= available;
        if (!complete) {
            if (!malformed && !ReachedEnd()) {
                Drop(p); // wait for the rest of the chunk
                continue;
            }
            ++m_damaged;
            chunk =
                Chunk{static_cast<ChunkKind>(kind), nullptr, nullptr, 0, 0, windowFileOffset + p};
            Drop(p + 1);
            return ReadResult::Damaged;
        }

        if (kind == KIND_AUDIO)
            ExchangeAudioNibbles(window + p, chunkBytes);
        chunk.kind = static_cast<ChunkKind>(kind);
        chunk.start = window + p;
        chunk.payload = chunk.start + payloadOffset;
        chunk.payloadBytes = chunkBytes - payloadOffset;
        chunk.chunkBytes = chunkBytes;
        chunk.fileOffset = windowFileOffset + p;
        // The bytes stay in the buffer until the next call tops it up.
        Drop(p + chunkBytes);
        return ReadResult::Chunk;
    }
}
