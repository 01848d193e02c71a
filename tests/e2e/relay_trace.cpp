#include "tests/e2e/relay_trace.h"

#include <time.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

namespace e2e {

namespace {

// "hex", "hex \"text\"" or "hex L\"text\"" at a time, split at the commas
// outside the quotes.
std::vector<std::string> SplitArgs(const std::string& list) {
    std::vector<std::string> args;
    std::string cur;
    bool quoted = false;
    for (size_t i = 0; i < list.size(); ++i) {
        const char c = list[i];
        if (quoted && c == '\\' && i + 1 < list.size()) {
            cur += c;
            cur += list[++i];
            continue;
        }
        if (c == '"') quoted = !quoted;
        if (c == ',' && !quoted) {
            args.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty() || !args.empty()) args.push_back(cur);
    return args;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

}  // namespace

unsigned long RelayCall::Word(size_t i) const {
    return i < args.size() ? std::stoul(args[i].substr(0, args[i].find(' ')), nullptr, 16) : 0;
}

std::string RelayCall::Text(size_t i) const {
    if (i >= args.size()) return "";
    const std::string& a = args[i];
    const size_t open = a.find('"');
    if (open == std::string::npos) return "";
    std::string out;
    for (size_t k = open + 1; k + 1 < a.size(); ++k) {
        char c = a[k];
        if (c == '\\' && k + 2 < a.size()) {
            c = a[++k];
            if (c == 'n') c = '\n';
            if (c == 'r') c = '\r';
            if (c == 't') c = '\t';
            if (c == 'x' && k + 2 < a.size()) {
                c = static_cast<char>(std::stoi(a.substr(k + 1, 2), nullptr, 16));
                k += 2;
            }
        }
        out += c;
    }
    return out;
}

std::vector<RelayCall> ParseRelayCalls(const std::string& output) {
    // "469.973:0100:0104:Call user32.SendMessageA(0001007c,...) ret=00401eb3"
    // "469.973:0100:0104:Ret  user32.SendMessageA() retval=00000000 ret=00401eb3"
    static const std::regex line(R"(^(\d+\.\d+):([0-9a-f]+):([0-9a-f]+):(Call|Ret ) ([\w]+)\.([\w]+)\((.*)\) (?:retval=([0-9a-f]+) )?ret=[0-9a-f]+\r?$)");
    static const std::regex ours(R"(^[\d.]+:([0-9a-f]+):[0-9a-f]+:Call PE DLL .*L"pnpbind\.dll",reason=PROCESS_ATTACH)");
    std::istringstream in(output);
    std::string text;
    std::string pid;
    std::vector<RelayCall> calls;
    std::map<std::string, std::vector<size_t>> open;  // per thread: calls not yet returned
    std::smatch m;
    while (std::getline(in, text)) {
        // The regular expressions only where they can match: they are slow.
        if (pid.empty()) {
            if (text.find("pnpbind.dll") != std::string::npos && std::regex_search(text, m, ours)) pid = m[1];
            continue;
        }
        if (text.find(":Call PE DLL") != std::string::npos || !std::regex_match(text, m, line) || m[2] != pid) continue;
        const std::string function = Lower(m[5]) + "." + std::string(m[6]);
        std::vector<size_t>& stack = open[m[3]];
        if (m[4] == "Call") {
            RelayCall c;
            c.at = std::stod(m[1]);
            c.function = function;
            c.args = SplitArgs(m[7]);
            stack.push_back(calls.size());
            calls.push_back(c);
        } else if (!stack.empty() && calls[stack.back()].function == function) {
            calls[stack.back()].retval = m[8];
            stack.pop_back();
        }
    }
    return calls;
}

double TraceClockNow() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC_RAW, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

void RelayTracedTest::TraceCalls(const std::string& functions) {
    // One import: the functions, calls from setup.exe only, and none of
    // Wine's default exclusions of calling modules.
    const std::string file = ArtifactDir() + "/relay.reg";
    std::ofstream(file) << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Wine\\Debug]\n\"RelayInclude\"=\"" << functions
                        << "\"\n\"RelayFromInclude\"=\"setup.exe\"\n\"RelayFromExclude\"=-\n";
    const CommandResult r = Wine({"reg", "import", WindowsPath(file)});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    Resnapshot();
}

void RelayTracedTest::StartRelayTraced() { StartSetup("-all,+timestamp,+pid,+relay,fixme+setupapi"); }

std::vector<RelayCall> RelayTracedTest::Calls(const std::string& function) const {
    std::vector<RelayCall> all = ParseRelayCalls(SetupOutput());
    std::erase_if(all, [&](const RelayCall& c) { return c.function != function; });
    return all;
}

}  // namespace e2e
