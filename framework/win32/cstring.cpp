#include "framework/cstring.h"

#include "framework/win32/backend.h"

BOOL CString::LoadString(UINT nID) {
    // With no buffer, LoadStringW hands out the string table's own text and its length.
    const wchar_t* text = nullptr;
    const int length =
        LoadStringW(GetModuleHandleW(nullptr), nID, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || !text) {
        m_text.clear();
        return FALSE;
    }
    m_text = WideToUtf8(std::wstring_view(text, static_cast<std::size_t>(length)));
    return TRUE;
}
