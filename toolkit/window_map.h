// Which toolkit object (form or control) a window of this program stands
// for. Kept in the program itself rather than in window properties: a
// property is a trip to the window server on every message a window gets.
// One user-interface thread, a few dozen windows: a plain list will do.
#pragma once

#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace tk::detail {

template <class T>
class WindowMap {
public:
    void Bind(HWND hwnd, T* object) {
        Unbind(hwnd);
        if (hwnd && object) entries_.emplace_back(hwnd, object);
    }
    void Unbind(HWND hwnd) {
        std::erase_if(entries_, [hwnd](const std::pair<HWND, T*>& e) { return e.first == hwnd; });
    }
    T* Find(HWND hwnd) const {
        if (!hwnd) return nullptr;
        for (const auto& e : entries_)
            if (e.first == hwnd) return e.second;
        return nullptr;
    }

private:
    std::vector<std::pair<HWND, T*>> entries_;
};

}  // namespace tk::detail
