// Wrappers of the common controls the dialogs bind with DDX_Control.
#pragma once

#include "framework/wnd.h"

class CSpinButtonCtrl : public CWnd {
public:
    void SetRange(short nLower, short nUpper) {
        SendMessage(UDM_SETRANGE, 0,
                    MAKELPARAM(static_cast<WORD>(nUpper), static_cast<WORD>(nLower)));
    }
};

class CProgressCtrl : public CWnd {
public:
    void SetRange(short nLower, short nUpper) {
        SendMessage(PBM_SETRANGE, 0,
                    MAKELPARAM(static_cast<WORD>(nLower), static_cast<WORD>(nUpper)));
    }
    int SetPos(int nPos) { return static_cast<int>(SendMessage(PBM_SETPOS, nPos)); }
};
