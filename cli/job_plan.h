// Which destination each source is converted to, and which jobs are refused
// before any conversion starts.
#pragma once

#include <string>
#include <vector>

#include "cli/command_options.h"
#include "convert/failure.h"

struct PlannedJob {
    std::string source;
    // With --join: the sources read after `source` into the same dest.
    std::vector<std::string> joined;
    std::string dest;
    // Why the job may not run, none when it may; a refused job leaves every
    // file as it was. Its file is the destination and its cause is safe to
    // print. A destination that exists (FailureKind::DestinationExists) is
    // skipped instead of failed with --no-clobber, as when it appears while
    // the job runs.
    Failure refusal;
};

// The source path with its extension replaced by the format's, ".avi" or
// ".mp4" (added when the file name has none).
std::string DefaultDestination(const std::string& source, OutputFormat format = OutputFormat::Avi);

// One job per source, in order, planned before any runs. Without --force an
// existing destination is refused. Refused whatever --force says: a
// destination that is another source of the run (by any path or link), and
// one that an earlier job of the run writes, so one run never overwrites a
// recording it reads nor its own result; with --force also one that differs
// from an earlier job's only in letter case (one file on FAT and Windows).
// With --join, one job reads every source into the --output file, which the
// converter refuses when it is one of them.
std::vector<PlannedJob> PlanJobs(const CommandOptions& options);
