#include "install/program_files_rules.h"

namespace rs {

std::string FallbackProgramFiles(const std::string& windowsDirectory) {
    return windowsDirectory.substr(0, 2) + "\\Program Files";
}

}  // namespace rs
