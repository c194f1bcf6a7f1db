// The progress bar control (msctls_progress32) on a QProgressBar: a range and
// a position clamped into it, set and read by PBM_ messages.
#pragma once

#include <QProgressBar>

#include "window_class.h"

class ProgressControl : public QProgressBar, public WindowClass {
public:
    explicit ProgressControl(QWidget* parent);
    bool ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};
