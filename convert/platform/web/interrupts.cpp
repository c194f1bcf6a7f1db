// Interrupts in a browser's worker: there are no signals. The page stops a
// job by ending the worker that runs it, which the job never sees; what the
// job left in the browser's storage the page then removes (web/page.js).
#include "convert/platform/interrupts.h"

#include <cstdlib>

void InstallInterruptHandlers() {}

int InterruptSignal() {
    return 0;
}

void ReraiseInterrupt(int) {
    std::abort();
}
