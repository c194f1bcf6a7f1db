#include "convert/chunk_reader.h"

#include <algorithm>

namespace {

std::int64_t CountNonZero(const std::uint8_t* bytes, std::int64_t count) {
    std::int64_t nonZero = 0;
    for (std::int64_t i = 0; i < count; ++i)
        nonZero += bytes[i] != 0;
    return nonZero;
}

} // namespace

ChunkReader::ChunkReader(SourceFile& file, std::int64_t fileSize)
    : m_file(file), m_fileSize(fileSize < 0 ? 0 : fileSize),
      m_blocks(file, m_fileSize, kReadBufferBytes) {}

bool ChunkReader::HoldsARecording() const {
    return m_intactVideo > 0 ||
           (m_intactBytes > 0 && m_intactBytes * 10 >= m_intactBytes + m_otherNonZero);
}

void ChunkReader::Drop(std::int64_t count) {
    m_window += count;
    m_offset += count;
    m_held -= count;
}

void ChunkReader::DropOther(std::int64_t count) {
    m_otherNonZero += CountNonZero(m_window, count);
    Drop(count);
}

bool ChunkReader::TopUp() {
    if (ReachedEnd())
        return true;
    const std::int64_t want = std::min(kReadBufferBytes - m_held, m_fileSize - m_bytesRead);
    std::int64_t held = 0;
    m_window = m_blocks.Hold(m_offset, m_held + want, &held, &m_failure);
    if (m_window == nullptr)
        return false;
    const std::int64_t got = std::min(want, held - m_held);
    m_bytesRead += got;
    m_held += got;
    if (got < want) {
        // The file ended before the size measured at the start: it shrank
        // while being read. What was read is all there is.
        m_fileSize = m_bytesRead;
    }
    return true;
}

// At the end of what was measured the file is looked at again: a recording
// or a copy may still be adding to it. True when there is more to read.
bool ChunkReader::Grew() {
    const std::int64_t size = m_file.CurrentSize();
    if (size <= m_fileSize)
        return false;
    m_fileSize = size;
    m_blocks.Extend(size);
    return true;
}

ReadResult ChunkReader::Next(Chunk& chunk) {
    for (;;) {
        if (!TopUp())
            return ReadResult::Failed;

        std::uint8_t* window = m_window;
        int kind = kAllChunkKinds;
        const std::int64_t p = FindChunkTag(window, 0, m_held, &kind);
        if (p < 0) {
            if (ReachedEnd() && !Grew()) {
                DropOther(m_held);
                return ReadResult::End;
            }
            // A tag may begin in the last 7 bytes; everything before them
            // has been searched.
            const std::int64_t keep = std::min<std::int64_t>(m_held, kTagProbeBytes - 1);
            DropOther(m_held - keep);
            return ReadResult::Searched;
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
            // Cut short by the end of the file, unless the file has grown
            // since: then the rest of the chunk may be there now.
            if (!malformed && (!ReachedEnd() || Grew())) {
                DropOther(p); // wait for the rest of the chunk
                continue;
            }
            ++m_damaged;
            chunk = Chunk{static_cast<ChunkKind>(kind), nullptr, nullptr, 0, 0, m_offset + p};
            DropOther(p + 1);
            return ReadResult::Damaged;
        }

        if (kind == KIND_AUDIO)
            ExchangeAudioNibbles(window + p, chunkBytes);
        chunk.kind = static_cast<ChunkKind>(kind);
        chunk.start = window + p;
        chunk.payload = chunk.start + payloadOffset;
        chunk.payloadBytes = chunkBytes - payloadOffset;
        chunk.chunkBytes = chunkBytes;
        chunk.fileOffset = m_offset + p;
        m_intactVideo += kind != KIND_AUDIO;
        m_intactBytes += chunkBytes;
        // The bytes stay in the buffer until the next call tops it up.
        DropOther(p);
        Drop(chunkBytes);
        return ReadResult::Chunk;
    }
}
