// The conversion job: one recording in, or several joined one after the
// other, one AVI or MP4 out, in one synchronous call on the pipeline.
#pragma once

#include <string>
#include <vector>

#include "convert/conversion_stats.h"
#include "convert/expected.h"
#include "convert/output/media_output.h"
#include "convert/pipeline.h"

struct ConversionRequest {
    // Read in this order into the one destination; a single conversion is
    // a join of one. All must share the frame rate and the picture size.
    std::vector<std::string> sources;
    std::string dest;
    int fallbackRate = 25; // when the recording's header gives none
    OutputFormat format = OutputFormat::Avi;
    // Whether an existing destination is replaced. Without, a destination
    // that exists when the file is ready, even one that appeared during
    // the run, is left alone and the job fails with kExistsCause.
    bool replace = true;
};

// Converts the request's recordings. `carryOn` hears the progress over all
// of them, short of completion until the file is complete and in place,
// then once with the bytes read equal to the size; false before then stops
// the job (Cancelled). Sources that differ in frame rate or picture size, or
// a destination that is one of them, are refused before anything is
// written. On failure nothing is left behind and an existing destination is
// untouched; a source that is not a recording fails as NotARecording, and a
// join fails whole when any one of its sources fails.
Expected<ConversionStats> ConvertRecording(const ConversionRequest& request,
                                           const CarryOn& carryOn);
