// Carries out a parsed veltrano-convert command: converts or probes every
// source in order and reports on each.
#pragma once

#include <ostream>

#include "cli/command_options.h"

struct Terminal {
    bool showProgress = false; // draw progress bars on `err`
    int width = 80;
};

// Summaries and probe reports go to `out`; errors ("veltrano-convert: FILE:
// cause") and progress bars to `err`. A failed or refused source does not
// stop the others. Returns kExitSuccess when every source succeeded,
// kExitFailure otherwise.
int RunCommand(const CommandOptions& options, std::ostream& out, std::ostream& err,
               const Terminal& terminal);
