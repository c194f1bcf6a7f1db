#include "framework/dialog.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "framework/data_exchange.h"
#include "framework/dialog_builder.h"
#include "framework/dialog_window.h"
#include "framework/message_pump.h"
#include "framework/resource_module.h"
#include "framework/ui_script.h"
#include "framework/win_app.h"

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

INT_PTR CDialog::DoModal() {
    ResourceModule& resources = AfxGetResourceModule();
    const rc::DialogTemplate* dialog = resources.FindDialog(static_cast<int>(m_nIDTemplate));
    if (!dialog) {
        std::fprintf(stderr, "dialog %u: not in the resource script\n", m_nIDTemplate);
        return -1;
    }
    // Without a parent, the main window owns the dialog, else the active modal one.
    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (CWnd* main = AfxGetMainWnd(); !owner && main && main != this)
        owner = main->m_hWnd;
    if (!owner)
        owner = QApplication::activeModalWidget();

    DialogWindow window(owner);
    std::string error;
    if (!BuildDialog(*dialog, resources, window, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return -1;
    }
    if (!Attach(&window))
        return -1;
    m_nModalResult = -1;
    m_bEnded = false;
    AfxClearCloseRequest();

    if (OnInitDialog()) {
        for (QWidget* control : window.controls) {
            if (control->focusPolicy() == Qt::StrongFocus && control->isEnabled() &&
                !control->isHidden()) {
                control->setFocus(Qt::TabFocusReason);
                break;
            }
        }
    }
    if (!m_bEnded) {
        if (UiScript::Current()) {
            QTimer::singleShot(0, &window, [this] {
                UiScript* script = UiScript::Current();
                if (script && script->onDialogShown)
                    script->onDialogShown(*this);
                else
                    EndDialog(IDCANCEL);
            });
        }
        m_nModalResult = window.exec();
    }
    Detach();
    return m_nModalResult;
}

void CDialog::EndDialog(int nResult) {
    m_nModalResult = nResult;
    m_bEnded = true;
    if (auto* window = qobject_cast<QDialog*>(m_hWnd))
        window->done(nResult);
}

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

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) {}
