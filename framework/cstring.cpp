#include "framework/cstring.h"

#include <cstring>

int _mbscmp(const unsigned char* a, const unsigned char* b) {
    return std::strcmp(reinterpret_cast<const char*>(a), reinterpret_cast<const char*>(b));
}
