// For work that holds the dialog's thread: lets the windows repaint (the
// progress bar advances, uncovered parts are redrawn) and throws away the
// mouse and keyboard input and the files dropped meanwhile, so that nothing
// the user did during the work is replayed once it ends. A request to close (the
// close box, Alt+F4, a termination request) is not thrown away but kept: the
// work asks for it after each step, stops, and closes the dialog itself.
//
// Repainting is paced: a call less than the paint interval after the last
// one returns at once, unless bForce is set. The window still follows the
// work smoothly, and a job that reports thousands of times pays for a few
// dozen repaints a second only. Call with bForce when the work ends, so that
// no input is left waiting for the next message loop.
#pragma once

#include "framework/win_types.h"

void AfxPumpPaintMessages(BOOL bForce = FALSE);

// TRUE once a close was asked for during the work. Cleared when a dialog
// starts its modal loop.
BOOL AfxIsCloseRequested();
void AfxClearCloseRequest();

// From now on a termination request from the system closes the program: the
// open windows close as their close boxes would, or, while work holds the
// thread, the request is kept as above.
void AfxCloseOnTerminationRequest();

// The pacing interval in milliseconds (default 20, 50 repaints a second at most).
void AfxSetPaintInterval(int milliseconds);
