// The console's control handler that InstallInterruptHandlers registers:
// Ctrl+C, Ctrl+Break and closing the console window set the interrupt flag.
// Declared for tests, which call it as the system would where no console
// event can be sent (Wine delivers none to another process).
#pragma once

#include <windows.h>

BOOL WINAPI OnConsoleEvent(DWORD event);
