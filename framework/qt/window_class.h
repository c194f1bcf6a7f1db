// The default processing of a window class: widgets that stand in for a
// Windows control or for the dialog window answer that class's messages here.
#pragma once

#include "framework/win_types.h"

// The property holding a control's id (its template's id; -1 for statics).
inline constexpr char kDlgCtrlIdProperty[] = "dlgCtrlId";

class WindowClass {
public:
    virtual ~WindowClass() = default;
    // TRUE with *pResult set when the message belongs to this class.
    virtual bool ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) = 0;
};
