// CDialog: a modal dialog built at run time from its template in the
// program's resource script. DoModal builds the window, runs OnInitDialog
// (whose base moves the members into the controls), and returns the value
// given to EndDialog once the dialog closes.
#pragma once

#include "framework/wnd.h"

class CDataExchange;

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    virtual INT_PTR DoModal(); // -1 when the window cannot be built
    void EndDialog(int nResult);
    // FALSE: members to controls; TRUE: controls to members, with validation.
    // FALSE back when a value failed validation (the user has been told).
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    BOOL OnCmdMsg(UINT nID, UINT nCode) override;

protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    virtual void DoDataExchange(CDataExchange*) {}

    DECLARE_MESSAGE_MAP()

private:
    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    int m_nModalResult = -1;
    bool m_bEnded = false;
};
