#include "install/program_files.h"

#include <windows.h>

#include "base/handles.h"
#include "install/program_files_rules.h"
#include "install/registry_io.h"

namespace rs {

bool ReadProgramFilesDir(std::string& programFiles) {
    unique_hkey key;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", key.put()) != ERROR_SUCCESS)
        return false;
    // 99 bytes: a longer value counts as absent.
    return ReadValue99(key.get(), "ProgramFilesDir", programFiles);
}

std::string ProgramFilesFolder(const std::string& windowsDirectory) {
    std::string programFiles;
    if (ReadProgramFilesDir(programFiles)) return programFiles;
    programFiles = FallbackProgramFiles(windowsDirectory);
    CreateDirectoryA(programFiles.c_str(), nullptr);
    return programFiles;
}

}  // namespace rs
