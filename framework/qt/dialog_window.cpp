#include "framework/qt/dialog_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QWindow>

#include "framework/qt/drop_files.h"
#include "framework/wnd.h"

namespace {

// The file stays where it is: a drop is taken as a copy (a link where the
// drag offers no copy), never as a move, after which the source would remove it.
bool TakeAsReference(QDropEvent* event) {
    for (Qt::DropAction action : {Qt::CopyAction, Qt::LinkAction}) {
        if (event->possibleActions() & action) {
            event->setDropAction(action);
            event->accept();
            return true;
        }
    }
    return false;
}

} // namespace

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
    case Qt::Key_F10:
        if (event->modifiers() & Qt::ShiftModifier)
            OpenKeyboardMenu();
        else
            event->ignore();
        return;
    case Qt::Key_Menu:
        OpenKeyboardMenu();
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
    // From the keyboard, the event comes here when the focused control has no
    // menu of its own. With the mouse, the background and static texts belong
    // to the window; controls have their own menus.
    if (event->reason() == QContextMenuEvent::Keyboard)
        TrackSystemMenu(event->globalPos());
    else if (QWidget* child = childAt(event->pos()); !child || qobject_cast<QLabel*>(child))
        TrackSystemMenu(event->globalPos());
    else
        event->ignore();
}

void DialogWindow::OpenKeyboardMenu() {
    // At the focused control, where the platform puts a menu opened from the keyboard.
    QWidget* focused = focusWidget() ? focusWidget() : this;
    const QPoint where = focused->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
    QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, where, focused->mapToGlobal(where));
    QApplication::sendEvent(focused, &menuEvent);
}

bool DialogWindow::TakeFiles(QDropEvent* event) {
    HDROP__ drop = DroppedFiles(event->mimeData());
    if (drop.files.empty() || !TakeAsReference(event))
        return false;
    if (event->type() == QEvent::Drop)
        SendMessage(this, WM_DROPFILES, reinterpret_cast<WPARAM>(&drop), 0);
    return true;
}

void DialogWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!TakeFiles(event))
        event->ignore();
}

void DialogWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (!TakeFiles(event))
        event->ignore();
}

void DialogWindow::dropEvent(QDropEvent* event) {
    if (!TakeFiles(event))
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
