// CMenu: a window's system menu, to which the program appends its own items.
// Where the system has a menu of its own (Windows), the items go into it;
// elsewhere the framework shows the menu itself and sends WM_SYSCOMMAND with
// the chosen item's id.
#pragma once

#include <vector>

#include "framework/cstring.h"
#include "framework/win_types.h"

class CMenu {
public:
    struct Item {
        UINT nFlags = MF_STRING;
        UINT nID = 0;
        CString text; // with '&' before the mnemonic and '\t' before the key name
    };

    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr);
    // The items of a menu the framework shows itself (none on Windows).
    const std::vector<Item>& Items() const { return m_items; }

    HMENU m_hMenu = nullptr; // the system's menu, where there is one

private:
    std::vector<Item> m_items;
};
