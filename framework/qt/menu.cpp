#include "framework/menu.h"

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem) {
    m_items.push_back(
        {nFlags, static_cast<UINT>(nIDNewItem), (nFlags & MF_SEPARATOR) ? nullptr : lpszNewItem});
    return TRUE;
}
