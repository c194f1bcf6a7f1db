// What the user asked veltrano-convert to do, read from its command line.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "convert/stream_converter.h"

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1; // at least one source was not converted
constexpr int kExitUsage = 2;   // the command line itself was wrong

struct CommandOptions {
    std::vector<std::string> sources;
    std::string outputFile; // -o: only with a single source, or with --join
    std::string outputDir;  // -d
    int fallbackRate = kDefaultFrameRate;
    // --format; without it MP4 when -o names an .mp4 file, AVI otherwise.
    OutputFormat format = OutputFormat::Avi;
    int jobs = 1; // sources converted at once (-j), at least 1
    bool force = false;
    bool noClobber = false; // -n: a source whose destination exists is skipped
    bool quiet = false;
    bool probe = false;
    bool json = false; // --probe's report as one JSON document
    bool join = false; // every source, in order, into the one outputFile
};

struct ParsedCommand {
    bool proceed = false; // false: nothing to run, exit with exitCode
    int exitCode = kExitSuccess;
    CommandOptions options;
};

// Reads argv. --help and --version print to `out` and do not proceed; usage
// errors print "veltrano-convert: cause" and a hint to `err` and end with
// kExitUsage.
ParsedCommand ParseCommandLine(int argc, const char* const* argv, std::ostream& out,
                               std::ostream& err);
