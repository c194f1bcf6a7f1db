#include "framework/menu.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

#include "framework/wnd.h"

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem) {
    Item item;
    item.nFlags = nFlags;
    item.nID = static_cast<UINT>(nIDNewItem);
    if (!(nFlags & MF_SEPARATOR))
        item.text = lpszNewItem;
    m_items.push_back(std::move(item));
    return TRUE;
}

int CMenu::GetMenuItemCount() const {
    return static_cast<int>(m_items.size());
}

void FillDefaultSystemMenu(CMenu& menu) {
    menu.AppendMenu(MF_STRING, SC_MOVE, "&Move");
    menu.AppendMenu(MF_STRING, SC_CLOSE, "&Close\tAlt+F4");
}

void TrackSystemMenu(HWND hWnd, int globalX, int globalY) {
    CMenu* systemMenu = GetSystemMenu(hWnd, FALSE);
    if (!systemMenu)
        return;
    QMenu popup(hWnd);
    for (const CMenu::Item& item : systemMenu->Items()) {
        if (item.nFlags & MF_SEPARATOR) {
            popup.addSeparator();
            continue;
        }
        QAction* action = popup.addAction(QString::fromStdString(item.text.str()));
        action->setData(item.nID);
    }
    QPointer<QWidget> window(hWnd);
    QAction* chosen = nullptr;
    QObject::connect(&popup, &QMenu::triggered, &popup,
                     [&chosen](QAction* action) { chosen = action; });
    popup.exec(QPoint(globalX, globalY));
    // The command runs after the menu is gone, so a dialog it opens is not
    // nested inside the menu's loop.
    if (chosen && window)
        SendMessage(window, WM_SYSCOMMAND, chosen->data().toUInt(), 0);
}
