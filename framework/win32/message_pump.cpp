// The paint pump over PeekMessageW. Work runs inside a message handler, so
// the dialog's own loop is not running meanwhile: the pump dispatches what
// keeps the windows alive (painting, timers, posted messages) and drops
// keyboard and mouse input and dropped files. Closing is kept as a request
// instead: the close box, Alt+F4, WM_CLOSE and SC_CLOSE from outside (a
// window manager, taskkill without /f) and the end of the session.
#include "framework/message_pump.h"

#include "framework/win32/backend.h"

namespace {

bool g_closeRequested = false;
bool g_pumping = false;
bool g_closeOnTermination = false;
int g_paintIntervalMs = 20;
ULONGLONG g_lastPump = 0;

bool IsUserInput(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK) ||
           message == WM_NCMOUSEHOVER || message == WM_NCMOUSELEAVE;
}

// The gestures that would close the window, seen before the input is dropped.
bool IsCloseGesture(const MSG& msg) {
    return (msg.message == WM_NCLBUTTONDOWN && msg.wParam == HTCLOSE) ||
           (msg.message == WM_SYSKEYDOWN && msg.wParam == VK_F4);
}

} // namespace

BOOL AfxKeepCloseRequest(UINT message, WPARAM wParam, LRESULT* pResult) {
    if (!g_pumping)
        return FALSE;
    switch (message) {
    case WM_CLOSE:
        break;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) != SC_CLOSE)
            return FALSE;
        break;
    case WM_QUERYENDSESSION:
        // The session waits while the work stops and cleans up; the dialog
        // then closes and the program ends.
        if (!g_closeOnTermination)
            return FALSE;
        g_closeRequested = true;
        *pResult = FALSE;
        return TRUE;
    case WM_ENDSESSION:
        // The session ends regardless; the program may be ended once this
        // returns, and the job's unfinished output goes with its handle.
        if (!g_closeOnTermination || !wParam)
            return FALSE;
        break;
    default:
        return FALSE;
    }
    g_closeRequested = true;
    *pResult = 0;
    return TRUE;
}

BOOL AfxIsCloseRequested() {
    return g_closeRequested;
}

void AfxClearCloseRequest() {
    g_closeRequested = false;
}

void AfxCloseOnTerminationRequest() {
    g_closeOnTermination = true;
}

void AfxSetPaintInterval(int milliseconds) {
    g_paintIntervalMs = milliseconds;
}

void AfxPumpPaintMessages(BOOL bForce) {
    const ULONGLONG now = GetTickCount64();
    if (!bForce && g_lastPump != 0 && now - g_lastPump < static_cast<ULONGLONG>(g_paintIntervalMs))
        return;
    g_pumping = true;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Left for the loop that owns it.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (IsUserInput(msg.message)) {
            g_closeRequested = g_closeRequested || IsCloseGesture(msg);
            continue;
        }
        // Files dropped meanwhile are dropped too, and the system's copy of their names freed.
        if (msg.message == WM_DROPFILES) {
            DragFinish(reinterpret_cast<HDROP>(msg.wParam));
            continue;
        }
        DispatchMessageW(&msg);
    }
    g_pumping = false;
    g_lastPump = GetTickCount64();
}
