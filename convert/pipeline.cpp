#include "convert/pipeline.h"

#include <algorithm>

void PrepareChunk(Chunk& chunk) {
    if (chunk.kind == KIND_AUDIO)
        ExchangeAudioNibbles(chunk.start, chunk.chunkBytes);
}

Failure RunPipeline(ChunkSource& source, ChunkSink& sink, const CarryOn& carryOn) {
    Chunk chunk;
    for (;;) {
        Expected<ReadResult> next = source.Next(chunk);
        if (!next)
            return next.TakeFailure();
        if (*next == ReadResult::End)
            return {};
        if (*next == ReadResult::Chunk) {
            PrepareChunk(chunk);
            if (Failure failure = sink.Take(chunk))
                return failure;
        } else if (*next == ReadResult::Damaged) {
            sink.Lose(chunk.kind);
        }
        const std::int64_t size = source.Size();
        if (!carryOn(std::min(source.BytesRead(), size - 1), size))
            return {FailureKind::Cancelled, source.Current().path, kCancelledCause};
    }
}
