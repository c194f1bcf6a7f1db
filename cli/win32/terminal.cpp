// The console on Windows: the command line comes as UTF-16 from the system
// (argv would hold it in the ANSI code page, losing what that cannot spell),
// and the console is told that our output is UTF-8.
#include "cli/terminal.h"

#include <windows.h>

#include <shellapi.h>

#include "convert/platform/win32/system_text.h"

// Nothing to do: the file layer opens files as handles of their own
// (CreateFileW), which never become the standard handles, and the C
// runtime's descriptors 0 to 2 are not reused for them. A missing standard
// handle only makes the runtime's writes to it fail, as does a pipe whose
// reader has gone: Windows has no signal for that.
bool OpenStandardStreams() {
    return true;
}

std::vector<std::string> CommandLineArguments(int, char**) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i)
        arguments.push_back(Utf8FromWide(wide[i]));
    LocalFree(wide);
    return arguments;
}

namespace {

// The visible width of the console window; 0 when the error stream is none.
int ConsoleColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info))
        return 0;
    return info.srWindow.Right - info.srWindow.Left + 1;
}

} // namespace

Terminal SetUpTerminal() {
    SetConsoleOutputCP(CP_UTF8);
    Terminal terminal;
    // A console, not a file or a pipe: only consoles answer this.
    DWORD mode = 0;
    terminal.showProgress = GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
    if (!terminal.showProgress)
        return terminal;
    if (const int columns = ConsoleColumns(); columns > 0)
        terminal.width = columns;
    terminal.currentWidth = [fallback = terminal.width] {
        const int columns = ConsoleColumns();
        return columns > 0 ? columns : fallback;
    };
    return terminal;
}
