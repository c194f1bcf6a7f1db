// Interrupts over the console's control events.
#include "convert/platform/interrupts.h"

#include <windows.h>

#include <atomic>
#include <csignal>

#include "convert/platform/win32/console_events.h"

namespace {

std::atomic<int> g_interrupt{0};

} // namespace

BOOL WINAPI OnConsoleEvent(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
        g_interrupt.store(SIGINT);
        return TRUE;
    case CTRL_BREAK_EVENT:
        g_interrupt.store(SIGBREAK);
        return TRUE;
    case CTRL_CLOSE_EVENT:
        // The process ends when this returns; the job has until then (the
        // system allows five seconds) to remove what it wrote and exit.
        g_interrupt.store(SIGTERM);
        Sleep(4500);
        return TRUE;
    default:
        return FALSE;
    }
}

// Nothing to check here: a process started with Ctrl+C ignored (its parent
// called SetConsoleCtrlHandler(NULL, TRUE), or created it with
// CREATE_NEW_PROCESS_GROUP) inherits that flag, and the system then calls no
// handler for CTRL_C_EVENT; registering ours leaves the flag as it is.
// Ctrl+Break and closing the console cannot be ignored on Windows.
void InstallInterruptHandlers() {
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

int InterruptSignal() {
    return g_interrupt.load();
}

// The status a console program stopped by Ctrl+C ends with.
void ReraiseInterrupt(int) {
    ExitProcess(STATUS_CONTROL_C_EXIT);
}
