// veltrano-convert: converts .264 recordings into AVI files from a shell.
#include <iostream>
#include <unistd.h>

#include "cli/command_options.h"
#include "cli/convert_command.h"
#include "cli/progress_bar.h"

int main(int argc, char** argv) {
    const ParsedCommand parsed = ParseCommandLine(argc, argv, std::cout, std::cerr);
    if (!parsed.proceed)
        return parsed.exitCode;
    Terminal terminal;
    terminal.showProgress = isatty(STDERR_FILENO) == 1;
    if (terminal.showProgress)
        terminal.width = TerminalWidth(STDERR_FILENO);
    return RunCommand(parsed.options, std::cout, std::cerr, terminal);
}
