// The toolkit's general exception: what escapes an event handler is shown
// by the application's exception report and the program goes on.
#pragma once
#include <stdexcept>
#include <string>

namespace tk {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace tk
