#include "framework/cstring.h"

#include <cstring>

#include "framework/resource_module.h"

BOOL CString::LoadString(UINT nID) {
    const std::string* text = AfxGetResourceModule().FindString(static_cast<int>(nID));
    m_text = text ? *text : std::string();
    return text != nullptr;
}

int _mbscmp(const unsigned char* a, const unsigned char* b) {
    return std::strcmp(reinterpret_cast<const char*>(a), reinterpret_cast<const char*>(b));
}
