// A recording opened for conversion or probing: its file, its header and the
// frame rate that applies, chosen the same way for both.
#pragma once

#include <cstdint>
#include <string>

#include "convert/file_layer.h"
#include "convert/source_format.h"

struct Recording {
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

// The failure for a source whose chunks do not make a recording (see
// ChunkReader::HoldsARecording), of which `intactChunks` were found.
Failure NotARecording(const std::string& path, std::int64_t intactChunks);
