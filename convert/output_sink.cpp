#include "convert/output_sink.h"

Failure OutputSink::Take(const Chunk& chunk) {
    if (chunk.kind == KIND_KEY_VIDEO)
        WatchPicture(chunk);
    m_videoFrames += chunk.kind != KIND_AUDIO;
    Expected<WriteResult> written =
        chunk.kind == KIND_AUDIO
            ? m_output.WriteAudio(chunk.payload, chunk.payloadBytes)
            : m_output.WriteVideo(chunk.payload, chunk.payloadBytes, chunk.kind == KIND_KEY_VIDEO);
    if (!written)
        return written.TakeFailure();
    if (*written == WriteResult::Refused) {
        ++m_stats.refusedPackets;
    } else if (*written == WriteResult::LeftOut) {
        ++m_stats.framesLeftOut;
    } else if (*written == WriteResult::Damaged) {
        ++m_stats.undecodableKeyFrames;
    } else {
        m_stats.videoPackets += chunk.kind != KIND_AUDIO;
        m_stats.keyVideoPackets += chunk.kind == KIND_KEY_VIDEO;
        m_stats.audioPackets += chunk.kind == KIND_AUDIO;
    }
    return {};
}

// A camera reconfigured mid-recording: the output keeps declaring the
// first size, and the summary says where the picture changed.
void OutputSink::WatchPicture(const Chunk& chunk) {
    if (!m_picture && m_stats.picture.fromStream)
        m_picture = m_stats.picture;
    const std::optional<PictureFormat> picture = m_watch.Read(chunk.payload, chunk.payloadBytes);
    if (!picture)
        return;
    if (m_picture && !picture->SameSize(*m_picture))
        m_stats.sizeChanges.push_back({m_videoFrames, picture->width, picture->height});
    m_picture = picture;
}

void OutputSink::Lose(ChunkKind kind) {
    m_videoFrames += kind != KIND_AUDIO;
    if (kind != KIND_AUDIO)
        m_output.SkipVideoFrame();
}
