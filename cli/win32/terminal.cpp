// The console on Windows: the command line comes as UTF-16 from the system
// (argv would hold it in the ANSI code page, losing what that cannot spell),
// and the console is told that our output is UTF-8.
#include "cli/terminal.h"

#include <windows.h>

#include <shellapi.h>

#include "convert/win32/system_text.h"

std::vector<std::string> CommandLineArguments(int, char**) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i)
        arguments.push_back(Utf8FromWide(wide[i]));
    LocalFree(wide);
    return arguments;
}

Terminal SetUpTerminal() {
    SetConsoleOutputCP(CP_UTF8);
    Terminal terminal;
    // A console, not a file or a pipe: only consoles answer this.
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    CONSOLE_SCREEN_BUFFER_INFO info{};
    terminal.showProgress = GetConsoleMode(err, &mode) != 0;
    if (terminal.showProgress && GetConsoleScreenBufferInfo(err, &info))
        terminal.width = info.srWindow.Right - info.srWindow.Left + 1;
    return terminal;
}
