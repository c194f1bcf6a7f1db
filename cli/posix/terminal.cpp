// The terminal on POSIX systems: arguments and output are UTF-8 already.
#include "cli/terminal.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

bool OpenStandardStreams() {
    // Started with one closed (`>&-`), the next file opened would get its
    // number, and every line printed would land in it. The lowest free
    // number is the one the null device then takes.
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        const int opened = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (opened != fd) {
            if (opened >= 0)
                close(opened);
            return false;
        }
    }
    // A reader that goes away (`| head`) must not end the batch: its writes
    // then fail with EPIPE, the conversions go on, and the lost text is
    // reported once at the end.
    return std::signal(SIGPIPE, SIG_IGN) != SIG_ERR;
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

namespace {

int ErrorStreamColumns() {
    winsize size{};
    return ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

} // namespace

Terminal SetUpTerminal() {
    Terminal terminal;
    terminal.showProgress = isatty(STDERR_FILENO) == 1;
    if (!terminal.showProgress)
        return terminal;
    if (const int columns = ErrorStreamColumns(); columns > 0)
        terminal.width = columns;
    // Asked again at each redraw (ten times a second at most), so a resized
    // window gets a line of its new width.
    terminal.currentWidth = [fallback = terminal.width] {
        const int columns = ErrorStreamColumns();
        return columns > 0 ? columns : fallback;
    };
    return terminal;
}
