#include "framework/menu.h"

#include "framework/win32/backend.h"

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem) {
    Item item;
    item.nFlags = nFlags;
    item.nID = static_cast<UINT>(nIDNewItem);
    if (!(nFlags & MF_SEPARATOR))
        item.text = lpszNewItem;
    const std::wstring text = Utf8ToWide(item.text.str());
    if (m_hMenu &&
        !AppendMenuW(m_hMenu, nFlags, nIDNewItem, (nFlags & MF_SEPARATOR) ? nullptr : text.c_str()))
        return FALSE;
    m_items.push_back(std::move(item));
    return TRUE;
}

int CMenu::GetMenuItemCount() const {
    return m_hMenu ? ::GetMenuItemCount(m_hMenu) : static_cast<int>(Items().size());
}
