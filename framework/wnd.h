// CWnd: a C++ object bound to a window (a widget), through which messages are
// sent and dispatched by message map. Windows created from a dialog template
// have no C++ object of their own until one is attached (DDX_Control); until
// then GetDlgItem hands out a temporary one, as the Windows framework does.
#pragma once

#include "framework/cstring.h"
#include "framework/message_map.h"
#include "framework/win_types.h"

class CMenu;

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    ~CWnd() override { Detach(); }

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }

    // The object attached to the window, or null.
    static CWnd* FromHandlePermanent(HWND hWnd);
    // The attached object, else a temporary one that lives as long as the window.
    static CWnd* FromHandle(HWND hWnd);
    BOOL Attach(HWND hWnd);
    HWND Detach();

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL EnableWindow(BOOL bEnable = TRUE); // nonzero when the window was disabled before
    BOOL IsIconic() const;
    void GetClientRect(LPRECT lpRect) const;
    CWnd* GetDlgItem(int nID) const;
    void SetWindowText(LPCTSTR lpszString);
    void GetWindowText(CString& rString) const;
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    CMenu* GetSystemMenu(BOOL bRevert) const;
    // Files dropped on the window (its controls included) arrive as WM_DROPFILES.
    void DragAcceptFiles(BOOL bAccept = TRUE);

    // The message's way through this object: its message maps, then the
    // window's default processing.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

protected:
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM) {
        return OnCmdMsg(LOWORD(wParam), HIWORD(wParam));
    }
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Default processing of the message being handled.
    LRESULT Default();

    afx_msg void OnSysCommand(UINT, LPARAM) { Default(); }
    afx_msg void OnPaint() { Default(); }
    afx_msg HCURSOR OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(Default()); }
    afx_msg void OnDropFiles(HDROP) { Default(); }
};
