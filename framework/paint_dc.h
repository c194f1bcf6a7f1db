// Painting: CPaintDC opens a painter on the window being painted (only
// inside its WM_PAINT handling), CRect holds client rectangles.
#pragma once

#include <memory>

#include "framework/wnd.h"

class CRect : public RECT {
public:
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

class CDC {
public:
    HDC m_hDC = nullptr;
    HDC GetSafeHdc() const { return m_hDC; }
    BOOL DrawIcon(int x, int y, HICON hIcon);
};

class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC();
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

private:
    struct Painting; // the backend's open paint operation
    std::unique_ptr<Painting> m_painting;
};
