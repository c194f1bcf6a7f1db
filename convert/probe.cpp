#include "convert/probe.h"

#include <cerrno>
#include <cstring>

#include "convert/chunk_reader.h"
#include "convert/source_file.h"

int ProbeRecording(const std::string& path, int fallbackRate, ProbeResult& result,
                   std::string& error) {
    result = ProbeResult{};
    error.clear();
    SourceFile source;
    if (std::string cause = OpenSource(path, source); !cause.empty()) {
        error = path + ": " + cause;
        return 1;
    }
    result.records = ReadRateRecords(source.header, source.headerBytes);
    result.headerRate = DecodeHeaderRate(source.header, source.headerBytes);
    result.rateFromHeader = result.headerRate != 0;
    result.rate = result.rateFromHeader ? result.headerRate : fallbackRate;
    result.fileSize = source.size;

    ChunkReader reader(fileno(source.file.get()), source.size);
    Chunk chunk;
    for (;;) {
        const ReadResult next = reader.Next(chunk);
        if (next == ReadResult::End)
            break;
        if (next == ReadResult::Error) {
            error = path + ": " + std::strerror(errno);
            return 1;
        }
        switch (chunk.kind) {
        case KIND_KEY_VIDEO:
            ++result.keyVideoChunks;
            break;
        case KIND_VIDEO:
            ++result.videoChunks;
            break;
        case KIND_AUDIO:
            ++result.audioChunks;
            break;
        }
    }
    result.damagedChunks = reader.DamagedChunks();
    result.fileSize = reader.FileSize();
    return 0;
}
