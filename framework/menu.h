// CMenu: the items of a window's system menu. The window manager here cannot
// be given extra items, so the framework shows this menu itself (Alt+Space, or
// a right click on the dialog's background) and sends WM_SYSCOMMAND with the
// chosen item's id.
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
    int GetMenuItemCount() const { return static_cast<int>(m_items.size()); }
    const std::vector<Item>& Items() const { return m_items; }

private:
    std::vector<Item> m_items;
};

// The items a dialog's system menu starts with: a modal frame can be moved and closed.
void FillDefaultSystemMenu(CMenu& menu);
// Shows the window's system menu at a global position and sends WM_SYSCOMMAND
// for the chosen item once the menu has closed.
void TrackSystemMenu(HWND hWnd, int globalX, int globalY);
