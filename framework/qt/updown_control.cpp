#include "framework/qt/updown_control.h"

#include <QEvent>
#include <QKeyEvent>
#include <QToolButton>
#include <algorithm>

UpDownControl::UpDownControl(QWidget* parent, DWORD style)
    : QWidget(parent), m_style(style), m_up(new QToolButton(this)), m_down(new QToolButton(this)) {
    for (QToolButton* button : {m_up, m_down}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
    }
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    connect(m_up, &QToolButton::clicked, this, [this] { Step(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { Step(-1); });
}

void UpDownControl::resizeEvent(QResizeEvent*) {
    const int half = height() / 2;
    m_up->setGeometry(0, 0, width(), half);
    m_down->setGeometry(0, half, width(), height() - half);
}

void UpDownControl::SetBuddy(QWidget* buddy) {
    if (m_buddy)
        m_buddy->removeEventFilter(this);
    m_buddy = buddy;
    if (!buddy)
        return;
    if (m_style & UDS_ALIGNRIGHT) {
        // The pair keeps the buddy's old width: the buddy gives up ours.
        QRect area = buddy->geometry();
        const int ownWidth = width();
        setGeometry(area.right() + 1 - ownWidth, area.top(), ownWidth, area.height());
        area.setWidth(area.width() - ownWidth);
        buddy->setGeometry(area);
    }
    if (m_style & UDS_ARROWKEYS)
        buddy->installEventFilter(this);
}

int UpDownControl::Position() {
    if ((m_style & UDS_SETBUDDYINT) && m_buddy) {
        bool ok = false;
        const int typed = m_buddy->property("text").toString().trimmed().toInt(&ok);
        if (ok)
            m_position = typed;
    }
    return m_position;
}

void UpDownControl::SetPosition(int position) {
    m_position = std::clamp(position, std::min(m_lower, m_upper), std::max(m_lower, m_upper));
    if ((m_style & UDS_SETBUDDYINT) && m_buddy)
        m_buddy->setProperty("text", QString::number(m_position));
}

void UpDownControl::Step(int delta) {
    SetPosition(Position() + (m_upper >= m_lower ? delta : -delta)); // clamped into the range
}

bool UpDownControl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_buddy && event->type() == QEvent::KeyPress && isEnabled()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            Step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool UpDownControl::ClassWindowProc(UINT message, WPARAM, LPARAM lParam, LRESULT* pResult) {
    const auto bits = static_cast<std::uintptr_t>(lParam);
    switch (message) {
    case UDM_SETRANGE:
        m_upper = static_cast<std::int16_t>(LOWORD(bits));
        m_lower = static_cast<std::int16_t>(HIWORD(bits));
        *pResult = 0;
        return true;
    case UDM_GETRANGE:
        *pResult = MAKELONG(static_cast<WORD>(m_upper), static_cast<WORD>(m_lower));
        return true;
    case UDM_SETPOS:
        *pResult = Position();
        SetPosition(static_cast<std::int16_t>(LOWORD(bits)));
        return true;
    case UDM_GETPOS:
        *pResult = MAKELONG(static_cast<WORD>(Position()), 0);
        return true;
    default:
        return false;
    }
}
