// The progress bar control (msctls_progress32): a range and a position
// clamped into it, set and read by PBM_ messages. Like the Windows control, a
// new position only marks the bar for repainting; it is drawn when the
// window's messages are next processed, so a job that reports often pays for
// the drawing only as often as the window is actually repainted.
#pragma once

#include <QWidget>

#include "framework/qt/window_class.h"

class ProgressControl : public QWidget, public WindowClass {
public:
    using QWidget::QWidget;

    bool ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void SetPosition(int position);

    int m_minimum = 0; // the control's own default range
    int m_maximum = 100;
    int m_position = 0;
};
