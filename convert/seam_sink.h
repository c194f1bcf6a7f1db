// The pipeline's sink for a conversion of several sources: the output's own
// sink, noting where each source's first frame lands in the output.
#pragma once

#include "convert/conversion_stats.h"
#include "convert/output/media_output.h"
#include "convert/pipeline.h"

class SeamSink : public ChunkSink {
public:
    // `inner` writes into `output` and counts into `stats`, which receives
    // the seams.
    SeamSink(ChunkSink& inner, const ChunkSource& source, const MediaOutput& output,
             ConversionStats& stats)
        : m_inner(inner), m_source(source), m_output(output), m_stats(stats) {}

    Failure Take(const Chunk& chunk) override;
    void Lose(ChunkKind kind) override;
    // A source whose frames were all lost starts where the output ends.
    void Finish();

private:
    void NoteSource();

    ChunkSink& m_inner;
    const ChunkSource& m_source;
    const MediaOutput& m_output;
    ConversionStats& m_stats;
    bool m_placed = true; // the last seam has its slot
};
