// Which toolkit object (form or control) a window of this program stands
// for. Kept in the program itself rather than in window properties: a
// property is a trip to the window server on every message a window gets.
// One user-interface thread, a few dozen windows: a plain list will do.
#pragma once

#include <windows.h>

#include <algorithm>
#include <new>
#include <utility>
#include <vector>

namespace tk::detail {

// Called when a window list is used after its end. The program's lists never
// end (ListOf); a test program sets it to show that none of its ways out
// reaches a list that has.
inline void (*listUsedAfterEnd)() = nullptr;

template <class T>
class WindowMap {
public:
    WindowMap() = default;
    WindowMap(const WindowMap&) = delete;
    WindowMap& operator=(const WindowMap&) = delete;
    // Runs only for a list that ends before the program (never, by ListOf).
    ~WindowMap() { ended_ = true; }

    void Bind(HWND hwnd, T* object) {
        Unbind(hwnd);
        if (hwnd && object) entries_.emplace_back(hwnd, object);
    }
    void Unbind(HWND hwnd) {
        Used();
        std::erase_if(entries_, [hwnd](const std::pair<HWND, T*>& e) { return e.first == hwnd; });
    }
    T* Find(HWND hwnd) const {
        if (!hwnd) return nullptr;
        Used();
        for (const auto& e : entries_)
            if (e.first == hwnd) return e.second;
        return nullptr;
    }

private:
    static void Used() {
        if (ended_ && listUsedAfterEnd) listUsedAfterEnd();
    }
    // Outside the object, since the compiler may drop a store into an object
    // that is ending; there is one list of each kind.
    static inline bool ended_ = false;
    std::vector<std::pair<HWND, T*>> entries_;
};

// The program's one list of the windows of a kind. Made on first use and
// never destroyed: forms and controls unbind their windows until the very
// end, when the runtime's exit procedures destroy the application object
// and its forms (std::exit inside a handler, or a return from the entry
// point with the forms alive). A function-local static would be made after
// that object, so destroyed before it.
template <class T>
WindowMap<T>& ListOf() {
    alignas(WindowMap<T>) static unsigned char storage[sizeof(WindowMap<T>)];
    static WindowMap<T>* const list = ::new (static_cast<void*>(storage)) WindowMap<T>();
    return *list;
}

}  // namespace tk::detail
