#include "convert/probe.h"

#include "convert/chunk_reader.h"
#include "convert/recording.h"

Failure ProbeRecording(const std::string& path, int fallbackRate, ProbeResult& result) {
    result = ProbeResult{};
    Recording recording;
    if (Failure failure = OpenRecording(path, fallbackRate, recording))
        return failure;
    result.records = ReadRateRecords(recording.header, recording.headerBytes);
    result.headerRate = recording.rateFromHeader ? recording.rate : 0;
    result.rateFromHeader = recording.rateFromHeader;
    result.rate = recording.rate;

    ChunkReader reader(recording.file, recording.file.Size());
    const ReadResult end = ForEachChunk(reader, [&](ReadResult kind, const Chunk& chunk) {
        if (kind == ReadResult::Chunk) {
            result.videoChunks += chunk.kind != KIND_AUDIO;
            result.keyVideoChunks += chunk.kind == KIND_KEY_VIDEO;
            result.audioChunks += chunk.kind == KIND_AUDIO;
        }
        return true;
    });
    if (end == ReadResult::Failed)
        return reader.GetFailure();
    result.damagedChunks = reader.DamagedChunks();
    result.fileSize = reader.FileSize();
    return {};
}
