// The application object and its name, the same on every platform; the
// backend says what the executable is called.
#include "framework/win_app.h"

namespace {

CWinApp* g_app = nullptr;

} // namespace

CWinApp::CWinApp(LPCTSTR lpszAppName) {
    if (lpszAppName) {
        m_appName = lpszAppName;
        m_pszAppName = m_appName.c_str();
    }
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this)
        g_app = nullptr;
}

void CWinApp::SetNameFromExecutable() {
    if (m_pszAppName)
        return;
    m_appName = AfxExecutableBaseName();
    m_pszAppName = m_appName.c_str();
}

void CWinApp::ParseCommandLine(CCommandLineInfo& rCmdInfo) const {
    for (std::size_t i = 0; i < m_arguments.size(); ++i)
        rCmdInfo.ParseParam(m_arguments[i].c_str(), FALSE, i + 1 == m_arguments.size());
}

CWinApp* AfxGetApp() {
    return g_app;
}

CWnd* AfxGetMainWnd() {
    return g_app ? g_app->m_pMainWnd : nullptr;
}

LPCTSTR AfxGetAppName() {
    if (g_app) {
        g_app->SetNameFromExecutable();
        return g_app->m_pszAppName;
    }
    static std::string name;
    name = AfxExecutableBaseName();
    return name.c_str();
}
