// shell_probe RESULT install LANGUAGE
// shell_probe RESULT shortcut NAME TARGET
// Writes the returned path, or "raised: " and the message, to RESULT.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "shell/shortcut.h"
#include "shell/utilities.h"
#include "toolkit/error.h"

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    const std::string mode = argv[2];
    std::string result;
    try {
        if (mode == "install") {
            rs::InstallUtilitiesAndGuide(nullptr, std::atoi(argv[3]));
            result = "done";
        } else if (mode == "shortcut" && argc >= 5) {
            result = rs::CreateShellShortcut(nullptr, argv[4], "", "", 0, argv[3], CSIDL_DESKTOP);
        } else {
            return 2;
        }
    } catch (const tk::Error& e) {
        result = std::string("raised: ") + e.what();
    }
    FILE* out = std::fopen(argv[1], "wb");
    if (!out) return 1;
    std::fputs(result.c_str(), out);
    std::fclose(out);
    return 0;
}
