// Termination requests on POSIX systems: SIGTERM. The signal handler only
// writes a byte to a pipe, which is safe in a handler; the event loop reads it
// and closes the open windows in the program's own time. While work holds the
// thread, the message pump keeps those closes as a request to stop.
#include <QApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "framework/message_pump.h"

namespace {

int g_wakeUp[2] = {-1, -1};

void OnTerminationSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(g_wakeUp[1], &byte, 1);
    errno = savedErrno;
}

void CloseOpenWindows() {
    char bytes[64];
    while (read(g_wakeUp[0], bytes, sizeof bytes) > 0) {
    }
    QList<QPointer<QWidget>> windows;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible())
            windows.append(window);
    for (const QPointer<QWidget>& window : windows)
        if (window)
            window->close();
}

} // namespace

void AfxCloseOnTerminationRequest() {
    if (g_wakeUp[0] >= 0 || !qApp || pipe2(g_wakeUp, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_wakeUp[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, CloseOpenWindows);
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
}
