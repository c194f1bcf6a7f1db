#include "framework/dialog.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "framework/data_exchange.h"
#include "framework/handle_map.h"
#include "framework/message_pump.h"
#include "framework/qt/dialog_builder.h"
#include "framework/qt/dialog_window.h"
#include "framework/qt/resource_module.h"
#include "framework/qt/ui_script.h"
#include "framework/win_app.h"

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

    if (SendMessage(WM_INITDIALOG)) {
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
    // The controls go with the window: the objects bound to them let go, and
    // the temporary ones are dropped.
    for (QWidget* control : window.controls) {
        if (CWnd* bound = FromHandlePermanent(control))
            bound->Detach();
        AfxHandleMap<HWND, std::unique_ptr<CWnd>>().erase(control);
    }
    return m_nModalResult;
}

void CDialog::EndDialog(int nResult) {
    m_nModalResult = nResult;
    m_bEnded = true;
    if (auto* window = qobject_cast<QDialog*>(m_hWnd))
        window->done(nResult);
}
