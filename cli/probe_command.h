// --probe: reads each source and reports what it holds, as text or as one
// JSON document, writing nothing.
#pragma once

#include <ostream>

#include "cli/command_options.h"

// Reports go to `out`, in the order of the sources; errors to `err`
// ("veltrano-convert: FILE: cause"), and with --json also as entries of the
// document. Returns kExitSuccess when every source was read, kExitFailure
// otherwise.
int ProbeAll(const CommandOptions& options, std::ostream& out, std::ostream& err);
