// The window of a dialog: a QDialog that turns what the user does into the
// dialog's messages. Esc sends IDCANCEL; Enter presses the focused push
// button, else the default button, else sends IDOK; the close box sends
// SC_CLOSE; Alt+Space and a right click on the background open the system
// menu; F1 asks for help (ID_HELP); painting goes through WM_PAINT.
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

private:
    void SendCommand(int id);
    // Shows the system menu at a global position and sends WM_SYSCOMMAND for
    // the chosen item once the menu has closed.
    void TrackSystemMenu(QPoint where);
};
