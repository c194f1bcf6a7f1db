// Carries out a parsed veltrano-convert command: converts or probes every
// source in order and reports on each.
#pragma once

#include <functional>
#include <ostream>

#include "cli/command_options.h"

struct Terminal {
    bool showProgress = false; // draw progress bars on `err`
    int width = 80;
    // The width now, asked again at each redraw when set: the user may
    // resize the window while a file converts.
    std::function<int()> currentWidth;
};

// Summaries and probe reports go to `out`; errors ("veltrano-convert: FILE:
// cause") and progress bars to `err`, every name in them made safe to print.
// A failed or refused source does not stop the others; an interrupt does:
// no further source is started. Returns kExitSuccess when every source
// succeeded, kExitFailure otherwise. *stopped, when given, says whether the
// interrupt cost anything (a job cancelled, a source left unstarted); a stop
// request that came too late for the last job, whose AVI was already in
// place, did not.
int RunCommand(const CommandOptions& options, std::ostream& out, std::ostream& err,
               const Terminal& terminal, bool* stopped = nullptr);
