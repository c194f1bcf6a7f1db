// The conversion job: one recording in, one AVI or MP4 out, in one
// synchronous call on the pipeline.
#pragma once

#include <string>

#include "convert/conversion_stats.h"
#include "convert/expected.h"
#include "convert/output/media_output.h"
#include "convert/pipeline.h"

struct ConversionRequest {
    std::string source;
    std::string dest;
    int fallbackRate = 25; // when the recording's header gives none
    OutputFormat format = OutputFormat::Avi;
    // Whether an existing destination is replaced. Without, a destination
    // that exists when the file is ready, even one that appeared during
    // the run, is left alone and the job fails with kExistsCause.
    bool replace = true;
};

// Converts the request's recording. `carryOn` hears the progress, short of
// completion until the file is complete and in place, then once with the
// bytes read equal to the size; false before then stops the job (Cancelled).
// On failure nothing is left behind and an existing destination is
// untouched; a source that is not a recording fails as NotARecording.
Expected<ConversionStats> ConvertRecording(const ConversionRequest& request,
                                           const CarryOn& carryOn);
