#include "convert/probe.h"

#include <algorithm>
#include <new>

#include "convert/chunk_reader.h"
#include "convert/library_log.h"
#include "convert/recording.h"
#include "convert/video_slots.h"

namespace {

Failure Probe(const std::string& path, int fallbackRate, ProbeResult& result,
              ProgressCallback callback, void* context) {
    Recording recording;
    if (Failure failure = OpenRecording(path, fallbackRate, recording))
        return failure;
    result.records = ReadRateRecords(recording.header, recording.headerBytes);
    result.headerRate = recording.rateFromHeader ? recording.rate : 0;
    result.rateFromHeader = recording.rateFromHeader;
    result.rate = recording.rate;
    result.sizeAtStart = recording.file.Size();

    ChunkReader reader(recording.file, recording.file.Size());
    VideoSlots slots;
    bool stopped = false;
    const ReadResult end = ForEachChunk(reader, [&](ReadResult kind, const Chunk& chunk) {
        if (kind == ReadResult::Chunk) {
            result.videoChunks += chunk.kind != KIND_AUDIO;
            result.keyVideoChunks += chunk.kind == KIND_KEY_VIDEO;
            result.audioChunks += chunk.kind == KIND_AUDIO;
        }
        if (chunk.kind != KIND_AUDIO && kind == ReadResult::Chunk)
            slots.Written();
        else if (chunk.kind != KIND_AUDIO && kind == ReadResult::Damaged)
            slots.Lost();
        stopped = callback != nullptr &&
                  callback(context, std::min(reader.BytesRead(), reader.FileSize() - 1),
                           reader.FileSize()) != 0;
        return !stopped;
    });
    if (end == ReadResult::Failed)
        return reader.GetFailure();
    if (stopped)
        return {FailureKind::Cancelled, path, kCancelledCause};
    result.damagedChunks = reader.DamagedChunks();
    result.fileSize = reader.FileSize();
    result.videoSlots = slots.InFile();
    if (!reader.HoldsARecording())
        return NotARecording(path, result.videoChunks + result.audioChunks);
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
