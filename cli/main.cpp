// veltrano-convert: converts .264 recordings into AVI files from a shell.
#include <iostream>
#include <new>

#include "cli/command_options.h"
#include "cli/convert_command.h"
#include "cli/program_name.h"
#include "cli/standard_output.h"
#include "cli/terminal.h"
#include "convert/failure.h"
#include "convert/platform/files.h"
#include "convert/platform/interrupts.h"

namespace {

int Run(int argc, char** argv) {
    const std::vector<std::string> arguments = CommandLineArguments(argc, argv);
    std::vector<const char*> pointers;
    for (const std::string& argument : arguments)
        pointers.push_back(argument.c_str());
    const Terminal terminal = SetUpTerminal();
    const ParsedCommand parsed =
        ParseCommandLine(static_cast<int>(pointers.size()), pointers.data(), std::cout, std::cerr);
    if (!parsed.proceed)
        return parsed.exitCode;
    // A conversion stops cleanly on an interrupt, removing what it wrote;
    // a probe writes nothing, so the interrupt may end it at once.
    if (!parsed.options.probe)
        InstallInterruptHandlers();
    bool stopped = false;
    const int status = RunCommand(parsed.options, std::cout, std::cerr, terminal, &stopped);
    // Then the process ends as the interrupt asked (a loop in a shell stops
    // too), unless it came too late to stop anything: the last AVI was
    // already in place.
    if (stopped)
        ReraiseInterrupt(InterruptSignal());
    return status;
}

} // namespace

int main(int argc, char** argv) {
    if (!OpenStandardStreams())
        return kExitFailure;
    int status = kExitFailure;
    try {
        status = Run(argc, argv);
    } catch (const std::bad_alloc&) {
        // Each source catches its own; this is what is left (the command
        // line, the plan).
        std::cerr << kProgramName << ": " << kOutOfMemoryCause << '\n';
    }
    return CloseStandardOutput(status);
}
