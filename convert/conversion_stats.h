// What a conversion did: the figures its summary reports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "convert/output/media_output.h"
#include "convert/picture_format.h"

// Where a recording's picture changed size: at its `frame`th video frame
// (damaged ones counted), to `width` x `height`.
struct SizeChange {
    std::int64_t frame = 0;
    int width = 0;
    int height = 0;
};

// Where one source of a conversion starts in the output.
struct JoinSeam {
    std::string source;
    std::int64_t videoSlot = 0; // the output's time slot of its first frame
};

struct ConversionStats {
    int frameRate = 0;            // the rate written into the AVI
    bool rateFromHeader = false;  // false: the fallback rate applied
    std::int64_t sizeAtStart = 0; // the source's size when the job began
    std::int64_t fileSize = 0;    // where the source ended: it may grow or shrink meanwhile
    std::int64_t videoSlots = 0;  // time slots of the AVI's video, frames lost to damage included
    std::int64_t videoPackets = 0;
    std::int64_t keyVideoPackets = 0;
    std::int64_t audioPackets = 0;
    std::int64_t damagedChunks = 0;  // dropped by the chunk search
    std::int64_t refusedPackets = 0; // dropped because the muxer refused them
    OutputFormat format = OutputFormat::Avi;
    // MP4 only: frames before the first key frame, and the sound with them
    // (in samples at 8000 Hz), left out because no decoder can show them.
    std::int64_t framesLeftOut = 0;
    std::int64_t soundSamplesLeftOut = 0;
    // MP4 only: key frames whose parameter sets did not decode, dropped
    // before the picture started; counted among the damaged chunks too.
    std::int64_t undecodableKeyFrames = 0;
    std::int64_t outputBytes = 0; // size of the finished file
    // The picture the output declares: the first key frame's within the
    // look-ahead, or the defaults; and where it changed size after it.
    PictureFormat picture;
    std::vector<SizeChange> sizeChanges;
    // Every source in order, where it starts; more than one in a join.
    std::vector<JoinSeam> seams;
};
