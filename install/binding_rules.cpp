#include "install/binding_rules.h"

namespace rs {

// A file path holds no quote, so the program name needs no escapes.
std::string InstallerCommandLine(const std::string& programPath, const char* extraArgs) {
    std::string line = "\"" + programPath + "\"";
    if (*extraArgs) {
        line += ' ';
        line += extraArgs;
    }
    return line;
}

}  // namespace rs
