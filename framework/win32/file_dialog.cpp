#include "framework/file_dialog.h"

#include <algorithm>
#include <commdlg.h>

#include "framework/win32/backend.h"

INT_PTR CFileDialog::DoModal() {
    // "desc|patterns|...||" is the system's list of NUL-terminated strings
    // ending in an empty one, written with '|' for NUL.
    std::wstring filter = Utf8ToWide(m_filter);
    for (wchar_t& c : filter)
        if (c == L'|')
            c = L'\0';
    const std::wstring defExt = Utf8ToWide(m_defExt);
    // Room for the longest path the system accepts.
    std::wstring file(32768, L'\0');
    const std::wstring initial = Utf8ToWide(m_pathName.str());
    initial.copy(file.data(), std::min(initial.size(), file.size() - 1));

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = m_pParentWnd ? m_pParentWnd->m_hWnd : GetActiveWindow();
    ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
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
