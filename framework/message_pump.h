// For work that holds the dialog's thread: lets the windows repaint (the
// progress bar advances, uncovered parts are redrawn) and throws away the
// mouse and keyboard input that arrived meanwhile, so that nothing the user
// did during the work is replayed once it ends.
//
// Repainting is paced: a call less than the paint interval after the last
// one returns at once, unless bForce is set. The window still follows the
// work smoothly, and a job that reports thousands of times pays for a few
// dozen repaints a second only. Call with bForce when the work ends, so that
// no input is left waiting for the next message loop.
#pragma once

#include "framework/win_types.h"

void AfxPumpPaintMessages(BOOL bForce = FALSE);

// The pacing interval in milliseconds (default 20, 50 repaints a second at most).
void AfxSetPaintInterval(int milliseconds);
