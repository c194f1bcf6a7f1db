#include "framework/win_app.h"

#include <QApplication>
#include <QFileInfo>
#include <cstdio>

#include "framework/qt/resource_module.h"

namespace {

CWinApp* g_app = nullptr;

std::string ExecutableBaseName() {
    if (!QCoreApplication::instance())
        return std::string();
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toStdString();
}

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
    m_appName = ExecutableBaseName();
    m_pszAppName = m_appName.c_str();
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

HICON CWinApp::LoadIcon(UINT nIDResource) const {
    return AfxGetResourceModule().LoadIcon(static_cast<int>(nIDResource));
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
    name = ExecutableBaseName();
    return name.c_str();
}

int AfxWinMain(int argc, char** argv) {
    QApplication application(argc, argv);
    // Modal dialogs run their own loops; closing one must not end the program.
    application.setQuitOnLastWindowClosed(false);
    CWinApp* app = AfxGetApp();
    if (!app)
        return 1;
    // A script that cannot be read is a broken build: say where, and fail.
    if (std::string error; !AfxLoadResourceModule(&error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    app->SetNameFromExecutable();
    // FALSE: the program was its dialogs, and ends without a message loop.
    return app->InitInstance() ? QApplication::exec() : 0;
}
