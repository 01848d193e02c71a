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
    // The superscript digits one to three (UTF-8) count as digits there too.
    const std::string digit = base.size() > 3 ? base.substr(3) : "";
    const bool numbered = (base.rfind("COM", 0) == 0 || base.rfind("LPT", 0) == 0) &&
                          ((digit.size() == 1 && digit[0] >= '1' && digit[0] <= '9') || digit == "\xC2\xB9" ||
                           digit == "\xC2\xB2" || digit == "\xC2\xB3");
    if (numbered || base == "CON" || base == "PRN" || base == "AUX" || base == "NUL")
        return "the name of the device " + base + " on Windows, which no file can have, with or without an extension";
    return "";
}

std::string WindowsPathProblem(const std::string& path) {
    // Windows counts UTF-16 units: a character of four UTF-8 bytes takes
    // two, any other one.
    std::size_t units = 0;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        units += (byte & 0xC0) == 0x80 ? 0 : byte >= 0xF0 && byte <= 0xF4 ? 2 : 1;
    }
    if (units <= kLongestMediumPath) return "";
    return "a path of " + std::to_string(units) + " characters from the medium's root, which Windows cannot open: " +
           "at most " + std::to_string(kLongestMediumPath) + " (its limit of 260 less the drive D:\\ and the end)";
}

}  // namespace rs::medium
