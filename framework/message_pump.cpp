#include "message_pump.h"

#include <QCoreApplication>
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
    case QEvent::Close: // the close box is input too; the window stays
        return true;
    default:
        return false;
    }
}

class InputDiscarder : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (!IsUserInput(event->type()))
            return false;
        event->ignore();
        return true;
    }
};

} // namespace

void AfxPumpPaintMessages() {
    QCoreApplication* application = QCoreApplication::instance();
    if (!application)
        return;
    InputDiscarder discarder;
    application->installEventFilter(&discarder);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    application->removeEventFilter(&discarder);
}
