#include "convert/seam_sink.h"

Failure SeamSink::Take(const Chunk& chunk) {
    NoteSource();
    const std::int64_t framesBefore = m_stats.videoPackets;
    if (Failure failure = m_inner.Take(chunk))
        return failure;
    // The first frame of the source written: its slot is the output's last.
    if (!m_placed && m_stats.videoPackets > framesBefore) {
        m_stats.seams.back().videoSlot = m_output.VideoSlotsInFile() - 1;
        m_placed = true;
    }
    return {};
}

void SeamSink::Lose(ChunkKind kind) {
    NoteSource();
    m_inner.Lose(kind);
}

void SeamSink::Finish() {
    if (!m_placed)
        m_stats.seams.back().videoSlot = m_output.VideoSlotsInFile();
    m_placed = true;
}

// Every source that holds a recording has a chunk, so each gets its seam
// here (one without fails the conversion as not a recording).
void SeamSink::NoteSource() {
    if (m_source.CurrentIndex() < m_stats.seams.size())
        return;
    Finish();
    m_stats.seams.push_back({m_source.Current().path, 0});
    m_placed = false;
}
