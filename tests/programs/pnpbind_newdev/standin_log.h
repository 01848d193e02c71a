// Reading the stand-in newdev's call log (newdev_standin.cpp writes it): one
// line a call, tab-separated "key=value" fields. Shared by the integration
// and end-to-end tests; no Windows here.
#pragma once
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace standin {

using Call = std::map<std::string, std::string>;

inline std::vector<Call> ParseCallLog(const std::string& text) {
    std::vector<Call> calls;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        Call call;
        std::istringstream fields(line);
        std::string field;
        while (std::getline(fields, field, '\t')) {
            const size_t eq = field.find('=');
            if (eq != std::string::npos) call[field.substr(0, eq)] = field.substr(eq + 1);
        }
        calls.push_back(call);
    }
    return calls;
}

}  // namespace standin
