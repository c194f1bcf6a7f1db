// The terminal on POSIX systems: arguments and output are UTF-8 already.
#include "cli/terminal.h"

#include <sys/ioctl.h>
#include <unistd.h>

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

Terminal SetUpTerminal() {
    Terminal terminal;
    terminal.showProgress = isatty(STDERR_FILENO) == 1;
    winsize size{};
    if (terminal.showProgress && ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        terminal.width = size.ws_col;
    return terminal;
}
