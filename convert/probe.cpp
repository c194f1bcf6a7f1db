#include "convert/probe.h"

#include "convert/chunk_reader.h"
#include "convert/recording.h"

int ProbeRecording(const std::string& path, int fallbackRate, ProbeResult& result,
                   std::string& error) {
    result = ProbeResult{};
    error.clear();
    Recording recording;
    if (std::string cause = OpenRecording(path, fallbackRate, recording); !cause.empty()) {
        error = path + ": " + cause;
        return 1;
    }
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
    if (end == ReadResult::Error) {
        error = path + ": " + reader.ErrorCause();
        return 1;
    }
    result.damagedChunks = reader.DamagedChunks();
    result.fileSize = reader.FileSize();
    return 0;
}
