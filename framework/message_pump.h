// For work that holds the dialog's thread: lets the windows repaint (the
// progress bar advances, uncovered parts are redrawn) and throws away the
// mouse and keyboard input that arrived meanwhile, so that nothing the user
// did during the work is replayed once it ends.
#pragma once

void AfxPumpPaintMessages();
