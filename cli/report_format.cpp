#include "cli/report_format.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>

#include "cli/safe_text.h"
#include "convert/output/stream_parameters.h"
#include "convert/probe.h"
#include "convert/stream_converter.h"

namespace {

std::string Printf(const char* format, auto... args) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return buffer;
}

// "1 video frame", "2 video frames".
std::string Counted(std::int64_t count, const char* noun) {
    return Printf("%" PRId64 " %s%s", count, noun, count == 1 ? "" : "s");
}

std::string RateSource(bool fromHeader) {
    return fromHeader ? "from the header" : "fallback, the header gives none";
}

// "1:00.0 at 25 fps" as long as the picture plays, every time slot counted
// (frames lost to damage keep their time); "12.0 s of sound" for a file
// without a picture, whose rate times nothing.
std::string Playing(const ConversionStats& stats) {
    if (stats.videoPackets == 0)
        return FormatDuration(double(stats.audioPackets) * kAudioSamplesPerBlock /
                              kAudioSampleRate) +
               " of sound";
    const double seconds = stats.frameRate > 0 ? double(stats.videoSlots) / stats.frameRate : 0.0;
    return FormatDuration(seconds) + Printf(" at %d fps", stats.frameRate) +
           (stats.rateFromHeader ? "" : " (fallback)");
}

// No decoder can show frames before the first key frame: an MP4 starts at
// it, with the sound that plays from there, or has no picture without one.
std::string LeftOutLine(const ConversionStats& stats) {
    // A key frame whose parameter sets are damaged starts nothing.
    std::string text;
    if (stats.undecodableKeyFrames > 0)
        text = "\n  " + Counted(stats.undecodableKeyFrames, "key frame") +
               " with damaged parameter sets dropped";
    if (stats.framesLeftOut == 0)
        return text;
    if (VideoFrames(stats) == 0)
        return text + "\n  no key frame" +
               (stats.undecodableKeyFrames > 0 ? " that decodes: " : ": ") +
               Counted(stats.framesLeftOut, "frame") + " left out, the MP4 holds no picture";
    return text + "\n  " + Counted(stats.framesLeftOut, "frame") +
           " before the first key frame left out, and " +
           FormatDuration(double(stats.soundSamplesLeftOut) / kAudioSampleRate) + " of sound";
}

// A join's first line counts its sources; the lines of its seams name them.
std::string SourceText(const std::string& source, const ConversionStats& stats) {
    if (stats.seams.size() < 2)
        return SafeText(source);
    return Printf("%zu recordings", stats.seams.size());
}

// A join's seams: where each source starts in the output, in time and in
// frames (the video's time slots, counted from 0).
std::string SeamLines(const ConversionStats& stats) {
    if (stats.seams.size() < 2)
        return "";
    std::string text;
    for (const JoinSeam& seam : stats.seams) {
        const double seconds = stats.frameRate > 0 ? double(seam.videoSlot) / stats.frameRate : 0;
        text += "\n  " + SafeText(seam.source) + " starts at " + FormatDuration(seconds) +
                Printf(" (frame %" PRId64 ")", seam.videoSlot);
    }
    return text;
}

// "1280x720", and the pixels' shape when the stream gives one.
std::string PictureSize(const PictureFormat& picture) {
    std::string text = Printf("%dx%d", picture.width, picture.height);
    if (picture.sarNum > 0)
        text += Printf(", pixel aspect %d:%d", picture.sarNum, picture.sarDen);
    return text;
}

// The output declares the first size; a decoder follows the stream.
std::string SizeChangeLines(const ConversionStats& stats) {
    std::string text;
    for (const SizeChange& change : stats.sizeChanges)
        text += Printf("\n  the picture is %dx%d from frame %" PRId64 " (", change.width,
                       change.height, change.frame) +
                FormatDuration(stats.frameRate > 0 ? double(change.frame) / stats.frameRate : 0.0) +
                Printf(") on, %dx%d declared", stats.picture.width, stats.picture.height);
    return text;
}

} // namespace

std::string FormatBytes(std::int64_t bytes) {
    if (bytes < 1000)
        return Printf("%" PRId64 " B", bytes);
    const char* units[] = {"kB", "MB", "GB", "TB"};
    double value = double(bytes) / 1000.0;
    std::size_t unit = 0;
    while (value >= 999.95 && unit + 1 < std::size(units)) {
        value /= 1000.0;
        ++unit;
    }
    return Printf("%.1f %s", value, units[unit]);
}

std::string FormatDuration(double seconds) {
    if (!(seconds >= 0.0))
        seconds = 0.0;
    // Round once, to tenths, so 59.97 s shows as 1:00.0 rather than 0:60.0.
    const std::int64_t tenths = std::llround(seconds * 10.0);
    if (tenths < 600)
        return Printf("%.1f s", double(tenths) / 10.0);
    const std::int64_t totalSeconds = tenths / 10;
    const int tenth = int(tenths % 10);
    const std::int64_t hours = totalSeconds / 3600;
    const int minutes = int(totalSeconds / 60 % 60);
    const int secs = int(totalSeconds % 60);
    if (hours > 0)
        return Printf("%" PRId64 ":%02d:%02d.%d", hours, minutes, secs, tenth);
    return Printf("%d:%02d.%d", minutes, secs, tenth);
}

std::int64_t VideoFrames(const ConversionStats& stats) {
    return stats.videoPackets;
}

std::string FormatSummary(const std::string& source, const std::string& dest,
                          const ConversionStats& stats, double secondsTaken) {
    std::string text = SourceText(source, stats) + " -> " + SafeText(dest) + ": " + Playing(stats) +
                       ", " + FormatBytes(stats.outputBytes) + Printf(" in %.2f s", secondsTaken);
    text += "\n  " + Counted(VideoFrames(stats), "video frame") +
            Printf(" (%" PRId64 " key), ", stats.keyVideoPackets) +
            Counted(stats.audioPackets, "audio block") + ", " +
            Counted(stats.damagedChunks, "damaged chunk") + " dropped";
    if (stats.refusedPackets > 0)
        text += "\n  " + Counted(stats.refusedPackets, "packet") + " refused by the muxer";
    text += LeftOutLine(stats);
    text += SizeChangeLines(stats);
    // Still being recorded, or cut by something else: the AVI may not hold
    // what the file holds now.
    if (stats.fileSize > stats.sizeAtStart)
        text += "\n  the source grew by " + FormatBytes(stats.fileSize - stats.sizeAtStart) +
                " while converted";
    else if (stats.fileSize < stats.sizeAtStart)
        text += "\n  the source shrank by " + FormatBytes(stats.sizeAtStart - stats.fileSize) +
                " while converted";
    return text + SeamLines(stats);
}

std::string FormatProbe(const std::string& path, const ProbeResult& probe) {
    std::string text = SafeText(path) + ": " + FormatBytes(probe.fileSize) + "\n";
    for (std::size_t i = 0; i < probe.records.size(); ++i) {
        const RateRecord& r = probe.records[i];
        std::string rate = r.decodedRate > 0 ? Printf("%d fps", r.decodedRate) : "no rate";
        text += Printf("  rate record %zu: %-11s byte 0x%02x, %s\n", i + 1,
                       r.inUse ? "in use," : "not in use,", unsigned(r.rateByte), rate.c_str());
    }
    text += Printf("  rate: %d fps (%s)\n", probe.rate, RateSource(probe.rateFromHeader).c_str());
    text += Printf("  video chunks: %" PRId64 " key, %" PRId64 " non-key\n", probe.keyVideoChunks,
                   probe.videoChunks - probe.keyVideoChunks);
    text += Printf("  audio chunks: %" PRId64 "\n", probe.audioChunks);
    text += Printf("  damaged chunks: %" PRId64 "\n", probe.damagedChunks);
    text += "  duration: " + FormatDuration(probe.DurationSeconds()) +
            Printf(" at %d fps\n", probe.rate);
    if (probe.picture.fromStream)
        text += "  picture: " + PictureSize(probe.picture) + ", H.264 " +
                ProfileName(probe.picture) + " profile, level " + LevelName(probe.picture) + "\n";
    else
        text += "  picture: no key frame decodes\n";
    return text;
}
