// The unattended runs' shared steps: the default log, the run's restart
// prompts, the log read back line by line.
#pragma once
#include <algorithm>
#include <map>
#include <regex>

#include "tests/e2e/install_support.h"

namespace unattended_e2e {

using install_e2e::Expected;
using install_e2e::InstallTest;

// The log of an unattended run without /log: ORVEX-Setup.log in the
// temporary folder (%TEMP%, in the tests' prefixes C:\users\root\Temp).
inline constexpr char kTempLog[] = "users/root/Temp/ORVEX-Setup.log";

// A run with switches that ends well on paths A, B, C and E adds its entry
// in the system's list of programs (a 64-bit prefix keeps it in the 32-bit
// view) and setup.exe kept with the binding library (and its 64-bit helper)
// in the utility folder. NT 4.0's entry has its own location and command.
inline Expected Registered(Expected e, const std::string& programFiles = "Program Files", bool ntFour = false) {
    const bool wide = programFiles != "Program Files";
    const std::string uninstall =
        std::string("HKLM\\Software\\") + (wide ? "Wow6432Node\\" : "") + "Microsoft\\Windows\\CurrentVersion\\Uninstall";
    const std::string key = uninstall + "\\ORVEX", utility = "C:\\" + programFiles + "\\ORVEX";
    const std::string kept = programFiles + "/ORVEX/Setup/";
    e.filesCreated.insert(e.filesCreated.end(), {programFiles + "/ORVEX/", kept, kept + "setup.exe", kept + "pnpbind.dll"});
    if (wide) e.filesCreated.push_back(kept + "pnpbind64.exe");
    e.keysCreated.push_back(key);
    e.keysDeleted.push_back(uninstall);  // Wine's listing of an empty key, as with NT 4.0's entry
    const std::pair<const char*, std::string> values[] = {
        {"DisplayName", "ORVEX PC/SC Smart Card Reader Driver"},
        {"DisplayVersion", "6.4"},
        {"Publisher", "Tornvale"},
        {"InstallLocation", ntFour ? "C:\\windows\\system32" : utility},
        {"UninstallString", ntFour ? "RunDll32 advpack.dll,LaunchINFSection C:\\windows\\inf\\orvexunst.inf, "
                                     "DefaultUninstall.NT"
                                   : "\"" + utility + "\\orvexunst.exe\""},
        {"QuietUninstallString", "\"" + utility + "\\Setup\\setup.exe\" /uninstall /quiet"},
        {"NoModify", "dword:00000001"},
        {"NoRepair", "dword:00000001"},
        {"EstimatedSize", ""},  // the installed files' size: Quiet's table checks it
    };
    for (const auto& [name, data] : values) {
        e.valuesWritten.push_back(key + "\\[" + name + "]");
        if (!data.empty()) e.valueData[key + "\\[" + name + "]"] = data;
    }
    return e;
}

inline Expected Nothing() { return {}; }
// What each path writes in a run with switches that ends well.
inline Expected PathA() { return Registered(install_e2e::PathA()); }
inline Expected PathB() { return Registered(install_e2e::PathB(), "Program Files", true); }
// Unattended runs on the NT family put the group in the all-users Programs folder.
inline constexpr char kAllUsersPrograms[] = "ProgramData/Microsoft/Windows/Start Menu/Programs/";
inline Expected PathCAllUsers() { return Registered(install_e2e::PathC("Program Files", kAllUsersPrograms)); }
inline Expected PathC64AllUsers() {
    return Registered(install_e2e::PathC("Program Files (x86)", kAllUsersPrograms), "Program Files (x86)");
}
inline Expected PathD() { return install_e2e::PathD("Vista32"); }
// A failed run registers nothing.
inline Expected PathAFailed() { return install_e2e::PathA(); }
inline Expected PathCAllUsersFailed() { return install_e2e::PathC("Program Files", kAllUsersPrograms); }

class Unattended : public InstallTest {
protected:
    // The restart prompts setup.exe made (Wine's is a stub that only says so).
    static int RestartPrompts(const e2e::WatchedRun& run) {
        int n = 0;
        for (size_t at = run.robot.raw.find("SetupPromptReboot"); at != std::string::npos;
             at = run.robot.raw.find("SetupPromptReboot", at + 1))
            ++n;
        return n;
    }

    // The log's first line for setup.exe started with args (in startedIn,
    // else in the Setup folder); platformAndPath ", platform N, path X".
    std::string FirstLine(const std::string& args, const std::string& platformAndPath,
                          const std::string& startedIn = "") const {
        static const std::map<std::string, std::string> kNames = {
            {"2", "98"}, {"4", "NT 4.0"}, {"6", "XP"}, {"9", "Vista"}, {"11", "later than Vista"}, {"12", "not supported"}};
        const size_t path = platformAndPath.rfind(',');
        const std::string dir = SetupDirInPrefix(), code = platformAndPath.substr(11, path - 11);
        return "setup.exe v6.4 started: \"" + dir + "\\setup.exe\" in \"" + (startedIn.empty() ? dir : startedIn) +
               "\", medium \"" + dir + "\", command line \"" + args + "\", platform " + code + " (Windows " +
               kNames.at(code) + ")" + platformAndPath.substr(path);
    }
    // The log's lines, each dated and ended by CR LF, without their dates;
    // the first one (when given) names the run, the last one the exit code.
    std::vector<std::string> ExpectLog(const std::string& file, const std::string& first, long exitCode) {
        const std::string text = e2e::ReadAll(driveC_ + "/" + file);
        std::vector<std::string> lines;
        static const std::regex kLine(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d [^\r\n]+)");
        for (size_t at = 0; at < text.size();) {
            const size_t end = text.find("\r\n", at);
            const std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
            EXPECT_TRUE(std::regex_match(line, kLine) && end != std::string::npos) << "log line: " << line;
            lines.push_back(line.substr(std::min<size_t>(20, line.size())));
            at = end == std::string::npos ? text.size() : end + 2;
        }
        if (lines.empty()) {
            ADD_FAILURE() << "no log in " << file;
            return lines;
        }
        if (!first.empty()) {
            EXPECT_EQ(lines.front(), first) << text;
        }
        EXPECT_EQ(lines.back().rfind("exit code " + std::to_string(exitCode) + ": ", 0), 0u) << text;
        return lines;
    }
};

}  // namespace unattended_e2e
