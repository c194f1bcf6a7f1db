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
    // replaces it. A refused job leaves every file as it was.
    std::string refusal;
};

// The source path with its extension replaced by ".avi" (added when the file
// name has none).
std::string DefaultDestination(const std::string& source);

// One job per source, in order. Without --force an existing destination is
// refused. A destination that an earlier job of the same run writes is
// refused too, so one run never overwrites its own result.
std::vector<PlannedJob> PlanJobs(const CommandOptions& options);
