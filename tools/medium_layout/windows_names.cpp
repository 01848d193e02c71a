#include "tools/medium_layout/windows_names.h"

#include <cstdio>
#include <cstring>

namespace rs::medium {

std::string WindowsNameProblem(const std::string& name) {
    const std::string refused = ", which Windows does not allow in names";
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20) {
            char code[8];
            std::snprintf(code, sizeof code, "0x%02X", static_cast<unsigned>(c));
            return std::string("a name with the control character ") + code + refused;
        }
        if (std::strchr("<>:\"/\\|?*", c)) return std::string("a name with ") + c + refused;
    }
    if (name.empty()) return "an empty name";
    if (name.back() == '.') return "a name ending in a dot, which Windows drops";
    if (name.back() == ' ') return "a name ending in a blank, which Windows drops";
    // CON, "con.txt" and "CON .tar.gz" all open the device itself.
    std::string base = name.substr(0, name.find('.'));
    base.erase(base.find_last_not_of(' ') + 1);
    for (char& c : base)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    const bool numbered = base.size() == 4 && (base.rfind("COM", 0) == 0 || base.rfind("LPT", 0) == 0) &&
                          base[3] >= '1' && base[3] <= '9';
    if (numbered || base == "CON" || base == "PRN" || base == "AUX" || base == "NUL")
        return "the name of the device " + base + " on Windows, which no file can have, with or without an extension";
    return "";
}

}  // namespace rs::medium
