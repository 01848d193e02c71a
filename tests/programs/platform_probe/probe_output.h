// Reading platform_probe's output: "key=value" lines, and "text NAME SLOT
// HEX" lines keyed by all but their last word. Shared by the integration and
// end-to-end tests; no Windows here.
#pragma once
#include <map>
#include <sstream>
#include <string>

namespace probe {

inline std::map<std::string, std::string> ParseOutput(const std::string& text) {
    std::map<std::string, std::string> out;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("text ", 0) == 0) {
            const size_t last = line.rfind(' ');
            out[line.substr(0, last)] = line.substr(last + 1);
        } else if (const size_t eq = line.find('='); eq != std::string::npos) {
            out[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return out;
}

}  // namespace probe
