#include "framework/dialog.h"

#include "framework/data_exchange.h"
#include "framework/win_app.h"

BEGIN_MESSAGE_MAP(CDialog, CWnd){WM_INITDIALOG, 0, 0,
                                 [](CCmdTarget* target, WPARAM, LPARAM) -> LRESULT {
                                     return static_cast<CDialog*>(target)->OnInitDialog();
                                 }},
    ON_COMMAND(IDOK, OnOK) ON_COMMAND(IDCANCEL, OnCancel) END_MESSAGE_MAP()

        CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (const CUserException&) {
        return FALSE;
    }
    return TRUE;
}

BOOL CDialog::OnCmdMsg(UINT nID, UINT nCode) {
    if (CWnd::OnCmdMsg(nID, nCode))
        return TRUE;
    // Commands the dialog does not handle go to the application (ID_HELP).
    CWinApp* app = AfxGetApp();
    return app ? app->OnCmdMsg(nID, nCode) : FALSE;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}
