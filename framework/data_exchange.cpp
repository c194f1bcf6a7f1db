#include "framework/data_exchange.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/message_box.h"

HWND CDataExchange::PrepareCtrl(int nIDC) {
    HWND hWnd = GetDlgItem(m_pDlgWnd->m_hWnd, nIDC);
    if (!hWnd) {
        std::fprintf(stderr, "data exchange: the dialog has no control %d\n", nIDC);
        Fail();
    }
    m_hWndLastControl = hWnd;
    m_bEditLastControl = false;
    return hWnd;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC) {
    HWND hWnd = PrepareCtrl(nIDC);
    m_bEditLastControl = true;
    return hWnd;
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (rControl.m_hWnd)
        return;
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (!rControl.Attach(hWnd)) {
        std::fprintf(stderr, "data exchange: control %d is already bound\n", nIDC);
        pDX->Fail();
    }
}

void DDX_Text(CDataExchange* pDX, int nIDC, int& value) {
    HWND hWnd = pDX->PrepareEditCtrl(nIDC);
    CWnd* control = CWnd::FromHandle(hWnd);
    if (!pDX->m_bSaveAndValidate) {
        control->SetWindowText(std::to_string(value).c_str());
        return;
    }
    CString text;
    control->GetWindowText(text);
    // A whole number, optionally signed, with blanks around it and nothing else.
    const char* begin = text;
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(begin, &end, 10);
    const bool noDigits = end == begin;
    while (*end == ' ' || *end == '\t')
        ++end;
    if (noDigits || *end != '\0' || errno == ERANGE || parsed < INT32_MIN || parsed > INT32_MAX) {
        AfxMessageBox("Please enter an integer.", MB_ICONEXCLAMATION);
        pDX->Fail();
    }
    value = static_cast<int>(parsed);
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
    CWnd* control = CWnd::FromHandle(pDX->PrepareEditCtrl(nIDC));
    if (pDX->m_bSaveAndValidate)
        control->GetWindowText(value);
    else
        control->SetWindowText(value);
}

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal) {
    if (!pDX->m_bSaveAndValidate || (value >= minVal && value <= maxVal))
        return;
    const std::string prompt = "Please enter an integer between " + std::to_string(minVal) +
                               " and " + std::to_string(maxVal) + ".";
    AfxMessageBox(prompt.c_str(), MB_ICONEXCLAMATION);
    pDX->Fail();
}
