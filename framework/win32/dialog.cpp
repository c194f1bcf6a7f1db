#include "framework/dialog.h"

#include "framework/message_pump.h"
#include "framework/win32/backend.h"
#include "framework/win_app.h"

namespace {

// The dialog manager's procedure for our dialogs: it binds the object at
// WM_INITDIALOG, after which the window's messages reach the object's
// message maps first and come back here only as default processing, where
// nothing more is done.
INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_INITDIALOG)
        return FALSE;
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    if (!dialog || !dialog->Attach(hWnd)) {
        EndDialog(hWnd, -1);
        return FALSE;
    }
    return dialog->WindowProc(WM_INITDIALOG, wParam, lParam);
}

} // namespace

INT_PTR CDialog::DoModal() {
    // Without a parent, the main window owns the dialog, else the active one.
    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (CWnd* main = AfxGetMainWnd(); !owner && main && main != this)
        owner = main->m_hWnd;
    if (!owner)
        owner = GetActiveWindow();

    m_nModalResult = -1;
    m_bEnded = false;
    AfxClearCloseRequest();
    const INT_PTR result =
        DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_nIDTemplate), owner,
                        DialogProc, reinterpret_cast<LPARAM>(this));
    Detach();
    AfxPurgeTemporaryObjects();
    m_nModalResult = static_cast<int>(result);
    return result;
}

void CDialog::EndDialog(int nResult) {
    m_nModalResult = nResult;
    m_bEnded = true;
    if (m_hWnd)
        ::EndDialog(m_hWnd, nResult);
}
