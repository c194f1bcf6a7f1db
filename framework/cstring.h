// CString: the dialog idiom's string. Text is kept as multibyte UTF-8, the
// system code page here, so paths pass to the conversion library unchanged.
#pragma once

#include <cstring>
#include <string>

#include "framework/win_types.h"

class CString {
public:
    CString() = default;
    CString(LPCTSTR text) : m_text(text ? text : "") {}
    CString(std::string text) : m_text(std::move(text)) {}

    operator LPCTSTR() const { return m_text.c_str(); }

    BOOL IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }
    // Loads a string of the program's string table; FALSE (and empty) when absent.
    BOOL LoadString(UINT nID);

    const std::string& str() const { return m_text; }

    friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
    friend bool operator==(const CString& a, LPCTSTR b) { return a.m_text == (b ? b : ""); }

private:
    std::string m_text;
};

// Multibyte comparison: the byte order of UTF-8 is the order of its code points.
inline int _mbscmp(const unsigned char* a, const unsigned char* b) {
    return std::strcmp(reinterpret_cast<const char*>(a), reinterpret_cast<const char*>(b));
}
