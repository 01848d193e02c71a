// The robot's output as the tests read it.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// One robot line: "<kind> key=value key="quoted value" ...".
struct RobotLine {
    std::string kind;
    std::map<std::string, std::string> fields;
    std::string Get(const std::string& key) const;
    long Int(const std::string& key) const;  // 0 when missing
};
RobotLine ParseRobotLine(const std::string& line);

struct RobotResult {
    int exitCode = -1;
    std::vector<RobotLine> lines;
    std::string raw;
    bool Ok() const { return exitCode == 0; }
    // The n-th line of a kind (0-based); nullopt when missing.
    std::optional<RobotLine> Find(const std::string& kind, size_t n = 0) const;
    // The same, a test failure and an empty line when missing.
    RobotLine Line(const std::string& kind, size_t n = 0) const;
    std::vector<RobotLine> All(const std::string& kind) const;
};

}  // namespace e2e
