#include "framework/paint_dc.h"

#include <QPainter>
#include <QWidget>

#include "framework/resource_module.h"

BOOL CDC::DrawIcon(int x, int y, HICON hIcon) {
    if (!m_hDC || !hIcon)
        return FALSE;
    const int side = GetSystemMetrics(SM_CXICON);
    m_hDC->drawPixmap(x, y, hIcon->icon.pixmap(side, side));
    return TRUE;
}

CPaintDC::CPaintDC(CWnd* pWnd) {
    if (pWnd && pWnd->m_hWnd) {
        m_painter = std::make_unique<QPainter>(pWnd->m_hWnd);
        if (m_painter->isActive())
            m_hDC = m_painter.get();
    }
}

CPaintDC::~CPaintDC() = default;
