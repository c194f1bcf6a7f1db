// CFileDialog: the open and save file dialogs. A file name given opens the
// dialog with that name filled in, and in its folder when it has one (else
// where the last dialog left off). Filters come in the framework's
// "description|patterns|...||" form; OFN_FILEMUSTEXIST makes Open refuse
// names of missing files, Save adds the default extension to a name without
// one, refuses a folder that does not exist and, with OFN_OVERWRITEPROMPT,
// asks before an existing file is replaced. A refused name or a "No" returns
// to the dialog, as on Windows.
#pragma once

#include <string>
#include <vector>

#include "framework/cstring.h"
#include "framework/wnd.h"

class CFileDialog {
public:
    CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt, LPCTSTR lpszFileName, DWORD dwFlags,
                LPCTSTR lpszFilter, CWnd* pParentWnd = nullptr)
        : m_bOpen(bOpenFileDialog != FALSE), m_defExt(lpszDefExt ? lpszDefExt : ""),
          m_dwFlags(dwFlags), m_filter(lpszFilter ? lpszFilter : ""), m_pParentWnd(pParentWnd),
          m_pathName(lpszFileName) {}

    INT_PTR DoModal(); // IDOK or IDCANCEL
    CString GetPathName() const { return m_pathName; }

private:
    // The name the user entered, with the default extension added; empty on Cancel.
    std::string AskOnce(const std::vector<std::string>& filters);
    // FALSE when the name must be refused (the user has been told why) or
    // the user declined to replace the file.
    bool Acceptable(const std::string& path);

    bool m_bOpen;
    std::string m_defExt;
    DWORD m_dwFlags;
    std::string m_filter;
    CWnd* m_pParentWnd;
    CString m_pathName;
};

// "desc|patterns|desc|patterns||" to the name filters shown, one per pair:
// "desc (patterns)" with ';' between patterns turned to ' ', and "*.*" (every
// file on Windows) as "*". A description that already ends in its patterns
// in parentheses is not repeated.
std::vector<std::string> ConvertFileFilter(const std::string& filter);

// path with ".ext" added when its file name has no extension.
std::string WithDefaultExtension(const std::string& path, const std::string& ext);

// path with ".ext" in place of its file name's extension, or added when the
// name has none (a leading dot starts no extension). On Windows '\\' ends a
// folder's name too.
std::string WithExtension(const std::string& path, const std::string& ext);
