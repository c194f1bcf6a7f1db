// The pipeline's sink for a conversion: each chunk handed to the output,
// and counted as the output took it; the key frames watched for a change
// of picture size.
#pragma once

#include "convert/conversion_stats.h"
#include "convert/output/media_output.h"
#include "convert/picture_format.h"
#include "convert/pipeline.h"

class OutputSink : public ChunkSink {
public:
    OutputSink(MediaOutput& output, ConversionStats& stats) : m_output(output), m_stats(stats) {}

    Failure Take(const Chunk& chunk) override;
    void Lose(ChunkKind kind) override;

private:
    void WatchPicture(const Chunk& chunk);

    MediaOutput& m_output;
    ConversionStats& m_stats;
    PictureWatch m_watch;
    std::optional<PictureFormat> m_picture; // the size shown now, once known
    std::int64_t m_videoFrames = 0;         // of the recording, damaged ones included
};
