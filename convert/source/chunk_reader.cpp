#include "convert/source/chunk_reader.h"

#include <algorithm>

#include "convert/source/chunk_head.h"

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

void ChunkReader::Drop(std::int64_t count) {
    m_window += count;
    m_offset += count;
    m_held -= count;
}

void ChunkReader::DropOther(std::int64_t count) {
    m_evidence.otherNonZero += CountNonZero(m_window, count);
    Drop(count);
}

Failure ChunkReader::TopUp() {
    if (ReachedEnd())
        return {};
    const std::int64_t want = std::min(kReadBufferBytes - m_held, m_fileSize - m_bytesRead);
    Expected<HeldBytes> held = m_blocks.Hold(m_offset, m_held + want);
    if (!held)
        return held.TakeFailure();
    m_window = held->data;
    const std::int64_t got = std::min(want, held->bytes - m_held);
    m_bytesRead += got;
    m_held += got;
    if (got < want) {
        // The file ended before the size measured at the start: it shrank
        // while being read. What was read is all there is.
        m_fileSize = m_bytesRead;
    }
    return {};
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

Expected<ReadResult> ChunkReader::Next(Chunk& chunk) {
    for (;;) {
        if (Failure failure = TopUp())
            return failure;

        int kind = kAllChunkKinds;
        const std::int64_t p = FindChunkTag(m_window, 0, m_held, &kind);
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

        const ChunkHead head =
            ReadChunkHead(static_cast<ChunkKind>(kind), m_window + p, m_held - p, kReadBufferBytes);
        const bool complete =
            !head.malformed && head.chunkBytes >= 0 && head.chunkBytes <= m_held - p;
        if (!complete) {
            // Cut short by the end of the file, unless the file has grown
            // since: then the rest of the chunk may be there now.
            if (!head.malformed && (!ReachedEnd() || Grew())) {
                DropOther(p); // wait for the rest of the chunk
                continue;
            }
            ++m_damaged;
            chunk = Chunk{static_cast<ChunkKind>(kind), nullptr, nullptr, 0, 0, m_offset + p};
            DropOther(p + 1);
            return ReadResult::Damaged;
        }

        chunk.kind = static_cast<ChunkKind>(kind);
        chunk.start = m_window + p;
        chunk.payload = chunk.start + head.payloadOffset;
        chunk.payloadBytes = head.chunkBytes - head.payloadOffset;
        chunk.chunkBytes = head.chunkBytes;
        chunk.fileOffset = m_offset + p;
        ++m_evidence.intactChunks;
        m_evidence.intactVideo += kind != KIND_AUDIO;
        m_evidence.intactBytes += head.chunkBytes;
        // The bytes stay in the buffer until the next call tops it up.
        DropOther(p);
        Drop(head.chunkBytes);
        return ReadResult::Chunk;
    }
}
