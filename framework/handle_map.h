// The tables from a system handle to the object that stands for it, one per
// pair of types: the objects bound to windows, the temporary ones handed out
// for windows nobody bound, and on Windows the system menus' objects. Each
// backend drops the entries of the windows it sees go.
#pragma once

#include <unordered_map>

template <class Handle, class Object> std::unordered_map<Handle, Object>& AfxHandleMap() {
    static std::unordered_map<Handle, Object> map;
    return map;
}
