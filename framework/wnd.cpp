#include "framework/wnd.h"

#include <memory>

#include "framework/handle_map.h"

namespace {

// The message being handled, for Default().
struct CurrentMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};
thread_local CurrentMessage g_currentMessage;

} // namespace

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
    auto& bound = AfxHandleMap<HWND, CWnd*>();
    auto it = bound.find(hWnd);
    return it == bound.end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    if (!hWnd)
        return nullptr;
    if (CWnd* permanent = FromHandlePermanent(hWnd))
        return permanent;
    auto [it, added] = AfxHandleMap<HWND, std::unique_ptr<CWnd>>().try_emplace(hWnd);
    if (added) {
        it->second = std::make_unique<CWnd>();
        it->second->m_hWnd = hWnd;
    }
    return it->second.get();
}

CWnd* CWnd::GetDlgItem(int nID) const {
    return m_hWnd ? FromHandle(::GetDlgItem(m_hWnd, nID)) : nullptr;
}

BOOL CWnd::IsIconic() const {
    return m_hWnd && ::IsIconic(m_hWnd);
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
    return reinterpret_cast<HICON>(
        SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const CurrentMessage saved = g_currentMessage;
    g_currentMessage = {message, wParam, lParam};
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    g_currentMessage = saved;
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam))
            return FALSE;
        *pResult = 1;
        return TRUE;
    }
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(message, 0, 0);
    if (!entry)
        return FALSE;
    *pResult = entry->pfn(this, wParam, lParam);
    return TRUE;
}

LRESULT CWnd::Default() {
    return DefWindowProc(g_currentMessage.message, g_currentMessage.wParam,
                         g_currentMessage.lParam);
}
