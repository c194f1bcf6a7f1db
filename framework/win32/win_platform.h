// The Windows types, messages, constants and window functions are the
// system's own here. The dialog idiom's strings are narrow (TCHAR is char:
// the build leaves UNICODE undefined for the framework and its users), so the
// generic names (SendMessage, LoadString, ...) are the A forms; the backend
// itself calls the W forms, converting UTF-8 at each call.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <commctrl.h>

#define afx_msg

// The framework's help command (no help ships with the program).
constexpr UINT ID_HELP = 0xE146;
