#include "framework/cstring.h"

#include "framework/qt/resource_module.h"

BOOL CString::LoadString(UINT nID) {
    const std::string* text = AfxGetResourceModule().FindString(static_cast<int>(nID));
    m_text = text ? *text : std::string();
    return text != nullptr;
}
