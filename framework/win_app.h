// CWinApp: the program's single application object. The entry point
// (AfxWinMain) readies the platform's toolkit and the program's resources
// (on Linux a script that cannot be read ends the program with status 1 and
// "FILE:LINE: cause" on stderr), names the application after its executable,
// keeps the arguments it was started with, and calls InitInstance; when that
// returns FALSE the program ends at once.
#pragma once

#include <string>
#include <vector>

#include "framework/command_line_info.h"
#include "framework/message_map.h"
#include "framework/win_types.h"

class CWnd;

class CWinApp : public CCmdTarget {
public:
    // A null name means the executable's file name without its extension.
    explicit CWinApp(LPCTSTR lpszAppName = nullptr);
    ~CWinApp() override;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance() { return TRUE; }

    // Hands each argument after the program's name to rCmdInfo, in order.
    void ParseCommandLine(CCommandLineInfo& rCmdInfo) const;

    HICON LoadIcon(UINT nIDResource) const;
    // The three-dimensional look is the only look here; kept so the start-up reads as usual.
    BOOL Enable3dControls() { return TRUE; }

    LPCTSTR m_pszAppName = nullptr;
    CWnd* m_pMainWnd = nullptr;
    // The arguments after the program's name, in UTF-8 on every system, as
    // dropped files' paths are; the entry point sets them before InitInstance.
    std::vector<std::string> m_arguments;

protected:
    // No help file ships with the program, so help has nothing to open.
    afx_msg void OnHelp() {}

private:
    std::string m_appName;
    friend int AfxWinMain(int argc, char** argv);
    friend LPCTSTR AfxGetAppName();
    void SetNameFromExecutable();
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
// The executable's file name without folder and extension; each backend
// asks its platform.
std::string AfxExecutableBaseName();
// The application's name: the caption of every message box.
LPCTSTR AfxGetAppName();
// Controls are all built in; accepted so the start-up reads as usual.
inline void AfxEnableControlContainer() {}

// Runs the application object: the body of the program's main().
int AfxWinMain(int argc, char** argv);
