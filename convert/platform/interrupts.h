// Interrupts from the user or the system (Ctrl+C, termination, hang-up), so
// a long job can stop cleanly. One implementation per platform.
#pragma once

// After InstallInterruptHandlers, InterruptSignal() turns nonzero when one
// arrives. An interrupt the process was started with ignored (nohup, a
// background job of a script) stays ignored. ReraiseInterrupt ends the
// process the way the interrupt would have, for the exit status shells
// expect.
void InstallInterruptHandlers();
int InterruptSignal();
[[noreturn]] void ReraiseInterrupt(int signal);
