// The main dialog: choose a recording (Open, drop it on the window, or name it
// on the command line) and a place for the AVI, set the frame rate used when
// the recording names none, press Start and watch the bar.
#pragma once

#include <cstdint>

#include "framework/afxwin.h"
#include "res/resource.h"

class CStreamConverter;

// The job's progress receiver: the context is the dialog that runs the job.
int ProgressTrampoline(void* pContext, std::int64_t nBytesRead, std::int64_t nFileSize);

class CConverterDlg : public CDialog {
public:
    explicit CConverterDlg(CWnd* pParent = nullptr);
    ~CConverterDlg() override;

    enum { IDD = IDD_MAIN };

    // A file to take as the source once the dialog is up, as if dropped on it
    // (ignored unless it is a regular file).
    void SetStartSource(const CString& strPath) { m_strStartSource = strPath; }

    // One progress report of the running job.
    void OnProgress(std::int64_t nBytesRead, std::int64_t nFileSize);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnDropFiles(HDROP hDropInfo);
    afx_msg void OnOpen();
    afx_msg void OnSaveAs();
    afx_msg void OnStart();
    DECLARE_MESSAGE_MAP()

    // Puts a chosen path into its member and box, keeping what the other
    // controls show.
    void ShowPath(CString& strMember, const CString& strPath);
    // Takes a dropped or named file as the source; FALSE, changing nothing,
    // when it is not a regular file (a folder, a path that names nothing).
    BOOL TakeSource(const CString& strPath);

    CSpinButtonCtrl m_spinFps;
    CProgressCtrl m_progress;
    int m_nFps;
    CString m_strDest;
    CString m_strSource;
    CString m_strStartSource; // from the command line, taken at start-up
    HICON m_hIcon;
    CStreamConverter* m_pConverter; // the job of the last Start, owned
};
