#include "framework/message_pump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>

namespace {

bool IsUserInput(QEvent::Type type) {
    // A close counts too: it is kept as a request (below), and the window stays for now.
    for (QEvent::Type input :
         {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
          QEvent::MouseMove, QEvent::KeyPress, QEvent::KeyRelease, QEvent::ShortcutOverride,
          QEvent::Shortcut, QEvent::Wheel, QEvent::ContextMenu, QEvent::TouchBegin,
          QEvent::TouchUpdate, QEvent::TouchEnd, QEvent::TouchCancel, QEvent::TabletPress,
          QEvent::TabletMove, QEvent::TabletRelease, QEvent::InputMethod, QEvent::Close})
        if (type == input)
            return true;
    // A drag is refused and a drop dropped, as a click would be.
    return type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop;
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
