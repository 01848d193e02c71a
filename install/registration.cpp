#include "install/registration.h"

#include "install/file_deploy.h"
#include "install/program_files.h"
#include "install/program_files_rules.h"

namespace rs {

std::string KeptCopyFolder() {
    // Read only: the fallback folder is not made for a look.
    std::string programFiles;
    if (!ReadProgramFilesDir(programFiles)) programFiles = FallbackProgramFiles(WindowsDirectory());
    return programFiles + kUtilityFolderName + "\\Setup";
}

}  // namespace rs
