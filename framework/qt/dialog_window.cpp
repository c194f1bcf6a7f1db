#include "framework/qt/dialog_window.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QWindow>

#include "framework/wnd.h"

DialogWindow::DialogWindow(QWidget* owner) : QDialog(owner) {
    systemMenu.AppendMenu(MF_STRING, SC_MOVE, "&Move");
    systemMenu.AppendMenu(MF_STRING, SC_CLOSE, "&Close\tAlt+F4");
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
        if (QWidget* button = GetDlgItem(this, defaultButtonId); !button || button->isEnabled())
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
    // The background and static texts belong to the window; controls have their own menus.
    if (QWidget* child = childAt(event->pos()); !child || qobject_cast<QLabel*>(child))
        TrackSystemMenu(event->globalPos());
    else
        event->ignore();
}

void DialogWindow::TrackSystemMenu(QPoint where) {
    QMenu popup(this);
    for (const CMenu::Item& item : systemMenu.Items()) {
        if (item.nFlags & MF_SEPARATOR)
            popup.addSeparator();
        else
            popup.addAction(QString::fromStdString(item.text.str()))->setData(item.nID);
    }
    QAction* chosen = nullptr;
    connect(&popup, &QMenu::triggered, &popup, [&chosen](QAction* action) { chosen = action; });
    popup.exec(where);
    // The command runs after the menu is gone, so a dialog it opens is not
    // nested inside the menu's loop.
    if (chosen)
        SendMessage(this, WM_SYSCOMMAND, chosen->data().toUInt(), 0);
}

bool DialogWindow::ClassWindowProc(UINT message, WPARAM wParam, LPARAM, LRESULT* pResult) {
    *pResult = 0;
    if (message == WM_CLOSE) {
        // A dialog closes as if Esc was pressed.
        SendCommand(IDCANCEL);
        return true;
    }
    if (message != WM_SYSCOMMAND)
        return false;
    switch (wParam & 0xFFF0) {
    case SC_CLOSE:
        SendMessage(this, WM_CLOSE);
        break;
    case SC_MOVE:
        if (QWindow* handle = windowHandle())
            handle->startSystemMove();
        break;
    case SC_KEYMENU:
        TrackSystemMenu(mapToGlobal(QPoint(0, 0)));
        break;
    }
    return true;
}
