// An event of a control, form or timer: the handler it calls, if any.
// Handlers are lambdas that capture a few pointers (a form's `this`, a
// test's locals by reference); each is kept in place and called through one
// function pointer. std::function would add a manager function for every
// handler, whose copies and type queries no event needs.
#pragma once
#include <cstddef>
#include <new>
#include <type_traits>

namespace tk {

template <class Signature>
class Event;

template <class... Args>
class Event<void(Args...)> {
public:
    Event() = default;
    Event(std::nullptr_t) {}  // no handler
    // Implicit, as a lambda converts to std::function.
    template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, Event>>>
    Event(F handler) : call_(&Call<F>) {
        static_assert(std::is_trivially_copyable_v<F> && sizeof(F) <= sizeof(storage_) &&
                          alignof(F) <= alignof(void*),
                      "an event handler captures at most four pointers, by value or by reference");
        ::new (static_cast<void*>(storage_)) F(handler);
    }

    // As std::function's: the handler is dropped, its captures left alone.
    Event& operator=(std::nullptr_t) {
        call_ = nullptr;
        return *this;
    }

    explicit operator bool() const { return call_ != nullptr; }
    void operator()(Args... args) const { call_(storage_, args...); }

private:
    template <class F>
    static void Call(const void* handler, Args... args) {
        (*static_cast<const F*>(handler))(args...);
    }

    // Not cleared: only the handler's own bytes are ever read (copies of the
    // rest are copies of bytes, as std::function's are).
    alignas(void*) unsigned char storage_[4 * sizeof(void*)];
    void (*call_)(const void*, Args...) = nullptr;
};

}  // namespace tk
