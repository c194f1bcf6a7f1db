// What the Win32 backend's files share among themselves.
#pragma once

#include <string>
#include <string_view>

#include "framework/win_types.h"

// Texts cross the Windows API as UTF-16; the framework keeps them as UTF-8.
std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

// Called by a bound window's procedure before its message map: TRUE with
// *pResult set when the message is a close or end-of-session request that
// arrived while work holds the thread, and is kept as a request instead.
BOOL AfxKeepCloseRequest(UINT message, WPARAM wParam, LRESULT* pResult);

// Drops the temporary window and menu objects whose windows are gone.
void AfxPurgeTemporaryObjects();
