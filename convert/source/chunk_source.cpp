#include "convert/source/chunk_source.h"

ChunkSource::ChunkSource(std::vector<std::unique_ptr<Recording>> recordings)
    : m_recordings(std::move(recordings)) {
    if (!m_recordings.empty()) {
        SourceFile& file = m_recordings.front()->file;
        m_reader = std::make_unique<ChunkReader>(file, file.Size());
    }
}

ChunkSource::~ChunkSource() = default;

Expected<ReadResult> ChunkSource::Next(Chunk& chunk) {
    while (m_reader) {
        Expected<ReadResult> next = m_reader->Next(chunk);
        if (!next || *next != ReadResult::End)
            return next;
        const Recording& done = *m_recordings[m_current];
        if (!m_reader->Evidence().HoldsARecording())
            return NotARecording(done.path, m_reader->Evidence());
        if (m_current + 1 == m_recordings.size())
            return ReadResult::End;
        EndReader();
        SourceFile& file = m_recordings[++m_current]->file;
        m_reader = std::make_unique<ChunkReader>(file, file.Size());
    }
    return ReadResult::End;
}

std::int64_t ChunkSource::BytesRead() const {
    return m_readBefore + (m_reader ? m_reader->BytesRead() : 0);
}

std::int64_t ChunkSource::Size() const {
    std::int64_t size = m_readBefore + (m_reader ? m_reader->FileSize() : 0);
    for (std::size_t i = m_current + 1; i < m_recordings.size(); ++i)
        size += m_recordings[i]->file.Size();
    return size;
}

std::int64_t ChunkSource::DamagedChunks() const {
    return m_damagedBefore + (m_reader ? m_reader->DamagedChunks() : 0);
}

void ChunkSource::EndReader() {
    m_readBefore += m_reader->FileSize();
    m_damagedBefore += m_reader->DamagedChunks();
    m_reader.reset();
}

void ChunkSource::Close() {
    if (m_reader)
        EndReader();
    for (const std::unique_ptr<Recording>& recording : m_recordings)
        recording->file.Close();
}
