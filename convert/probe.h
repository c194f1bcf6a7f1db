// What a recording holds, found with the same parsing the conversion uses;
// writes nothing.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "convert/failure.h"
#include "convert/picture_format.h"
#include "convert/source/source_format.h"
#include "convert/stream_converter.h"

struct ProbeResult {
    std::array<RateRecord, kRateRecordCount> records{};
    int headerRate = 0; // 0: the header gives none
    int rate = 0;       // the rate that applies
    bool rateFromHeader = false;
    std::int64_t sizeAtStart = 0;
    std::int64_t fileSize = 0;    // where the file ended: it may grow or shrink meanwhile
    std::int64_t videoChunks = 0; // all video, key chunks included
    std::int64_t keyVideoChunks = 0;
    std::int64_t audioChunks = 0;
    std::int64_t damagedChunks = 0;
    std::int64_t videoSlots = 0; // as the AVI would hold them, lost frames included
    PictureFormat picture;       // the first key frame's that decodes, if any does
    double DurationSeconds() const { return rate > 0 ? double(videoSlots) / rate : 0.0; }
};

// Reads the whole recording. `callback`, when given, hears progress as the
// job's does and stops the probe (a Cancelled failure) by returning nonzero.
// A source that is not a recording fails as the conversion would.
Failure ProbeRecording(const std::string& path, int fallbackRate, ProbeResult& result,
                       ProgressCallback callback = nullptr, void* context = nullptr);
