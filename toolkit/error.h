// The toolkit's general exception: what escapes an event handler is shown
// by the application's exception report and the program goes on. Derived
// from std::exception alone: the standard exception classes would bring
// the runtime's second string implementation into the program.
#pragma once
#include <exception>
#include <string>
#include <utility>

namespace tk {

class Error : public std::exception {
public:
    explicit Error(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

}  // namespace tk
