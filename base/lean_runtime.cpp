// Linked into the shipped programs only (setup.exe, pnpbind.dll, the 64-bit
// helper), never into the tests. The static C++ runtime's own versions of
// the functions below drag in half of the runtime: its terminate handler the
// symbol demangler, and its error paths of string and vector the
// copy-on-write strings behind the standard exception classes. These do the
// same job in a few bytes:
//
// - an exception that nothing catches ends the process through abort(), as
//   the runtime's handler does after its message;
// - a string or vector misused (beyond its size or past its maximum length)
//   throws an exception that carries the runtime's message, so the toolkit
//   reports it like any other error;
// - out of memory throws std::bad_alloc as the runtime does.
//
// Built without exceptions (pnpbind.dll and the helper), every one of these
// ends the process instead, and operator new/delete are the C library's
// malloc/free, so that no unwinder is linked at all.
#include <cstdlib>
#include <exception>
#include <new>

// The runtime's default terminate handler, which would demangle the name of
// the exception's type for a message on the console: the program has none.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace {

#if __cpp_exceptions
// The runtime's messages are literals: the pointer stays valid.
class RuntimeMisuse : public std::exception {
public:
    explicit RuntimeMisuse(const char* what) noexcept : what_(what) {}
    const char* what() const noexcept override { return what_; }

private:
    const char* what_;
};
#endif

[[noreturn]] void Misuse([[maybe_unused]] const char* what) {
#if __cpp_exceptions
    throw RuntimeMisuse(what);
#else
    std::abort();
#endif
}

}  // namespace

namespace std {

void __throw_bad_alloc() {
#if __cpp_exceptions
    throw bad_alloc();
#else
    std::abort();
#endif
}

void __throw_bad_array_new_length() {
#if __cpp_exceptions
    throw bad_array_new_length();
#else
    std::abort();
#endif
}

void __throw_length_error(const char* what) { Misuse(what); }
void __throw_logic_error(const char* what) { Misuse(what); }
void __throw_out_of_range(const char* what) { Misuse(what); }
void __throw_invalid_argument(const char* what) { Misuse(what); }
// The format's arguments are left out: the fixed part names the misuse.
void __throw_out_of_range_fmt(const char* format, ...) { Misuse(format); }

}  // namespace std

#if !__cpp_exceptions
void* operator new(std::size_t size) {
    if (void* p = std::malloc(size ? size : 1)) return p;
    std::abort();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
#endif
