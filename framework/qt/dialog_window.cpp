#include "framework/qt/dialog_window.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>

#include "framework/menu.h"
#include "framework/wnd.h"

DialogWindow::DialogWindow(QWidget* owner) : QDialog(owner) {
    auto* systemMenuKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(systemMenuKey, &QShortcut::activated, this,
            [this] { SendMessage(this, WM_SYSCOMMAND, SC_KEYMENU, ' '); });
}

void DialogWindow::SendCommand(int id) {
    SendMessage(this, WM_COMMAND, MAKEWPARAM(static_cast<unsigned>(id), BN_CLICKED), 0);
}

void DialogWindow::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier)) {
        event->ignore();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Escape:
        SendCommand(IDCANCEL);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        if (auto* focused = qobject_cast<QPushButton*>(focusWidget());
            focused && focused->isEnabled()) {
            focused->click();
            return;
        }
        QWidget* defaultButton = GetDlgItem(this, defaultButtonId);
        if (defaultButton && !defaultButton->isEnabled())
            return;
        SendCommand(defaultButtonId);
        return;
    }
    case Qt::Key_F1:
        SendCommand(static_cast<int>(ID_HELP));
        return;
    default:
        event->ignore();
    }
}

void DialogWindow::closeEvent(QCloseEvent* event) {
    // The dialog decides: the close box is a system command like any other.
    event->ignore();
    SendMessage(this, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void DialogWindow::paintEvent(QPaintEvent*) {
    SendMessage(this, WM_PAINT, 0, 0);
}

void DialogWindow::contextMenuEvent(QContextMenuEvent* event) {
    QWidget* child = childAt(event->pos());
    if (child && !qobject_cast<QLabel*>(child)) {
        event->ignore();
        return;
    }
    TrackSystemMenu(this, event->globalPos().x(), event->globalPos().y());
}

bool DialogWindow::ClassWindowProc(UINT message, WPARAM, LPARAM, LRESULT* pResult) {
    if (message != WM_CLOSE)
        return false;
    // A dialog closes as if Esc was pressed.
    SendCommand(IDCANCEL);
    *pResult = 0;
    return true;
}
