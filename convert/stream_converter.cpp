#include "convert/stream_converter.h"

#include "convert/avi_output.h"
#include "convert/recording.h"

CStreamConverter::CStreamConverter(const char* sourcePath, const char* destPath, int fallbackRate)
    : m_source(sourcePath ? sourcePath : ""), m_dest(destPath ? destPath : ""),
      m_fallbackRate(fallbackRate) {}

int CStreamConverter::SetCallback(void* context, ProgressCallback callback) {
    m_context = context;
    m_callback = callback;
    return 0;
}

int CStreamConverter::Fail(Failure failure) {
    m_failure = std::move(failure);
    return 1;
}

bool CStreamConverter::Report(std::int64_t bytesRead, std::int64_t fileSize) {
    if (m_callback == nullptr || m_callback(m_context, bytesRead, fileSize) == 0)
        return true;
    m_failure = {FailureKind::Cancelled, m_source, kCancelledCause};
    return false;
}

int CStreamConverter::Run() {
    m_stats = ConversionStats{};
    m_failure = Failure{};

    Recording recording;
    if (Failure failure = OpenRecording(m_source, m_fallbackRate, recording))
        return Fail(std::move(failure));
    if (Failure failure = CheckDestination(m_dest, recording.file.Identity()))
        return Fail(std::move(failure));
    m_stats.frameRate = recording.rate;
    m_stats.rateFromHeader = recording.rateFromHeader;
    m_stats.sizeAtStart = m_stats.fileSize = recording.file.Size();

    TemporaryOutput temporary(m_dest);
    if (Failure failure = temporary.Create())
        return Fail(std::move(failure));
    AviOutput output;
    if (Failure failure = output.Open(temporary, m_stats.frameRate))
        return Fail(std::move(failure));

    ChunkReader reader(recording.file, recording.file.Size());
    bool failed = false;
    const ReadResult end = ForEachChunk(reader, [&](ReadResult kind, const Chunk& chunk) {
        if (kind == ReadResult::Damaged) {
            if (chunk.kind != KIND_AUDIO)
                output.SkipVideoFrame();
            return true;
        }
        const WriteResult written = chunk.kind == KIND_AUDIO
                                        ? output.WriteAudio(chunk.payload, chunk.payloadBytes)
                                        : output.WriteVideo(chunk.payload, chunk.payloadBytes,
                                                            chunk.kind == KIND_KEY_VIDEO);
        if (written == WriteResult::Failed) {
            failed = true;
            return false;
        }
        if (written == WriteResult::Refused) {
            ++m_stats.refusedPackets;
        } else {
            m_stats.videoPackets += chunk.kind != KIND_AUDIO;
            m_stats.keyVideoPackets += chunk.kind == KIND_KEY_VIDEO;
            m_stats.audioPackets += chunk.kind == KIND_AUDIO;
        }
        // Once the whole file is read, a report would claim completion
        // before the AVI exists; the one completion report comes at the end.
        return reader.ReachedEnd() || Report(reader.BytesRead(), reader.FileSize());
    });
    if (end == ReadResult::Failed)
        return Fail(reader.GetFailure());
    if (failed)
        return Fail(output.GetFailure());
    if (m_failure)
        return 1; // cancelled
    m_stats.damagedChunks = reader.DamagedChunks();
    m_stats.videoSlots = output.VideoSlots();
    m_stats.fileSize = reader.FileSize();
    recording.file.Close();
    if (m_requireChunks && m_stats.videoPackets + m_stats.audioPackets == 0)
        return Fail({FailureKind::NotARecording, m_source, kNoChunksCause});

    if (Failure failure = output.Close())
        return Fail(std::move(failure));
    if (Failure failure = temporary.Commit(m_replace))
        return Fail(std::move(failure));
    m_stats.outputBytes = temporary.Size();

    Report(reader.BytesRead(), reader.FileSize());
    return 0;
}

int RunConverter(CStreamConverter* job) {
    return job->Run();
}
