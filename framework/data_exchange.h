// Dialog data exchange: DoDataExchange lists which member goes with which
// control. Loading writes members into controls; saving reads them back and
// validates, and a value that fails is reported to the user, its control gets
// the focus, and the exchange stops (UpdateData returns FALSE).
#pragma once

#include "framework/cstring.h"
#include "framework/wnd.h"

// Thrown by CDataExchange::Fail, caught by UpdateData.
struct CUserException {};

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;

    HWND PrepareCtrl(int nIDC);
    HWND PrepareEditCtrl(int nIDC);
    [[noreturn]] void Fail();

private:
    HWND m_hWndLastControl = nullptr;
    bool m_bEditLastControl = false;
};

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal);
