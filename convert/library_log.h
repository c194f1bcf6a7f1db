// FFmpeg's libraries write log lines of their own onto standard error
// ("[avi @ 0x...] ..."). Routed through here instead, none reaches the
// user's terminal or, with standard error closed, a file the program writes;
// the last error they gave on a thread explains that thread's next failure.
#pragma once

#include <string>

// Takes over the libraries' log for the whole process; the first call does.
void RouteLibraryLog();
// The last error-level message the libraries gave on this thread since
// ClearLibraryError, without its prefix; empty when none.
std::string LastLibraryError();
void ClearLibraryError();
