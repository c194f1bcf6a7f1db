#include "cli/standard_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "cli/command_options.h"
#include "cli/program_name.h"

int CloseStandardOutput(int status) {
    // The iostreams write through stdio (they are synchronised with it), so
    // a failed write shows in the C streams' error flags.
    std::cout.flush();
    const bool failedEarlier = std::cout.bad() || std::ferror(stdout) != 0;
    errno = 0;
    const bool failedNow = std::fclose(stdout) != 0;
    if (failedEarlier || failedNow) {
        // The cause of a write that failed earlier is gone by now; the
        // message then says only what was lost, as coreutils does.
        const int error = failedNow ? errno : 0;
        std::fprintf(stderr, "%s: write error%s%s\n", kProgramName, error != 0 ? ": " : "",
                     error != 0 ? std::strerror(error) : "");
        status = kExitFailure;
    }
    std::cerr.flush();
    if (std::cerr.bad() || std::ferror(stderr) != 0 || std::fclose(stderr) != 0)
        status = kExitFailure;
    return status;
}
