#include "framework/message_pump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>

namespace {

bool IsUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::InputMethod:
    case QEvent::Close: // kept as a request (below); the window stays for now
        return true;
    default:
        return false;
    }
}

bool g_closeRequested = false;

class InputDiscarder : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (!IsUserInput(event->type()))
            return false;
        g_closeRequested = g_closeRequested || event->type() == QEvent::Close;
        event->ignore();
        return true;
    }
};

int g_paintIntervalMs = 20;

} // namespace

BOOL AfxIsCloseRequested() {
    return g_closeRequested;
}

void AfxClearCloseRequest() {
    g_closeRequested = false;
}

void AfxSetPaintInterval(int milliseconds) {
    g_paintIntervalMs = milliseconds;
}

void AfxPumpPaintMessages(BOOL bForce) {
    QCoreApplication* application = QCoreApplication::instance();
    if (!application)
        return;
    static QElapsedTimer sinceLastPump;
    if (!bForce && sinceLastPump.isValid() && sinceLastPump.elapsed() < g_paintIntervalMs)
        return;
    InputDiscarder discarder;
    application->installEventFilter(&discarder);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    application->removeEventFilter(&discarder);
    sinceLastPump.start();
}
