#include "framework/paint_dc.h"

#include <QPainter>
#include <QWidget>

#include "framework/qt/resource_module.h"

BOOL CDC::DrawIcon(int x, int y, HICON hIcon) {
    if (!m_hDC || !hIcon)
        return FALSE;
    const int side = GetSystemMetrics(SM_CXICON);
    m_hDC->drawPixmap(x, y, hIcon->icon.pixmap(side, side));
    return TRUE;
}

struct CPaintDC::Painting : QPainter {
    using QPainter::QPainter;
};

CPaintDC::CPaintDC(CWnd* pWnd) {
    if (pWnd && pWnd->m_hWnd) {
        m_painting = std::make_unique<Painting>(pWnd->m_hWnd);
        if (m_painting->isActive())
            m_hDC = m_painting.get();
    }
}

CPaintDC::~CPaintDC() = default;
