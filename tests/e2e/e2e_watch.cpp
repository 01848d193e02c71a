// setup.exe run unattended under the screen's watch: the robot starts it
// and reads its whole exit code (a Unix shell gets the low 8 bits through
// wine), and lists the windows it sees; xev lists every X window the shared
// Xvfb maps meanwhile, which catches also a window shown too briefly for
// the robot's looks.
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iostream>
#include <map>
#include <regex>
#include <sstream>
#include <thread>

#include "tests/e2e/e2e_harness.h"

namespace e2e {

using namespace internal;

namespace {

// xev on the root window of the shared display: its children mapped and its
// own property changes, which the harness makes to know that xev listens
// and that every event before one of them is in the log.
class XMapWatch {
public:
    explicit XMapWatch(std::string log) : log_(std::move(log)) {}
    ~XMapWatch() { End(); }

    // xev again when it could not open the display (measured: now and then
    // on a busy machine, while Wine's programs connect).
    bool Start() {
        std::ofstream(log_, std::ios::trunc).close();
        for (int attempt = 0; attempt < 5; ++attempt) {
            child_ = Spawn({"xev", "-display", GetPaths().display, "-root", "-event", "substructure", "-event",
                            "property"},
                           {}, "", log_);
            if (Sync()) return true;
            End();
        }
        return false;
    }

    // The windows mapped since the start ("0x... at (x,y), width W, height
    // H"), once every event before the call is in; xev ended.
    std::vector<std::string> Stop(bool* synced) {
        *synced = Sync();
        End();
        // Where each window was made or moved to last, then each map.
        static const std::regex kEvent(R"((Create|Configure|Map)Notify event, serial \d+, synthetic \w+, window 0x[0-9a-f]+,\s+)"
                                       R"((?:parent|event) 0x[0-9a-f]+, window (0x[0-9a-f]+)(, \(-?\d+,-?\d+\), width \d+, height \d+)?)");
        std::map<std::string, std::string> where;
        std::vector<std::string> mapped;
        const std::string text = ReadAll(log_);
        for (std::sregex_iterator m(text.begin(), text.end(), kEvent), end; m != end; ++m) {
            const std::string window = (*m)[2].str();
            if ((*m)[1].str() != "Map")
                where[window] = " at " + (*m)[3].str().substr(2);
            else
                mapped.push_back(window + where[window]);
        }
        return mapped;
    }

private:
    static constexpr char kMarker[] = "(RS_E2E_WATCH)";

    int Marks() const {
        const std::string text = ReadAll(log_);
        int n = 0;
        for (size_t at = text.find(kMarker); at != std::string::npos; at = text.find(kMarker, at + 1)) ++n;
        return n;
    }

    // Changes the root's marker property until xev reports a change (the
    // first ones may come before it listens); false when xev has ended.
    bool Sync() {
        if (child_.pid <= 0) return false;
        const int before = Marks();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        for (int round = 0; std::chrono::steady_clock::now() < deadline; ++round) {
            if (WaitChild(child_.pid, nullptr, WNOHANG) == child_.pid) {
                child_.pid = -1;
                return false;
            }
            RunCommand({"xprop", "-display", GetPaths().display, "-root", "-f", "RS_E2E_WATCH", "8s", "-set",
                        "RS_E2E_WATCH", std::to_string(round)});
            for (int i = 0; i < 25; ++i) {
                if (Marks() > before) return true;
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        return false;
    }

    void End() {
        if (child_.pid <= 0) return;
        kill(-child_.pid, SIGKILL);
        WaitChild(child_.pid, nullptr, 0);
        child_.pid = -1;
    }

    std::string log_;
    Child child_;
};

}  // namespace

bool WatchedRun::NoWindow() const {
    size_t debuggers = 0;
    for (const auto& w : windows) debuggers += w.Get("caption") == "Wine Debugger";
    return windows.size() == debuggers && mapped.size() <= wineCrashes.size() && debuggers <= wineCrashes.size();
}

std::string WatchedRun::Describe() const {
    std::ostringstream s;
    for (const auto& c : wineCrashes) s << "Wine crashed (its debugger's window is Wine's own): " << c << "\n";
    s << "exit code " << (exitCode ? std::to_string(*exitCode) : std::string("none (still running)")) << "\n";
    for (const auto& w : windows)
        s << "window seen: class \"" << w.Get("class") << "\" caption \"" << w.Get("caption") << "\" of "
          << w.Get("image") << " (pid " << w.Get("pid") << ") at " << w.Get("ms") << " ms\n";
    for (const auto& m : mapped) s << "X window mapped: " << m << "\n";
    return s.str();
}

std::string SetupTest::SetupDirInPrefix() const {
    std::string dir = "C:" + setupDir_.substr(driveC_.size());
    std::replace(dir.begin(), dir.end(), '/', '\\');
    return dir;
}

WatchedRun SetupTest::RunWatched(const std::string& args, int timeoutMs, const std::string& exe,
                                 const std::string& startIn) {
    WatchedRun run;
    XMapWatch x(ArtifactDir() + "/x-events.txt");
    EXPECT_TRUE(x.Start()) << "xev does not report the root window's changes";
    const std::string dir = SetupDirInPrefix();
    std::vector<std::string> steps = {"watch", "launch", "--exe", exe.empty() ? dir + "\\setup.exe" : exe,
                                      "--dir", startIn.empty() ? dir : startIn};
    if (!args.empty()) steps.insert(steps.end(), {"--args", args});
    steps.insert(steps.end(), {"wait-exit", "--timeout", std::to_string(timeoutMs), "unwatch"});
    run.robot = Robot(steps, timeoutMs + 60000, "-all,fixme+setupapi");
    bool synced = false;
    run.mapped = x.Stop(&synced);
    EXPECT_TRUE(synced) << "xev did not report the end of the run";
    if (auto exited = run.robot.Find("exited")) run.exitCode = exited->Int("code");
    EXPECT_TRUE(run.robot.Find("watching")) << run.robot.raw;
    run.windows = run.robot.All("seen");
    std::istringstream raw(run.robot.raw);
    for (std::string line; std::getline(raw, line);)
        if (line.rfind("wine: Unhandled ", 0) == 0 && line.find("starting debugger") != std::string::npos)
            run.wineCrashes.push_back(line);
    if (!run.wineCrashes.empty()) std::cout << "[   NOTE   ] " << run.Describe();
    return run;
}

}  // namespace e2e
