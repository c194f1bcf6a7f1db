#include "progress_control.h"

#include <algorithm>

ProgressControl::ProgressControl(QWidget* parent) : QProgressBar(parent) {
    setRange(0, 100); // the control's own default range
    setValue(0);
    setTextVisible(false);
}

bool ProgressControl::ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam,
                                      LRESULT* pResult) {
    switch (message) {
    case PBM_SETRANGE: {
        *pResult = MAKELONG(static_cast<WORD>(minimum()), static_cast<WORD>(maximum()));
        const int low = static_cast<std::int16_t>(LOWORD(static_cast<std::uintptr_t>(lParam)));
        const int high = static_cast<std::int16_t>(HIWORD(static_cast<std::uintptr_t>(lParam)));
        const int position = value();
        setRange(low, std::max(low, high));
        setValue(std::clamp(position, minimum(), maximum()));
        return true;
    }
    case PBM_SETPOS: {
        *pResult = value();
        // An unchanged position leaves the bar alone, so it is not redrawn.
        const int position = std::clamp(static_cast<int>(wParam), minimum(), maximum());
        if (position != value())
            setValue(position);
        return true;
    }
    case PBM_GETPOS:
        *pResult = value();
        return true;
    case PBM_GETRANGE:
        *pResult = wParam ? minimum() : maximum();
        return true;
    default:
        return false;
    }
}
