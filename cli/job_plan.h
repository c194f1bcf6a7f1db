// Which destination each source is converted to, and which jobs are refused
// before any conversion starts.
#pragma once

#include <string>
#include <vector>

#include "cli/command_options.h"

struct PlannedJob {
    std::string source;
    std::string dest;
    // Empty when the job may run; otherwise the error "FILE: cause" that
    // replaces it, safe to print. A refused job leaves every file as it was.
    std::string refusal;
    // With --no-clobber, a job whose destination exists is skipped instead:
    // refusal then holds "SOURCE: skipped: DEST exists".
    bool skipped = false;
};

// The line of a job skipped because its destination exists, safe to print.
std::string SkippedLine(const std::string& source, const std::string& dest);

// The source path with its extension replaced by the format's, ".avi" or
// ".mp4" (added when the file name has none).
std::string DefaultDestination(const std::string& source, OutputFormat format = OutputFormat::Avi);

// One job per source, in order, planned before any runs. Without --force an
// existing destination is refused, or skipped with --no-clobber. Refused whatever --force says: a
// destination that is another source of the run (by any path or link), and
// one that an earlier job of the run writes, so one run never overwrites a
// recording it reads nor its own result; with --force also one that differs
// from an earlier job's only in letter case (one file on FAT and Windows).
std::vector<PlannedJob> PlanJobs(const CommandOptions& options);
