#include "framework/wnd.h"

#include <QPainter>
#include <QWidget>

#include "framework/handle_map.h"
#include "framework/qt/dialog_window.h"
#include "framework/qt/resource_module.h"

namespace {

HICON IconProperty(HWND hWnd, const char* name) {
    return reinterpret_cast<HICON>(hWnd->property(name).value<quintptr>());
}

} // namespace

// Binding needs no more than the table here: a dialog's controls let go
// of their objects when its modal loop ends, before the window goes.
BOOL CWnd::Attach(HWND hWnd) {
    if (!hWnd || m_hWnd || FromHandlePermanent(hWnd))
        return FALSE;
    m_hWnd = hWnd;
    AfxHandleMap<HWND, CWnd*>()[hWnd] = this;
    return TRUE;
}

HWND CWnd::Detach() {
    HWND hWnd = m_hWnd;
    if (hWnd)
        AfxHandleMap<HWND, CWnd*>().erase(hWnd);
    m_hWnd = nullptr;
    return hWnd;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessage(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::EnableWindow(BOOL bEnable) {
    if (!m_hWnd)
        return FALSE;
    const BOOL wasDisabled = !m_hWnd->isEnabled();
    m_hWnd->setEnabled(bEnable != FALSE);
    return wasDisabled;
}

void CWnd::GetClientRect(LPRECT lpRect) const {
    *lpRect = m_hWnd ? RECT{0, 0, m_hWnd->width(), m_hWnd->height()} : RECT{};
}

void CWnd::SetWindowText(LPCTSTR lpszString) {
    if (!m_hWnd)
        return;
    // Edits, buttons and labels all show their "text" property.
    const QString text = QString::fromUtf8(lpszString ? lpszString : "");
    if (m_hWnd->isWindow())
        m_hWnd->setWindowTitle(text);
    else
        m_hWnd->setProperty("text", text);
}

void CWnd::GetWindowText(CString& rString) const {
    rString.Empty();
    if (m_hWnd)
        rString = (m_hWnd->isWindow() ? m_hWnd->windowTitle() : m_hWnd->property("text").toString())
                      .toStdString();
}

// Only dialogs have a system menu here, and it is never reverted.
CMenu* CWnd::GetSystemMenu(BOOL) const {
    auto* dialog = dynamic_cast<DialogWindow*>(m_hWnd);
    return dialog ? &dialog->systemMenu : nullptr;
}

// As with the system menu, only dialogs are windows of their own here.
void CWnd::DragAcceptFiles(BOOL bAccept) {
    if (auto* dialog = dynamic_cast<DialogWindow*>(m_hWnd))
        dialog->setAcceptDrops(bAccept != FALSE);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProc(m_hWnd, message, wParam, lParam);
}

LRESULT SendMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!hWnd)
        return 0;
    if (CWnd* wnd = CWnd::FromHandlePermanent(hWnd))
        return wnd->WindowProc(message, wParam, lParam);
    return DefWindowProc(hWnd, message, wParam, lParam);
}

LRESULT DefWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!hWnd)
        return 0;
    if (auto* windowClass = dynamic_cast<WindowClass*>(hWnd)) {
        LRESULT result = 0;
        if (windowClass->ClassWindowProc(message, wParam, lParam, &result))
            return result;
    }
    switch (message) {
    case WM_CLOSE:
        hWnd->close();
        return 0;
    case WM_SETICON: {
        const char* slot = wParam == ICON_BIG ? "bigIcon" : "smallIcon";
        HICON previous = IconProperty(hWnd, slot);
        hWnd->setProperty(slot, QVariant::fromValue(static_cast<quintptr>(lParam)));
        // One window icon holds every size; the big icon's images come first
        // and the small icon adds its own.
        QIcon icon;
        for (const char* name : {"bigIcon", "smallIcon"})
            if (HICON hIcon = IconProperty(hWnd, name))
                for (const QSize& size : hIcon->icon.availableSizes())
                    icon.addPixmap(hIcon->icon.pixmap(size));
        hWnd->setWindowIcon(icon);
        return reinterpret_cast<LRESULT>(previous);
    }
    case WM_ICONERASEBKGND:
        if (auto* painter = reinterpret_cast<HDC>(wParam))
            painter->fillRect(hWnd->rect(), hWnd->palette().window());
        return 1;
    default:
        return 0;
    }
}

BOOL IsIconic(HWND hWnd) {
    return hWnd && (hWnd->window()->windowState() & Qt::WindowMinimized);
}

HWND GetDlgItem(HWND hDlg, int nID) {
    if (!hDlg)
        return nullptr;
    for (QWidget* child : hDlg->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QVariant id = child->property(kDlgCtrlIdProperty);
        if (id.isValid() && id.toInt() == nID)
            return child;
    }
    return nullptr;
}

int GetSystemMetrics(int nIndex) {
    return nIndex == SM_CXICON || nIndex == SM_CYICON ? 32 : 0;
}
