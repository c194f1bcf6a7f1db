// veltrano-convert: converts .264 recordings into AVI files from a shell.
#include <iostream>

#include "cli/command_options.h"
#include "cli/convert_command.h"
#include "cli/terminal.h"
#include "convert/file_layer.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments = CommandLineArguments(argc, argv);
    std::vector<const char*> pointers;
    for (const std::string& argument : arguments)
        pointers.push_back(argument.c_str());
    const Terminal terminal = SetUpTerminal();
    const ParsedCommand parsed =
        ParseCommandLine(static_cast<int>(pointers.size()), pointers.data(), std::cout, std::cerr);
    if (!parsed.proceed)
        return parsed.exitCode;
    // An interrupted job removes what it wrote; then the process ends as the
    // interrupt asked, so the shell sees 130 for Ctrl+C.
    InstallInterruptHandlers();
    const int status = RunCommand(parsed.options, std::cout, std::cerr, terminal);
    if (const int signal = InterruptSignal(); signal != 0)
        ReraiseInterrupt(signal);
    return status;
}
