// The pipeline's sink for a conversion: each chunk handed to the output,
// and counted as the output took it.
#pragma once

#include "convert/conversion_stats.h"
#include "convert/output/media_output.h"
#include "convert/pipeline.h"

class OutputSink : public ChunkSink {
public:
    OutputSink(MediaOutput& output, ConversionStats& stats) : m_output(output), m_stats(stats) {}

    Failure Take(const Chunk& chunk) override;
    void Lose(ChunkKind kind) override;

private:
    MediaOutput& m_output;
    ConversionStats& m_stats;
};
