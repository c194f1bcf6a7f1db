// The Windows types, messages, constants and window functions are the
// system's own here. The dialog idiom's strings are narrow (TCHAR is char:
// the build leaves UNICODE undefined for the framework and its users), so the
// generic names (SendMessage, LoadString, ...) are the A forms; the backend
// itself calls the W forms, converting UTF-8 at each call. DragQueryFile is
// the framework's own, in UTF-8 too.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#undef DragQueryFile
// The files of a drop: with iFile 0xFFFFFFFF their count, else the length in
// UTF-8 bytes of file iFile's path, copied into lpszFile when it is given (cch
// bytes at most, the terminating NUL included). DragFinish is the system's.
UINT DragQueryFile(HDROP hDrop, UINT iFile, LPTSTR lpszFile, UINT cch);

#define afx_msg

// The framework's help command (no help ships with the program).
constexpr UINT ID_HELP = 0xE146;
