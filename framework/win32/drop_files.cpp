// DragQueryFile in UTF-8, as the framework hands out every text: the system's
// narrow form would give the paths in the ANSI code page.
#include "framework/win32/backend.h"

#include <algorithm>
#include <cstring>

UINT DragQueryFile(HDROP hDrop, UINT iFile, LPTSTR lpszFile, UINT cch) {
    const UINT count = DragQueryFileW(hDrop, 0xFFFFFFFF, nullptr, 0);
    if (iFile == 0xFFFFFFFF || iFile >= count)
        return iFile == 0xFFFFFFFF ? count : 0;
    std::wstring wide(DragQueryFileW(hDrop, iFile, nullptr, 0), L'\0');
    DragQueryFileW(hDrop, iFile, wide.data(), static_cast<UINT>(wide.size() + 1));
    const std::string path = WideToUtf8(wide);
    if (lpszFile && cch > 0) {
        // A buffer too small gets what fits, still terminated, as from the system.
        const std::size_t copied = std::min<std::size_t>(path.size(), cch - 1);
        std::memcpy(lpszFile, path.data(), copied);
        lpszFile[copied] = '\0';
        return static_cast<UINT>(copied);
    }
    return static_cast<UINT>(path.size());
}
