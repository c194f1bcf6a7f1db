#include "convert/output_sink.h"

Failure OutputSink::Take(const Chunk& chunk) {
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
    } else {
        m_stats.videoPackets += chunk.kind != KIND_AUDIO;
        m_stats.keyVideoPackets += chunk.kind == KIND_KEY_VIDEO;
        m_stats.audioPackets += chunk.kind == KIND_AUDIO;
    }
    return {};
}

void OutputSink::Lose(ChunkKind kind) {
    if (kind != KIND_AUDIO)
        m_output.SkipVideoFrame();
}
