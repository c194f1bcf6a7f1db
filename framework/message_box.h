// Message boxes. The caption defaults to the application's name.
#pragma once

#include "framework/win_types.h"

// owner may be null; the active modal window then owns the box.
int ShowMessageBox(HWND owner, LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType);
// No help ships with the program, so a box has no help context.
inline int AfxMessageBox(LPCTSTR lpszText, UINT nType = MB_OK, UINT = 0) {
    return ShowMessageBox(nullptr, lpszText, nullptr, nType);
}
