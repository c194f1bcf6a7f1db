// A dialog of the tests' own on the IDD_TEST template, recording what its
// handlers receive.
#pragma once

#include <string>
#include <vector>

#include "framework/afxwin.h"
#include "tests/framework/test_dialog_script.h"

inline constexpr UINT IDM_EXTRA = 0x0020;

class TestDialog : public CDialog {
public:
    TestDialog() : CDialog(IDD_TEST) {}

    int m_nValue = 5;
    CString m_strText = "text";
    CSpinButtonCtrl m_spin;
    CProgressCtrl m_progress;
    std::vector<std::string> events;
    std::vector<UINT> sysCommands;

    QWidget* Item(int id) const { return GetDlgItem(id)->GetSafeHwnd(); }

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Control(pDX, IDC_T_SPIN, m_spin);
        DDX_Control(pDX, IDC_T_PROGRESS, m_progress);
        DDX_Text(pDX, IDC_T_VALUE, m_nValue);
        DDV_MinMaxInt(pDX, m_nValue, 1, 30);
        DDX_Text(pDX, IDC_T_TEXT, m_strText);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        CMenu* menu = GetSystemMenu(FALSE);
        menu->AppendMenu(MF_SEPARATOR);
        menu->AppendMenu(MF_STRING, IDM_EXTRA, "Extra");
        m_spin.SendMessage(UDM_SETRANGE, 0, MAKELONG(30, 1));
        events.push_back("init");
        return TRUE;
    }
    void OnOK() override {
        events.push_back("ok");
        CDialog::OnOK();
    }
    afx_msg void OnButton() { events.push_back("button"); }
    afx_msg void OnSysCommand(UINT nID, LPARAM lParam) {
        sysCommands.push_back(nID);
        if ((nID & 0xFFF0) != IDM_EXTRA)
            CDialog::OnSysCommand(nID, lParam);
    }
    DECLARE_MESSAGE_MAP()
};
