// The robot's output, and the fixture's steps that run it.
#include <fstream>
#include <sstream>

#include "tests/e2e/e2e_harness.h"

namespace e2e {

using namespace internal;

std::string RobotLine::Get(const std::string& key) const {
    auto it = fields.find(key);
    return it == fields.end() ? std::string() : it->second;
}

long RobotLine::Int(const std::string& key) const {
    std::string v = Get(key);
    return v.empty() ? 0 : std::strtol(v.c_str(), nullptr, 0);
}

RobotLine ParseRobotLine(const std::string& line) {
    RobotLine r;
    size_t i = line.find(' ');
    r.kind = line.substr(0, i);
    while (i != std::string::npos && i < line.size()) {
        while (i < line.size() && line[i] == ' ') ++i;
        size_t eq = line.find('=', i);
        if (eq == std::string::npos) break;
        std::string key = line.substr(i, eq - i);
        std::string value;
        size_t j = eq + 1;
        if (j < line.size() && line[j] == '"') {
            ++j;
            while (j < line.size() && line[j] != '"') {
                if (line[j] == '\\' && j + 1 < line.size()) {
                    char c = line[j + 1];
                    value += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
                    j += 2;
                } else {
                    value += line[j++];
                }
            }
            ++j;
        } else {
            size_t end = line.find(' ', j);
            value = line.substr(j, end == std::string::npos ? std::string::npos : end - j);
            j = end == std::string::npos ? line.size() : end;
        }
        r.fields[key] = value;
        i = j;
    }
    return r;
}

std::optional<RobotLine> RobotResult::Find(const std::string& kind, size_t n) const {
    for (const auto& l : lines)
        if (l.kind == kind && n-- == 0) return l;
    return std::nullopt;
}

RobotLine RobotResult::Line(const std::string& kind, size_t n) const {
    if (auto l = Find(kind, n)) return *l;
    ADD_FAILURE() << "the robot printed no \"" << kind << "\" line #" << n << ":\n" << raw;
    return RobotLine{};
}

std::vector<RobotLine> RobotResult::All(const std::string& kind) const {
    std::vector<RobotLine> out;
    for (const auto& l : lines)
        if (l.kind == kind) out.push_back(l);
    return out;
}

CommandResult SetupTest::TestProgram(const std::string& exe, const std::vector<std::string>& args, int timeoutMs) {
    const Paths& p = GetPaths();
    std::vector<std::string> argv = {WindowsPath(p.buildRoot + "/win32/testbin/" + exe)};
    argv.insert(argv.end(), args.begin(), args.end());
    return Wine(argv, timeoutMs);
}

RobotResult SetupTest::Robot(const std::vector<std::string>& args, int timeoutMs, const std::string& wineDebug) {
    std::vector<std::string> argv = {"wine", WindowsPath(GetPaths().buildRoot + "/win32/testbin/robot.exe")};
    argv.insert(argv.end(), args.begin(), args.end());
    CommandResult c = RunCommand(argv, WineEnv(wineDebug), GetPaths().work, timeoutMs);
    RobotResult r;
    r.exitCode = c.exitCode;
    r.raw = c.output;
    std::istringstream in(c.output);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) r.lines.push_back(ParseRobotLine(line));
    }
    std::ofstream log(ArtifactDir() + "/robot-output.txt", std::ios::app);
    log << "$ robot";
    for (const auto& a : args) log << " " << a;
    log << "\n" << c.output << "\n";
    return r;
}

RobotResult SetupTest::RobotOk(const std::vector<std::string>& args, int timeoutMs) {
    RobotResult r = Robot(args, timeoutMs);
    EXPECT_TRUE(r.Ok()) << r.raw;
    return r;
}

}  // namespace e2e
