// Wrappers of the common controls the dialogs bind with DDX_Control.
#pragma once

#include "framework/wnd.h"

class CSpinButtonCtrl : public CWnd {
public:
    void SetRange(short nLower, short nUpper) {
        SendMessage(UDM_SETRANGE, 0,
                    MAKELPARAM(static_cast<WORD>(nUpper), static_cast<WORD>(nLower)));
    }
    int GetPos() { return LOWORD(static_cast<std::uintptr_t>(SendMessage(UDM_GETPOS))); }
};

class CProgressCtrl : public CWnd {
public:
    void SetRange(short nLower, short nUpper) {
        SendMessage(PBM_SETRANGE, 0,
                    MAKELPARAM(static_cast<WORD>(nLower), static_cast<WORD>(nUpper)));
    }
    int SetPos(int nPos) { return static_cast<int>(SendMessage(PBM_SETPOS, nPos)); }
    int GetPos() { return static_cast<int>(SendMessage(PBM_GETPOS)); }
};
