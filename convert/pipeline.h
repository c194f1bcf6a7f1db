// The one way a recording is read: a source finds and frames its chunks,
// a step checks and prepares each (the sound's nibbles put in playing
// order, damage reported), and a sink receives them: the probe's counters,
// or an output. Conversion and probe are two uses of RunPipeline.
#pragma once

#include <cstdint>
#include <functional>

#include "convert/failure.h"
#include "convert/source/chunk_source.h"

// What receives a recording's chunks, in the order they lie in it.
class ChunkSink {
public:
    virtual ~ChunkSink() = default;
    // An intact chunk, its sound in playing order. A failure stops the run.
    virtual Failure Take(const Chunk& chunk) = 0;
    // A damaged chunk of `kind`, dropped.
    virtual void Lose(ChunkKind kind) = 0;
};

// Asked after every chunk, damaged or not, and after every stretch searched
// in vain, with (bytes read, bytes in all); false stops the run.
using CarryOn = std::function<bool(std::int64_t bytesRead, std::int64_t size)>;

// The step between source and sink: an intact chunk as found in the file,
// made ready for any sink (an audio chunk's nibbles put in playing order).
void PrepareChunk(Chunk& chunk);

// Reads all of `source` into `sink`. The bytes read reported stay short of
// the size: a run is complete only once its caller has finished with the
// result. Fails with the source's or the sink's failure, or as Cancelled
// when `carryOn` said stop.
Failure RunPipeline(ChunkSource& source, ChunkSink& sink, const CarryOn& carryOn);
