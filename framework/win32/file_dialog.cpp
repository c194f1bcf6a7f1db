#include "framework/file_dialog.h"

#include <algorithm>
#include <commdlg.h>

#include "framework/win32/backend.h"

namespace {

// Where the file name starts in a path: after its last '\' or '/'.
std::size_t NameStart(std::wstring_view path) {
    const std::size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring_view::npos ? 0 : separator + 1;
}

} // namespace

std::string WithExtension(const std::string& path, const std::string& ext) {
    // '\', '/' and '.' never occur inside a UTF-8 sequence, so bytes will do.
    const std::size_t separator = path.find_last_of("\\/");
    const std::size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
    const std::size_t dot = path.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && dot > nameStart;
    return (hasExtension ? path.substr(0, dot) : path) + "." + ext;
}

INT_PTR CFileDialog::DoModal() {
    // "desc|patterns|...||" is the system's list of NUL-terminated strings
    // ending in an empty one, written with '|' for NUL.
    std::wstring filter = Utf8ToWide(m_filter);
    for (wchar_t& c : filter)
        if (c == L'|')
            c = L'\0';
    const std::wstring defExt = Utf8ToWide(m_defExt);
    // A suggested name's folder goes in as the folder to open, the name alone
    // in the box: given in lpstrFile, the folder would lose to the one the
    // system remembers from the last dialog.
    const std::wstring suggested = Utf8ToWide(m_pathName.str());
    const std::size_t nameStart = NameStart(suggested);
    const std::wstring folder = suggested.substr(0, nameStart);
    const std::wstring name = suggested.substr(nameStart);
    // Room for the longest path the system accepts.
    std::wstring file(32768, L'\0');
    name.copy(file.data(), std::min(name.size(), file.size() - 1));

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = m_pParentWnd ? m_pParentWnd->m_hWnd : GetActiveWindow();
    ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrDefExt = defExt.empty() ? nullptr : defExt.c_str();
    // As on every platform, a name that must exist is asked of Open only: a
    // Save dialog that refused new names could never give a destination.
    const DWORD mustExist = m_bOpen ? 0 : OFN_FILEMUSTEXIST;
    ofn.Flags = (m_dwFlags & ~mustExist) | OFN_EXPLORER | OFN_ENABLESIZING;
    const BOOL chosen = m_bOpen ? GetOpenFileNameW(&ofn) : GetSaveFileNameW(&ofn);
    if (!chosen)
        return IDCANCEL;
    m_pathName = CString(WideToUtf8(file.c_str()));
    return IDOK;
}
