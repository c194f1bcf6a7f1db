// CCommandLineInfo: what the program's command line asks for, filled in by
// CWinApp::ParseCommandLine one argument at a time.
#pragma once

#include "framework/cstring.h"
#include "framework/win_types.h"

class CCommandLineInfo {
public:
    virtual ~CCommandLineInfo() = default;

    // Called for each argument after the program's name, in order, bLast for
    // the last one. The programs here take no options, so every argument is
    // a parameter and bFlag is always FALSE: on Linux a path starts with '/'.
    // The first parameter is the file to open; the others are ignored.
    virtual void ParseParam(LPCTSTR pszParam, BOOL bFlag, BOOL bLast);

    enum { FileNew, FileOpen } m_nShellCommand = FileNew;
    CString m_strFileName; // UTF-8, as every text of the framework
};
