#include "app/converter_app.h"

#include "app/converter_dlg.h"

BEGIN_MESSAGE_MAP(CConverterApp, CWinApp)
ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

CConverterApp::CConverterApp() {}

BOOL CConverterApp::InitInstance() {
    AfxEnableControlContainer();
    Enable3dControls();
    // Stopped from outside, the program cleans up as when the user closes it.
    AfxCloseOnTerminationRequest();

    // A file named on the command line, as a file manager's "Open with" names
    // it, is the source from the start; without one the dialog starts empty.
    CCommandLineInfo cmdInfo;
    ParseCommandLine(cmdInfo);

    CConverterDlg dlg;
    if (cmdInfo.m_nShellCommand == CCommandLineInfo::FileOpen)
        dlg.SetStartSource(cmdInfo.m_strFileName);
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;

    // The dialog was the program; returning FALSE ends it without a message loop.
    return FALSE;
}
