// What the command needs from the console or terminal it runs in; one
// implementation per platform.
#pragma once

#include <functional>
#include <string>
#include <vector>

// What the command knows of the error stream it reports on.
struct Terminal {
    bool showProgress = false; // draw progress bars on `err`
    int width = 80;
    // The width now, asked again at each redraw when set: the user may
    // resize the window while a file converts.
    std::function<int()> currentWidth;
};

// Makes sure the standard input, output and error are open before any file
// is, so that no file the program opens (the AVI above all) can take their
// place and receive its messages, and that a write to a pipe whose reader
// has gone fails instead of ending the process. False when that could not
// be done.
bool OpenStandardStreams();

// The command line as UTF-8 strings, program name first, whatever encoding
// the system hands it over in.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// Makes the standard streams show UTF-8 text as such, and says whether the
// error stream is a terminal (then progress is drawn on it) and how wide.
Terminal SetUpTerminal();
