// --probe --json: one entry of the document per source, the figures the
// text report shows, numbers as numbers.
#pragma once

#include <string>

struct ProbeResult;

// An object, indented as an element of the document's top-level array, with
// no newline after it: file, size, the four rate records, the rate and where
// it came from, the chunk counts and the duration.
std::string FormatProbeJson(const std::string& path, const ProbeResult& probe);

// The entry of a source that could not be probed: file and error.
std::string FormatProbeErrorJson(const std::string& path, const std::string& cause);
