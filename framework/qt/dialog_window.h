// The window of a dialog: a QDialog that turns what the user does into the
// dialog's messages. Esc sends IDCANCEL; Enter presses the focused push
// button, else the default button, else sends IDOK; the close box sends
// SC_CLOSE; Alt+Space and a right click on the background open the system
// menu, and so do Shift+F10 and the Menu key where the focused control has no
// menu of its own; F1 asks for help (ID_HELP); painting goes through WM_PAINT.
// Once it accepts drops (DragAcceptFiles), files dropped anywhere on it, the
// read-only edits included (they pass drags on), arrive as WM_DROPFILES.
#pragma once

#include <QDialog>
#include <vector>

#include "framework/menu.h"
#include "framework/qt/window_class.h"

class DialogWindow : public QDialog, public WindowClass {
public:
    explicit DialogWindow(QWidget* owner);

    // The controls in tab order, as built from the template.
    std::vector<QWidget*> controls;
    int defaultButtonId = IDOK;
    // The system has no menu of its own for the window here: the framework
    // shows this one, which a modal frame starts with Move and Close.
    CMenu systemMenu;

    bool ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void SendCommand(int id);
    // Shift+F10 and the Menu key: the focused control's context menu, as a
    // right click on it would open; one that has none passes it on to the window.
    void OpenKeyboardMenu();
    // A drag's enter, move or drop: taken when it carries files, and at the
    // drop WM_DROPFILES sent. FALSE when it carries none.
    bool TakeFiles(QDropEvent* event);
    // Shows the system menu at a global position and sends WM_SYSCOMMAND for
    // the chosen item once the menu has closed.
    void TrackSystemMenu(QPoint where);
};
