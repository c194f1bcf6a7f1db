#include "framework/menu.h"

#include "framework/win32/backend.h"

// The system shows its own menu, so the items go straight into it.
BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem) {
    const std::wstring text = Utf8ToWide(lpszNewItem ? lpszNewItem : "");
    return ::AppendMenuW(m_hMenu, nFlags, nIDNewItem,
                         (nFlags & MF_SEPARATOR) ? nullptr : text.c_str());
}
