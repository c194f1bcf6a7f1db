// A recording opened for conversion or probing: its file, its header and the
// frame rate that applies, chosen the same way for both.
#pragma once

#include <cstdint>
#include <string>

#include "convert/failure.h"
#include "convert/platform/files.h"
#include "convert/source/source_format.h"

struct Recording {
    std::string path;
    SourceFile file;
    std::uint8_t header[kHeaderBytes] = {};
    std::size_t headerBytes = 0; // how much of the header the file has
    int rate = 0;
    bool rateFromHeader = false; // false: the fallback rate applies
};

// Opens `path`, reads its header and chooses the rate: the header's, or
// `fallbackRate` when it gives none. A fallback outside
// kMinFrameRate..kMaxFrameRate that would apply is a failure.
Failure OpenRecording(const std::string& path, int fallbackRate, Recording& recording);

// What the chunks found in a file say of whether it is a recording.
struct RecordingEvidence {
    std::int64_t intactChunks = 0;
    std::int64_t intactVideo = 0;
    std::int64_t intactBytes = 0;  // of every intact chunk, tag to end
    std::int64_t otherNonZero = 0; // bytes outside intact chunks that are not zero

    // At least one intact video frame, or intact chunks that make up a real
    // share (a tenth) of the bytes that are not zero. Zero-filled space,
    // which recorders preallocate, counts for nothing; a file of random
    // bytes may hold a chance tag, but never a tenth of its bytes in chunks.
    bool HoldsARecording() const;
};

// The failure for a source whose chunks do not make a recording.
Failure NotARecording(const std::string& path, const RecordingEvidence& evidence);
