// Binding objects to windows. A bound window is subclassed: its messages
// reach the object's message maps first, and the window's own procedure is
// the default processing (for a dialog, the dialog manager's).
#include "framework/wnd.h"

#include <memory>

#include "framework/handle_map.h"
#include "framework/menu.h"
#include "framework/win32/backend.h"

namespace {

LRESULT CALLBACK BoundWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = CWnd::FromHandlePermanent(hWnd);
    if (!wnd)
        return DefWindowProcW(hWnd, message, wParam, lParam);
    LRESULT result = 0;
    if (AfxKeepCloseRequest(message, wParam, &result))
        return result;
    result = wnd->WindowProc(message, wParam, lParam);
    // The window is gone: the object lets go of it.
    if (message == WM_NCDESTROY)
        wnd->Detach();
    return result;
}

} // namespace

BOOL CWnd::Attach(HWND hWnd) {
    if (!hWnd || m_hWnd || FromHandlePermanent(hWnd) || !IsWindow(hWnd))
        return FALSE;
    m_hWnd = hWnd;
    AfxHandleMap<HWND, CWnd*>()[hWnd] = this;
    // The window's own procedure stays its default processing.
    AfxHandleMap<HWND, WNDPROC>()[hWnd] = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&BoundWindowProc)));
    return TRUE;
}

HWND CWnd::Detach() {
    HWND hWnd = m_hWnd;
    m_hWnd = nullptr;
    // Only the bound object gives the window back its own procedure; a
    // temporary one never took it.
    if (hWnd && FromHandlePermanent(hWnd) == this) {
        AfxHandleMap<HWND, CWnd*>().erase(hWnd);
        auto& ownProcs = AfxHandleMap<HWND, WNDPROC>();
        if (WNDPROC own = ownProcs[hWnd]; own && IsWindow(hWnd))
            SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(own));
        ownProcs.erase(hWnd);
    }
    return hWnd;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return m_hWnd ? SendMessageW(m_hWnd, message, wParam, lParam) : 0;
}

BOOL CWnd::EnableWindow(BOOL bEnable) {
    return m_hWnd ? ::EnableWindow(m_hWnd, bEnable) : FALSE;
}

void CWnd::GetClientRect(LPRECT lpRect) const {
    *lpRect = RECT{};
    if (m_hWnd)
        ::GetClientRect(m_hWnd, lpRect);
}

void CWnd::SetWindowText(LPCTSTR lpszString) {
    if (m_hWnd)
        SetWindowTextW(m_hWnd, Utf8ToWide(lpszString ? lpszString : "").c_str());
}

void CWnd::GetWindowText(CString& rString) const {
    rString.Empty();
    if (!m_hWnd)
        return;
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(m_hWnd)) + 1, L'\0');
    const int length = GetWindowTextW(m_hWnd, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    rString = CString(WideToUtf8(text));
}

CMenu* CWnd::GetSystemMenu(BOOL bRevert) const {
    HMENU hMenu = m_hWnd ? ::GetSystemMenu(m_hWnd, bRevert) : nullptr;
    if (!hMenu)
        return nullptr;
    std::unique_ptr<CMenu>& menu = AfxHandleMap<HMENU, std::unique_ptr<CMenu>>()[hMenu];
    if (!menu) {
        menu = std::make_unique<CMenu>();
        menu->m_hMenu = hMenu;
    }
    return menu.get();
}

void CWnd::DragAcceptFiles(BOOL bAccept) {
    if (m_hWnd)
        ::DragAcceptFiles(m_hWnd, bAccept);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const auto& ownProcs = AfxHandleMap<HWND, WNDPROC>();
    if (auto own = ownProcs.find(m_hWnd); own != ownProcs.end() && own->second)
        return CallWindowProcW(own->second, m_hWnd, message, wParam, lParam);
    return DefWindowProcW(m_hWnd, message, wParam, lParam);
}

void AfxPurgeTemporaryObjects() {
    std::erase_if(AfxHandleMap<HWND, std::unique_ptr<CWnd>>(),
                  [](const auto& entry) { return !IsWindow(entry.first); });
    std::erase_if(AfxHandleMap<HMENU, std::unique_ptr<CMenu>>(),
                  [](const auto& entry) { return !IsMenu(entry.first); });
}
