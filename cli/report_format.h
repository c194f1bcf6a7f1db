// The text veltrano-convert prints about a finished conversion or a probed
// recording.
#pragma once

#include <cstdint>
#include <string>

struct ConversionStats;
struct ProbeResult;

// "52.4 MB" style, decimal units as in the progress display's MB/s.
std::string FormatBytes(std::int64_t bytes);

// "42.0 s" below a minute, "m:ss.s" or "h:mm:ss.s" above.
std::string FormatDuration(double seconds);

// Video frames a conversion wrote, key frames included.
std::int64_t VideoFrames(const ConversionStats& stats);

// Two lines or more, no newline at the end, each short enough for 80
// columns with ordinary names: "SOURCE -> DEST:", the duration at the rate
// used (every time slot of the AVI's video; the sound's length when there is
// no picture), output size and time taken; then, indented, the counts of
// frames, audio blocks and damaged chunks; then a line for each thing that
// went otherwise than usual (packets the muxer refused, frames an MP4 left
// out or had no key frame to start from, a source that grew or shrank
// meanwhile); then, for a join, where each source starts. Names are made
// safe to print; a join's first line counts its sources ("3 recordings ->
// DEST") instead of naming one.
std::string FormatSummary(const std::string& source, const std::string& dest,
                          const ConversionStats& stats, double secondsTaken);

// Several lines, each ending in a newline, the first naming the recording.
std::string FormatProbe(const std::string& path, const ProbeResult& probe);
