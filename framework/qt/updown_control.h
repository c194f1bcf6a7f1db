// The up-down control (msctls_updown32): two arrow buttons stepping a
// position within a range. With UDS_SETBUDDYINT the position is read from
// and written to the buddy edit as a decimal number; UDS_ALIGNRIGHT puts the
// control inside the buddy's right edge; UDS_ARROWKEYS lets the buddy's Up
// and Down keys step it.
#pragma once

#include <QPointer>
#include <QWidget>

#include "framework/qt/window_class.h"

class QToolButton;

class UpDownControl : public QWidget, public WindowClass {
public:
    UpDownControl(QWidget* parent, DWORD style);

    void SetBuddy(QWidget* buddy);
    bool ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int Position();
    void SetPosition(int position);
    // Up moves towards the upper end of the range, whichever number is larger.
    void Step(int delta);

    DWORD m_style;
    int m_lower = 100; // the control's own default range runs from 100 down to 0
    int m_upper = 0;
    int m_position = 0;
    QPointer<QWidget> m_buddy;
    QToolButton* m_up;
    QToolButton* m_down;
};
