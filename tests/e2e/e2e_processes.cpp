// The harness's processes: the paths of a run, the shared Xvfb, programs
// started in process groups of their own with deadlines.
#include "tests/e2e/e2e_processes.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace e2e {

namespace {

[[noreturn]] void Die(const std::string& why) {
    std::fprintf(stderr, "e2e harness: %s\n", why.c_str());
    std::exit(2);
}

// The children not yet waited for; each leads its own process group. A fixed
// table: the handler that ends them when the harness is told to end (a shard
// out of time) may touch nothing else.
volatile sig_atomic_t liveGroups[64];

void Track(pid_t pid) {
    for (auto& g : liveGroups)
        if (g == 0) {
            g = pid;
            return;
        }
}

}  // namespace

namespace internal {

std::string Env(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::string(v) : fallback;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool StartsWith(const std::string& s, const std::string& p) { return s.compare(0, p.size(), p) == 0; }

pid_t WaitChild(pid_t pid, int* status, int flags) {
    pid_t r = waitpid(pid, status, flags);
    if (r == pid)
        for (auto& g : liveGroups)
            if (g == pid) g = 0;
    return r;
}

Child Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& cwd,
            const std::string& logFile) {
    std::vector<std::string> envStore;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        std::string name = entry.substr(0, entry.find('='));
        bool overridden = std::any_of(env.begin(), env.end(), [&](const std::string& x) {
            return x.substr(0, x.find('=')) == name;
        });
        if (!overridden) envStore.push_back(entry);
    }
    envStore.insert(envStore.end(), env.begin(), env.end());
    std::vector<char*> cargv, cenv;
    for (const auto& a : argv) cargv.push_back(const_cast<char*>(a.c_str()));
    cargv.push_back(nullptr);
    for (const auto& e : envStore) cenv.push_back(const_cast<char*>(e.c_str()));
    cenv.push_back(nullptr);

    int fds[2] = {-1, -1};
    if (logFile.empty() && pipe(fds) != 0) Die("pipe failed");
    int logFd = -1;
    if (!logFile.empty()) {
        logFd = open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (logFd < 0) Die("cannot open " + logFile);
    }
    pid_t pid = fork();
    if (pid < 0) Die("fork failed");
    if (pid == 0) {
        setpgid(0, 0);
        int target = logFd >= 0 ? logFd : fds[1];
        dup2(target, 1);
        dup2(target, 2);
        int devnull = open("/dev/null", O_RDONLY);
        if (devnull >= 0) dup2(devnull, 0);
        // Nothing else of the harness: a wine server started here outlives
        // the command and would keep whatever it inherited open.
        close_range(3, ~0U, 0);
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
        execvpe(cargv[0], cargv.data(), cenv.data());
        _exit(127);
    }
    setpgid(pid, pid);
    Track(pid);
    if (logFd >= 0) close(logFd);
    if (fds[1] >= 0) close(fds[1]);
    return Child{pid, fds[0]};
}

int Reap(pid_t pid, int timeoutMs, std::string* output, int outFd) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    for (;;) {
        if (outFd >= 0) {
            pollfd p{outFd, POLLIN, 0};
            if (poll(&p, 1, 20) > 0) {
                char buf[4096];
                ssize_t n = read(outFd, buf, sizeof buf);
                if (n > 0) {
                    if (output) output->append(buf, static_cast<size_t>(n));
                    continue;
                }
                close(outFd);
                outFd = -1;
            }
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pid_t r = WaitChild(pid, &status, WNOHANG);
        if (r == pid) break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(-pid, SIGKILL);
            WaitChild(pid, &status, 0);
            if (outFd >= 0) close(outFd);
            return -1;
        }
    }
    // Drain what is left of the output.
    if (outFd >= 0) {
        char buf[4096];
        int flags = fcntl(outFd, F_GETFL);
        fcntl(outFd, F_SETFL, flags | O_NONBLOCK);
        ssize_t n;
        while ((n = read(outFd, buf, sizeof buf)) > 0)
            if (output) output->append(buf, static_cast<size_t>(n));
        close(outFd);
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

std::string Unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            char c = s[++i];
            out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::string ShellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string TestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    if (!info) return "global";
    std::string n = std::string(info->test_suite_name()) + "." + info->name();
    std::replace(n.begin(), n.end(), '/', '_');
    return n;
}

}  // namespace internal

namespace {

using namespace internal;

// The repository is the CMake source of BUILD_ROOT/host.
std::string SourceFromCache(const std::string& hostBuild) {
    std::istringstream in(ReadAll(hostBuild + "/CMakeCache.txt"));
    std::string line;
    while (std::getline(in, line))
        if (StartsWith(line, "CMAKE_HOME_DIRECTORY:INTERNAL=")) return line.substr(line.find('=') + 1);
    return "";
}

// The shared Xvfb: started once, on a display number Xvfb picks itself.
class XvfbEnvironment : public ::testing::Environment {
public:
    void TearDown() override { Stop(); }
    static pid_t pid;
    static void Stop() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
            pid = -1;
        }
    }
};
pid_t XvfbEnvironment::pid = -1;
[[maybe_unused]] ::testing::Environment* const kXvfb = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);

// SIGTERM or SIGINT: the children's process groups and the Xvfb end first,
// so that nothing writes into the scratch folder once the harness is gone.
extern "C" void EndChildrenAndLeave(int sig) {
    for (auto& g : liveGroups)
        if (g > 0) {
            kill(-g, SIGKILL);
            waitpid(g, nullptr, 0);
        }
    if (XvfbEnvironment::pid > 0) kill(XvfbEnvironment::pid, SIGTERM);
    signal(sig, SIG_DFL);
    raise(sig);
}

std::string StartXvfb(const std::string& work) {
    int fds[2];
    if (pipe(fds) != 0) Die("pipe failed");
    pid_t pid = fork();
    if (pid < 0) Die("fork failed");
    if (pid == 0) {
        close(fds[0]);
        int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, 0);
        dup2(devnull, 1);
        dup2(open((work + "/xvfb.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        if (poll(&p, 1, 100) > 0) {
            char c;
            ssize_t n = read(fds[0], &c, 1);
            if (n <= 0) break;
            if (c == '\n') break;
            number += c;
        }
    }
    close(fds[0]);
    if (number.empty()) {
        kill(pid, SIGKILL);
        Die("Xvfb did not start (see " + work + "/xvfb.log)");
    }
    XvfbEnvironment::pid = pid;
    return ":" + number;
}

Paths MakePaths() {
    Paths p;
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    p.buildRoot = Env("RS_BUILD_ROOT", self.parent_path().parent_path().string());
    p.source = Env("RS_SOURCE_DIR", SourceFromCache(p.buildRoot + "/host"));
    if (p.source.empty() || !fs::exists(p.source + "/tools/winenv.sh")) Die("repository not found; set RS_SOURCE_DIR");
    if (!fs::exists(p.buildRoot + "/win32/setup.exe")) Die("no setup.exe in " + p.buildRoot + "/win32");
    if (!fs::exists(p.buildRoot + "/win32/testbin/robot.exe")) Die("no robot.exe in " + p.buildRoot + "/win32/testbin");
    p.locpath = Env("RS_LOCPATH", p.source + "/out/locale");
    p.artifacts = Env("RS_ARTIFACTS", p.buildRoot + "/artifacts");
    std::string tmpl = Env("TMPDIR", "/tmp") + "/rs-e2e.XXXXXX";
    if (!mkdtemp(tmpl.data())) Die("cannot make a scratch folder " + tmpl + ": " + std::strerror(errno));
    p.work = tmpl;
    signal(SIGTERM, EndChildrenAndLeave);
    signal(SIGINT, EndChildrenAndLeave);
    fs::create_directories(p.work + "/home");
    fs::create_directories(p.artifacts);

    CommandResult loc = RunCommand({"sh", p.source + "/tools/make-locales.sh", p.locpath});
    if (loc.exitCode != 0) Die("locales: " + loc.output);
    p.medium = p.work + "/medium";
    CommandResult med = RunCommand({"bash", p.source + "/tools/make-medium.sh", p.medium, p.buildRoot});
    if (med.exitCode != 0) Die("medium: " + med.output);
    p.display = StartXvfb(p.work);
    return p;
}

struct PathsHolder {
    Paths paths;
    PathsHolder() : paths(MakePaths()) {}
    ~PathsHolder() {
        XvfbEnvironment::Stop();
        if (Env("RS_E2E_KEEP") != "1") {
            std::error_code ec;
            fs::remove_all(paths.work, ec);
        }
    }
};

}  // namespace

const Paths& GetPaths() {
    static PathsHolder holder;
    return holder.paths;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string WindowsPath(const std::string& unixPath) {
    std::string p = "Z:" + unixPath;
    std::replace(p.begin(), p.end(), '/', '\\');
    return p;
}

CommandResult RunCommand(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                         const std::string& cwd, int timeoutMs) {
    Child c = Spawn(argv, env, cwd);
    CommandResult r;
    r.exitCode = Reap(c.pid, timeoutMs, &r.output, c.out);
    return r;
}

CommandResult MakeSigner(const std::string& dir, const std::string& name, const std::string& password,
                         const std::string& extensions, const std::string& ca, const std::string& pkcs12) {
    const char* script = R"(mkdir -p ca && touch ca/index && { [ -f ca/serial ] || echo 01 >ca/serial; } &&
printf '[ca]\ndefault_ca=c\n[c]\ndatabase=ca/index\nnew_certs_dir=ca\nserial=ca/serial\ndefault_days=2\n%b%s\n' \
  'default_md=sha256\nunique_subject=no\npolicy=p\n[p]\ncommonName=supplied\n[x]\n' "$EXTENSIONS" >ca/$NAME.cnf &&
openssl req -new -newkey rsa:2048 -nodes -keyout $NAME.key -subj /CN=$NAME -out ca/$NAME.csr &&
openssl ca -config ca/$NAME.cnf -batch -selfsign -keyfile $NAME.key -in ca/$NAME.csr -out $NAME.pem -notext \
  -extensions x $CA &&
openssl pkcs12 -export -inkey $NAME.key -in $NAME.pem $PKCS12 -out $NAME.pfx -passout env:PASSWORD)";
    return RunCommand({"bash", "-c", script}, {"NAME=" + name, "EXTENSIONS=" + extensions, "PASSWORD=" + password,
                                               "CA=" + ca, "PKCS12=" + pkcs12}, dir);
}

}  // namespace e2e
