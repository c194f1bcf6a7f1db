#include "convert/probe.h"

#include <algorithm>
#include <new>

#include "convert/library_log.h"
#include "convert/pipeline.h"
#include "convert/source/recording.h"
#include "convert/video_slots.h"

namespace {

// Counts what a conversion would write, as the AVI would hold it.
class ProbeSink : public ChunkSink {
public:
    explicit ProbeSink(ProbeResult& result) : m_result(result) {}

    Failure Take(const Chunk& chunk) override {
        m_result.videoChunks += chunk.kind != KIND_AUDIO;
        m_result.keyVideoChunks += chunk.kind == KIND_KEY_VIDEO;
        m_result.audioChunks += chunk.kind == KIND_AUDIO;
        if (chunk.kind == KIND_KEY_VIDEO && !m_result.picture.fromStream)
            if (auto picture = m_watch.Read(chunk.payload, chunk.payloadBytes))
                m_result.picture = *picture;
        if (chunk.kind != KIND_AUDIO)
            m_slots.Written();
        return {};
    }
    void Lose(ChunkKind kind) override {
        if (kind != KIND_AUDIO)
            m_slots.Lost();
    }
    std::int64_t VideoSlots() const { return m_slots.InFile(); }

private:
    ProbeResult& m_result;
    ::VideoSlots m_slots;
    PictureWatch m_watch;
};

Failure Probe(const std::string& path, int fallbackRate, ProbeResult& result,
              ProgressCallback callback, void* context) {
    auto recording = std::make_unique<Recording>();
    if (Failure failure = OpenRecording(path, fallbackRate, *recording))
        return failure;
    result.records = ReadRateRecords(recording->header, recording->headerBytes);
    result.headerRate = recording->rateFromHeader ? recording->rate : 0;
    result.rateFromHeader = recording->rateFromHeader;
    result.rate = recording->rate;
    result.sizeAtStart = recording->file.Size();

    std::vector<std::unique_ptr<Recording>> recordings;
    recordings.push_back(std::move(recording));
    ChunkSource source(std::move(recordings));
    ProbeSink sink(result);
    const Failure failure = RunPipeline(source, sink, [&](std::int64_t read, std::int64_t size) {
        return callback == nullptr || callback(context, read, size) == 0;
    });
    if (failure)
        return failure;
    result.damagedChunks = source.DamagedChunks();
    result.fileSize = source.Size();
    result.videoSlots = sink.VideoSlots();
    return {};
}

} // namespace

Failure ProbeRecording(const std::string& path, int fallbackRate, ProbeResult& result,
                       ProgressCallback callback, void* context) {
    result = ProbeResult{};
    RouteLibraryLog();
    try {
        return Probe(path, fallbackRate, result, callback, context);
    } catch (const std::bad_alloc&) {
        return SourceFailure(path, kOutOfMemoryCause);
    }
}
