#include "convert/stream_converter.h"

#include "convert/library_log.h"
#include "convert/recording.h"

#include <algorithm>
#include <new>

CStreamConverter::CStreamConverter(const char* sourcePath, const char* destPath, int fallbackRate)
    : m_source(sourcePath ? sourcePath : ""), m_dest(destPath ? destPath : ""),
      m_fallbackRate(fallbackRate), m_format(FormatOfName(m_dest)) {}

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
    RouteLibraryLog();
    ClearLibraryError();
    try {
        return Convert();
    } catch (const std::bad_alloc&) {
        // Everything the conversion opened has been released on the way out.
        return Fail(SourceFailure(m_source, kOutOfMemoryCause));
    }
}

int CStreamConverter::Convert() {
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
    m_stats.format = m_format;
    const std::unique_ptr<MediaOutput> made = MakeOutput(m_format);
    MediaOutput& output = *made;
    if (Failure failure = output.Open(temporary, m_stats.frameRate))
        return Fail(std::move(failure));

    ChunkReader reader(recording.file, recording.file.Size());
    // Until the AVI is in place, no report may claim completion, however
    // far the reading has got; each one lets the caller stop the job.
    const auto reportUnfinished = [&] {
        return Report(std::min(reader.BytesRead(), reader.FileSize() - 1), reader.FileSize());
    };
    bool failed = false;
    const ReadResult end = ForEachChunk(reader, [&](ReadResult kind, const Chunk& chunk) {
        if (kind == ReadResult::Damaged && chunk.kind != KIND_AUDIO)
            output.SkipVideoFrame();
        if (kind != ReadResult::Chunk)
            return reportUnfinished();
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
        } else if (written == WriteResult::LeftOut) {
            ++m_stats.framesLeftOut;
        } else {
            m_stats.videoPackets += chunk.kind != KIND_AUDIO;
            m_stats.keyVideoPackets += chunk.kind == KIND_KEY_VIDEO;
            m_stats.audioPackets += chunk.kind == KIND_AUDIO;
        }
        return reportUnfinished();
    });
    if (end == ReadResult::Failed)
        return Fail(reader.GetFailure());
    if (failed)
        return Fail(output.GetFailure());
    if (m_failure)
        return 1; // cancelled
    m_stats.damagedChunks = reader.DamagedChunks();
    m_stats.fileSize = reader.FileSize();
    m_stats.videoSlots = output.VideoSlotsInFile();
    recording.file.Close();
    if (!reader.HoldsARecording())
        return Fail(NotARecording(m_source, m_stats.videoPackets + m_stats.audioPackets +
                                                m_stats.refusedPackets));

    if (Failure failure = output.Close())
        return Fail(std::move(failure));
    // Blocks an MP4's encoder could not decode are dropped as damage is.
    const OutputNotes notes = output.Notes();
    m_stats.audioPackets -= notes.undecodableBlocks;
    m_stats.damagedChunks += notes.undecodableBlocks;
    m_stats.soundSamplesLeftOut = notes.soundSamplesLeftOut;
    // The last moment to stop: once the AVI is in place, it stays.
    if (!reportUnfinished())
        return 1;
    if (Failure failure = temporary.Commit(m_replace))
        return Fail(std::move(failure));
    m_stats.outputBytes = temporary.Size();

    Report(reader.BytesRead(), reader.FileSize());
    return 0;
}

int RunConverter(CStreamConverter* job) {
    return job->Run();
}
