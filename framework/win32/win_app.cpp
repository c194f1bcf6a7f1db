#include "framework/win_app.h"

#include <memory>

#include "framework/win32/backend.h"

namespace {

struct LocalMemoryFree {
    void operator()(LPWSTR* memory) const { LocalFree(memory); }
};

// The arguments after the program's name, read as the system keeps them
// (UTF-16) and handed on in UTF-8, as dropped files' paths are: main's narrow
// argv would have them in the ANSI code page, which loses characters.
std::vector<std::string> CommandLineArguments() {
    int count = 0;
    const std::unique_ptr<LPWSTR, LocalMemoryFree> wide(
        CommandLineToArgvW(GetCommandLineW(), &count));
    std::vector<std::string> arguments;
    for (int i = 1; wide && i < count; ++i)
        arguments.push_back(WideToUtf8(wide.get()[i]));
    return arguments;
}

} // namespace

std::string AfxExecutableBaseName() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    std::wstring name = path.substr(path.find_last_of(L"\\/") + 1);
    if (const std::size_t dot = name.rfind(L'.'); dot != std::wstring::npos && dot > 0)
        name.resize(dot);
    return WideToUtf8(name);
}

HICON CWinApp::LoadIcon(UINT nIDResource) const {
    return LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(nIDResource));
}

int AfxWinMain(int, char**) {
    CWinApp* app = AfxGetApp();
    if (!app)
        return 1;
    // The up-down and progress controls, version 6 as the manifest asks.
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    app->SetNameFromExecutable();
    app->m_arguments = CommandLineArguments();
    // FALSE: the program was its dialogs, and ends without a message loop.
    if (!app->InitInstance())
        return 0;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
