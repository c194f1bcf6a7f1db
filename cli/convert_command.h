// Carries out a parsed veltrano-convert command: converts every source,
// up to options.jobs of them at once, or probes each, and reports on each.
#pragma once

#include <ostream>

#include "cli/command_options.h"
#include "cli/terminal.h"

// Summaries and probe reports go to `out`; errors ("veltrano-convert: FILE:
// cause") and progress bars to `err`, every name in them made safe to print.
// Jobs start in the order of the sources; each file's line is printed whole
// as it finishes. With one job at a time each file has its own bar; with
// more, one line shows the batch. A failed or refused source does not stop
// the others; an interrupt does: every running job is stopped and no
// further source is started. Returns kExitSuccess when every source
// succeeded, kExitFailure otherwise. *stopped, when given, says whether the
// interrupt cost anything (a job cancelled, a source left unstarted); a stop
// request that came too late for the last job, whose AVI was already in
// place, did not.
int RunCommand(const CommandOptions& options, std::ostream& out, std::ostream& err,
               const Terminal& terminal, bool* stopped = nullptr);
