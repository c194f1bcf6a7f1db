#include "framework/paint_dc.h"

struct CPaintDC::Painting {
    HWND hWnd = nullptr;
    PAINTSTRUCT paint{};
};

BOOL CDC::DrawIcon(int x, int y, HICON hIcon) {
    return m_hDC && hIcon ? ::DrawIcon(m_hDC, x, y, hIcon) : FALSE;
}

CPaintDC::CPaintDC(CWnd* pWnd) {
    if (pWnd && pWnd->m_hWnd) {
        m_painting = std::make_unique<Painting>();
        m_painting->hWnd = pWnd->m_hWnd;
        m_hDC = BeginPaint(m_painting->hWnd, &m_painting->paint);
    }
}

CPaintDC::~CPaintDC() {
    if (m_painting)
        EndPaint(m_painting->hWnd, &m_painting->paint);
}
