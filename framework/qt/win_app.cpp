#include "framework/win_app.h"

#include <QApplication>
#include <QFileInfo>
#include <cstdio>

#include "framework/qt/resource_module.h"

std::string AfxExecutableBaseName() {
    if (!QCoreApplication::instance())
        return std::string();
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toStdString();
}

HICON CWinApp::LoadIcon(UINT nIDResource) const {
    return AfxGetResourceModule().LoadIcon(static_cast<int>(nIDResource));
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
    // What Qt took for itself (-platform, -style, ...) is gone from argv by now;
    // the rest are bytes of the file system's encoding (UTF-8), as dropped paths.
    app->m_arguments.assign(argv + 1, argv + argc);
    // FALSE: the program was its dialogs, and ends without a message loop.
    return app->InitInstance() ? QApplication::exec() : 0;
}
