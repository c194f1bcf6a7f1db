#include "framework/message_box.h"

#include "framework/win32/backend.h"
#include "framework/win_app.h"

int ShowMessageBox(HWND owner, LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType) {
    if (!owner)
        owner = GetActiveWindow();
    const std::wstring text = Utf8ToWide(lpszText ? lpszText : "");
    const std::wstring caption = Utf8ToWide(lpszCaption ? lpszCaption : AfxGetAppName());
    return MessageBoxW(owner, text.c_str(), caption.c_str(), nType);
}
