// What the installation end-to-end tests share: setup.exe started with the
// setup API's fixme channel on (Wine's restart prompt is a stub that only
// reports itself there), the progress bar read from the screen, and audits
// compared with a path's expected changes.
#pragma once
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/e2e/e2e_harness.h"

namespace install_e2e {

inline std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// Matches a set of paths against expected ones where a trailing '*' stands
// for any rest.
inline bool Matches(const std::string& pattern, const std::string& text) {
    if (!pattern.empty() && pattern.back() == '*') return text.rfind(pattern.substr(0, pattern.size() - 1), 0) == 0;
    return pattern == text;
}

// Every item matched by some pattern and every pattern matching some item.
inline std::string SetMismatch(const std::set<std::string>& items, const std::vector<std::string>& patterns) {
    std::string out;
    for (const auto& i : items) {
        bool ok = false;
        for (const auto& p : patterns) ok = ok || Matches(p, i);
        if (!ok) out += "  unexpected: " + i + "\n";
    }
    for (const auto& p : patterns) {
        bool ok = false;
        for (const auto& i : items) ok = ok || Matches(p, i);
        if (!ok) out += "  missing: " + p + "\n";
    }
    return out;
}

inline std::set<std::string> KeysOf(const std::map<std::string, std::string>& m) {
    std::set<std::string> s;
    for (const auto& [k, v] : m) s.insert(k);
    return s;
}

// What a path may change; every list is the exact set (patterns allowed).
struct Expected {
    std::vector<std::string> filesCreated, filesChanged, filesDeleted;
    std::vector<std::string> keysCreated, keysDeleted;
    std::vector<std::string> valuesWritten, valuesDeleted;
};

class InstallTest : public e2e::SetupTest {
protected:
    void TearDown() override {
        if (pid_ > 0) {
            kill(-pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
        e2e::SetupTest::TearDown();
    }

    // Replaces a file of the medium's Setup folder before the run, outside the audit.
    void PutInSetupFolder(const std::string& from, const std::string& name) {
        std::filesystem::copy_file(from, setupDir_ + "/" + name, std::filesystem::copy_options::overwrite_existing);
        filesBefore_ = e2e::SnapshotFiles(driveC_);
    }
    void RemoveFromSetupFolder(const std::string& name) {
        std::filesystem::remove(setupDir_ + "/" + name);
        filesBefore_ = e2e::SnapshotFiles(driveC_);
    }
    std::string TestBin(const std::string& name) const {
        return e2e::GetPaths().buildRoot + "/win32/testbin/" + name;
    }

    // setup.exe from the Setup folder, with the setup API's fixme messages
    // kept in the log (the restart prompt's only trace under Wine).
    void StartTraced() {
        log_ = ArtifactDir() + "/setup-trace.txt";
        std::vector<std::string> env = WineEnv();
        for (auto& e : env)
            if (e.rfind("WINEDEBUG=", 0) == 0) e = "WINEDEBUG=-all,fixme+setupapi";
        pid_ = fork();
        ASSERT_GE(pid_, 0);
        if (pid_ == 0) {
            setpgid(0, 0);
            if (chdir(setupDir_.c_str()) != 0) _exit(126);
            FILE* f = std::fopen(log_.c_str(), "wb");
            if (f) {
                dup2(fileno(f), 1);
                dup2(fileno(f), 2);
            }
            std::vector<char*> envp;
            for (auto& e : env) envp.push_back(e.data());
            envp.push_back(nullptr);
            char wine[] = "wine", exe[] = "setup.exe";
            char* argv[] = {wine, exe, nullptr};
            execvpe("wine", argv, envp.data());
            _exit(127);
        }
        setpgid(pid_, pid_);
    }

    // Exit code, or nullopt when still running after timeoutMs.
    std::optional<int> Wait(int timeoutMs = 60000) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (pid_ > 0) {
            int status = 0;
            pid_t r = waitpid(pid_, &status, WNOHANG);
            if (r == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            if (std::chrono::steady_clock::now() > end) return std::nullopt;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return std::nullopt;
    }
    bool Running() {
        if (pid_ <= 0) return false;
        int status = 0;
        return waitpid(pid_, &status, WNOHANG) == 0;
    }

    int RestartPrompts() const {
        std::string log = ReadAll(log_);
        int n = 0;
        for (size_t at = log.find("SetupPromptReboot"); at != std::string::npos;
             at = log.find("SetupPromptReboot", at + 1))
            ++n;
        return n;
    }

    // Robot steps reading the progress bar at the middle of each quarter.
    static std::vector<std::string> ProgressSteps() {
        std::vector<std::string> steps = {"find-window", "--class", "TSetupForm", "control", "--class",
                                          "msctls_progress32"};
        for (int quarter = 0; quarter < 4; ++quarter) {
            for (const std::string& s : {std::string("pixel"), std::string("--x"),
                                         std::to_string(426 * quarter / 4 + 53), std::string("--y"), std::string("4")})
                steps.push_back(s);
        }
        return steps;
    }
    // The position: filled chunks are the highlight colour, the empty track light grey.
    static int ProgressFrom(const e2e::RobotResult& r) {
        auto pixels = r.All("pixel");
        if (pixels.size() != 4) return -1;
        int filled = 0;
        for (const auto& px : pixels)
            if (px.Int("b") - px.Int("r") > 60) ++filled;
        return filled;
    }
    int ProgressOnScreen() { return ProgressFrom(Robot(ProgressSteps())); }

    // The exact changes, with the tests' own records (the stand-in binding
    // library's call log) left out.
    void ExpectChanges(const e2e::Audit& a, const Expected& e) {
        std::set<std::string> keysCreated, valuesWritten;
        for (const auto& k : a.keysCreated)
            if (k.find("ReaderSetupTests") == std::string::npos) keysCreated.insert(k);
        for (const auto& v : KeysOf(a.valuesWritten))
            if (v.find("ReaderSetupTests") == std::string::npos) valuesWritten.insert(v);
        std::string m;
        m += SetMismatch(a.filesCreated, e.filesCreated);
        m += SetMismatch(a.filesChanged, e.filesChanged);
        m += SetMismatch(a.filesDeleted, e.filesDeleted);
        m += SetMismatch(keysCreated, e.keysCreated);
        m += SetMismatch(a.keysDeleted, e.keysDeleted);
        m += SetMismatch(valuesWritten, e.valuesWritten);
        m += SetMismatch(a.valuesDeleted, e.valuesDeleted);
        std::ofstream(ArtifactDir() + "/audit.txt") << a.Describe();
        EXPECT_TRUE(m.empty()) << m << "audit:\n" << a.Describe();
    }

    std::string log_;
    pid_t pid_ = -1;
};

}  // namespace install_e2e
