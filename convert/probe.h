// What a recording holds, found with the same parsing the conversion uses;
// writes nothing.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "convert/failure.h"
#include "convert/source_format.h"

struct ProbeResult {
    std::array<RateRecord, kRateRecordCount> records{};
    int headerRate = 0; // 0: the header gives none
    int rate = 0;       // the rate that applies
    bool rateFromHeader = false;
    std::int64_t fileSize = 0;
    std::int64_t videoChunks = 0; // all video, key chunks included
    std::int64_t keyVideoChunks = 0;
    std::int64_t audioChunks = 0;
    std::int64_t damagedChunks = 0;
    double DurationSeconds() const { return rate > 0 ? double(videoChunks) / rate : 0.0; }
};

Failure ProbeRecording(const std::string& path, int fallbackRate, ProbeResult& result);
