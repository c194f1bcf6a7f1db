// veltrano-convert: converts .264 recordings into AVI files from a shell.
#include <iostream>
#include <unistd.h>

#include "cli/command_options.h"
#include "cli/convert_command.h"
#include "cli/progress_bar.h"
#include "convert/file_layer.h"

int main(int argc, char** argv) {
    const ParsedCommand parsed = ParseCommandLine(argc, argv, std::cout, std::cerr);
    if (!parsed.proceed)
        return parsed.exitCode;
    Terminal terminal;
    terminal.showProgress = isatty(STDERR_FILENO) == 1;
    if (terminal.showProgress)
        terminal.width = TerminalWidth(STDERR_FILENO);
    // An interrupted job removes what it wrote; then the process ends as the
    // interrupt asked, so the shell sees 130 for Ctrl+C.
    InstallInterruptHandlers();
    const int status = RunCommand(parsed.options, std::cout, std::cerr, terminal);
    if (const int signal = InterruptSignal(); signal != 0)
        ReraiseInterrupt(signal);
    return status;
}
