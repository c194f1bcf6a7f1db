#include "cli/probe_json.h"

#include <cstdio>

#include "cli/json_text.h"
#include "convert/probe.h"

namespace {

std::string Number(std::int64_t value) {
    return std::to_string(value);
}

std::string Boolean(bool value) {
    return value ? "true" : "false";
}

// null when no key frame decodes.
std::string PictureJson(const PictureFormat& picture) {
    if (!picture.fromStream)
        return "null";
    const std::string sar =
        picture.sarNum > 0
            ? JsonString(std::to_string(picture.sarNum) + ":" + std::to_string(picture.sarDen))
            : "null";
    return "{\"width\": " + Number(picture.width) + ", \"height\": " + Number(picture.height) +
           ", \"sample_aspect_ratio\": " + sar +
           ", \"profile\": " + JsonString(ProfileName(picture)) +
           ", \"level\": " + JsonString(LevelName(picture)) + "}";
}

} // namespace

std::string FormatProbeJson(const std::string& path, const ProbeResult& probe) {
    std::string json = "  {\n    \"file\": " + JsonString(path) + ",\n";
    json += "    \"size\": " + Number(probe.fileSize) + ",\n    \"rate_records\": [\n";
    for (std::size_t i = 0; i < probe.records.size(); ++i) {
        const RateRecord& r = probe.records[i];
        json += "      {\"in_use\": " + Boolean(r.inUse) + ", \"byte\": " + Number(r.rateByte) +
                ", \"rate\": " + (r.decodedRate > 0 ? Number(r.decodedRate) : "null") + "}" +
                (i + 1 < probe.records.size() ? ",\n" : "\n");
    }
    json += "    ],\n    \"rate\": " + Number(probe.rate) + ",\n";
    json += std::string("    \"rate_source\": ") +
            (probe.rateFromHeader ? "\"header\"" : "\"fallback\"") + ",\n";
    json += "    \"video_chunks\": {\"key\": " + Number(probe.keyVideoChunks) +
            ", \"non_key\": " + Number(probe.videoChunks - probe.keyVideoChunks) + "},\n";
    json += "    \"audio_chunks\": " + Number(probe.audioChunks) + ",\n";
    json += "    \"damaged_chunks\": " + Number(probe.damagedChunks) + ",\n";
    json += "    \"picture\": " + PictureJson(probe.picture) + ",\n";
    char duration[32];
    std::snprintf(duration, sizeof duration, "%.3f", probe.DurationSeconds());
    return json + "    \"duration_seconds\": " + duration + "\n  }";
}

std::string FormatProbeErrorJson(const std::string& path, const std::string& cause) {
    return "  {\n    \"file\": " + JsonString(path) + ",\n    \"error\": " + JsonString(cause) +
           "\n  }";
}
