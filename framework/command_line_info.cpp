#include "framework/command_line_info.h"

void CCommandLineInfo::ParseParam(LPCTSTR pszParam, BOOL bFlag, BOOL) {
    if (bFlag || m_nShellCommand == FileOpen)
        return;
    m_strFileName = pszParam;
    m_nShellCommand = FileOpen;
}
