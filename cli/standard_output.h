// The end of every run: text that could not be written to standard output
// or standard error (a full disk, a closed pipe's reader gone with SIGPIPE
// ignored) makes the run fail, as for any GNU program.
#pragma once

// Flushes and closes both streams; returns `status`, or kExitFailure when
// either lost text, after saying so on standard error while it still works.
// Nothing may be printed afterwards.
int CloseStandardOutput(int status);
