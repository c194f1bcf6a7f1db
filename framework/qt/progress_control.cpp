#include "framework/qt/progress_control.h"

#include <QPainter>
#include <QStyleOptionProgressBar>
#include <algorithm>

void ProgressControl::SetPosition(int position) {
    position = std::clamp(position, m_minimum, m_maximum);
    // An unchanged position leaves the bar alone, so it is not redrawn.
    if (position == m_position)
        return;
    m_position = position;
    update();
}

void ProgressControl::paintEvent(QPaintEvent*) {
    QStyleOptionProgressBar option;
    option.initFrom(this);
    option.minimum = m_minimum;
    option.maximum = m_maximum;
    option.progress = m_position;
    option.textVisible = false;
    option.state |= QStyle::State_Horizontal;
    QPainter painter(this);
    style()->drawControl(QStyle::CE_ProgressBar, &option, &painter, this);
}

bool ProgressControl::ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam,
                                      LRESULT* pResult) {
    switch (message) {
    case PBM_SETRANGE: {
        *pResult = MAKELONG(static_cast<WORD>(m_minimum), static_cast<WORD>(m_maximum));
        const auto bits = static_cast<std::uintptr_t>(lParam);
        m_minimum = static_cast<std::int16_t>(LOWORD(bits));
        m_maximum = std::max(m_minimum, static_cast<int>(static_cast<std::int16_t>(HIWORD(bits))));
        const int kept = m_position;
        m_position = m_minimum - 1; // force the clamp and the repaint
        SetPosition(kept);
        return true;
    }
    case PBM_SETPOS:
        *pResult = m_position;
        SetPosition(static_cast<int>(wParam));
        return true;
    case PBM_GETPOS:
        *pResult = m_position;
        return true;
    case PBM_GETRANGE:
        *pResult = wParam ? m_minimum : m_maximum;
        return true;
    default:
        return false;
    }
}
