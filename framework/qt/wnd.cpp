#include "framework/wnd.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <unordered_map>

#include "framework/menu.h"
#include "framework/qt/resource_module.h"
#include "framework/qt/window_class.h"

namespace {

std::unordered_map<HWND, CWnd*>& PermanentMap() {
    static std::unordered_map<HWND, CWnd*> map;
    return map;
}

// Temporary objects handed out for windows nobody attached; each goes with its window.
std::unordered_map<HWND, std::unique_ptr<CWnd>>& TemporaryMap() {
    static std::unordered_map<HWND, std::unique_ptr<CWnd>> map;
    return map;
}

std::unordered_map<HWND, std::unique_ptr<CMenu>>& SystemMenus() {
    static std::unordered_map<HWND, std::unique_ptr<CMenu>> map;
    return map;
}

HICON IconProperty(HWND hWnd, const char* name) {
    return reinterpret_cast<HICON>(hWnd->property(name).value<quintptr>());
}

} // namespace

struct CWnd::Connection {
    QMetaObject::Connection destroyed;
};

CWnd::CWnd() = default;

CWnd::~CWnd() {
    Detach();
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
    auto it = PermanentMap().find(hWnd);
    return it == PermanentMap().end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    if (!hWnd)
        return nullptr;
    if (CWnd* permanent = FromHandlePermanent(hWnd))
        return permanent;
    auto& temporaries = TemporaryMap();
    auto it = temporaries.find(hWnd);
    if (it != temporaries.end())
        return it->second.get();
    auto temporary = std::make_unique<CWnd>();
    temporary->m_hWnd = hWnd;
    QObject::connect(hWnd, &QObject::destroyed, [hWnd] { TemporaryMap().erase(hWnd); });
    return temporaries.emplace(hWnd, std::move(temporary)).first->second.get();
}

BOOL CWnd::Attach(HWND hWnd) {
    if (!hWnd || m_hWnd || FromHandlePermanent(hWnd))
        return FALSE;
    m_hWnd = hWnd;
    PermanentMap()[hWnd] = this;
    m_pConnection = std::make_unique<Connection>();
    m_pConnection->destroyed = QObject::connect(hWnd, &QObject::destroyed, [this, hWnd] {
        PermanentMap().erase(hWnd);
        m_hWnd = nullptr;
        m_pConnection.reset();
    });
    return TRUE;
}

HWND CWnd::Detach() {
    HWND hWnd = m_hWnd;
    if (hWnd) {
        PermanentMap().erase(hWnd);
        if (m_pConnection)
            QObject::disconnect(m_pConnection->destroyed);
    }
    m_pConnection.reset();
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

BOOL CWnd::IsWindowEnabled() const {
    return m_hWnd && m_hWnd->isEnabled();
}

BOOL CWnd::IsIconic() const {
    return ::IsIconic(m_hWnd);
}

void CWnd::GetClientRect(LPRECT lpRect) const {
    *lpRect = RECT{};
    if (m_hWnd) {
        lpRect->right = m_hWnd->width();
        lpRect->bottom = m_hWnd->height();
    }
}

CWnd* CWnd::GetDlgItem(int nID) const {
    return FromHandle(::GetDlgItem(m_hWnd, nID));
}

void CWnd::SetWindowText(LPCTSTR lpszString) {
    if (!m_hWnd)
        return;
    const QString text = QString::fromUtf8(lpszString ? lpszString : "");
    if (auto* edit = qobject_cast<QLineEdit*>(m_hWnd))
        edit->setText(text);
    else if (m_hWnd->isWindow())
        m_hWnd->setWindowTitle(text);
    else
        m_hWnd->setProperty("text", text);
}

void CWnd::GetWindowText(CString& rString) const {
    rString.Empty();
    if (!m_hWnd)
        return;
    QString text;
    if (m_hWnd->isWindow())
        text = m_hWnd->windowTitle();
    else
        text = m_hWnd->property("text").toString();
    rString = CString(text.toStdString());
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
    return reinterpret_cast<HICON>(
        SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

CMenu* CWnd::GetSystemMenu(BOOL bRevert) const {
    return ::GetSystemMenu(m_hWnd, bRevert);
}

void CWnd::SetFocus() {
    if (m_hWnd)
        m_hWnd->setFocus(Qt::OtherFocusReason);
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
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE:
            return SendMessage(hWnd, WM_CLOSE);
        case SC_MOVE:
            if (QWindow* window = hWnd->window()->windowHandle())
                window->startSystemMove();
            return 0;
        case SC_KEYMENU: {
            const QPoint origin = hWnd->window()->mapToGlobal(QPoint(0, 0));
            TrackSystemMenu(hWnd->window(), origin.x(), origin.y());
            return 0;
        }
        default:
            return 0;
        }
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
        for (const char* name : {"bigIcon", "smallIcon"}) {
            if (HICON hIcon = IconProperty(hWnd, name))
                for (const QSize& size : hIcon->icon.availableSizes())
                    icon.addPixmap(hIcon->icon.pixmap(size));
        }
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

int GetDlgCtrlID(HWND hWnd) {
    return hWnd ? hWnd->property(kDlgCtrlIdProperty).toInt() : 0;
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

CMenu* GetSystemMenu(HWND hWnd, BOOL) {
    if (!hWnd || !hWnd->isWindow())
        return nullptr;
    auto& menus = SystemMenus();
    auto it = menus.find(hWnd);
    if (it == menus.end()) {
        it = menus.emplace(hWnd, std::make_unique<CMenu>()).first;
        QObject::connect(hWnd, &QObject::destroyed, [hWnd] { SystemMenus().erase(hWnd); });
        FillDefaultSystemMenu(*it->second);
    }
    return it->second.get();
}

int GetSystemMetrics(int nIndex) {
    switch (nIndex) {
    case SM_CXICON:
    case SM_CYICON:
        return 32;
    default:
        return 0;
    }
}
