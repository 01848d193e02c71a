#include "tests/e2e/e2e_harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
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

namespace fs = std::filesystem;

namespace e2e {

namespace {

std::string Env(const char* name, const std::string& fallback = "") {
    const char* v = std::getenv(name);
    return v && *v ? std::string(v) : fallback;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool StartsWith(const std::string& s, const std::string& p) { return s.compare(0, p.size(), p) == 0; }

[[noreturn]] void Die(const std::string& why) {
    std::fprintf(stderr, "e2e harness: %s\n", why.c_str());
    std::exit(2);
}

// The repository is the CMake source of BUILD_ROOT/host.
std::string SourceFromCache(const std::string& hostBuild) {
    std::istringstream in(ReadAll(hostBuild + "/CMakeCache.txt"));
    std::string line;
    while (std::getline(in, line))
        if (StartsWith(line, "CMAKE_HOME_DIRECTORY:INTERNAL=")) return line.substr(line.find('=') + 1);
    return "";
}

struct Child {
    pid_t pid = -1;
    int out = -1;
};

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

// waitpid, and the child no longer tracked once it is waited for.
pid_t WaitChild(pid_t pid, int* status, int flags) {
    pid_t r = waitpid(pid, status, flags);
    if (r == pid)
        for (auto& g : liveGroups)
            if (g == pid) g = 0;
    return r;
}

Child Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& cwd,
            const std::string& logFile = "") {
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

// Waits for a child; -1 after the timeout (its process group is killed).
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

// --- robot output -----------------------------------------------------------------------

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

// --- audit -------------------------------------------------------------------------------

// What Wine itself changes on every start, whatever the program does:
// - key timestamps and "#time=" lines (not compared at all);
// - the display adapter and monitor classes under
//   HKLM\System\CurrentControlSet\Control\Class ({4D36E968-...} and
//   {4D36E96E-...}): Wine's display driver registers them afresh at each start
//   (default value and "Class" are rewritten, sometimes dropped for a while);
// - "DriverDateData" under HKLM\System\CurrentControlSet\Control\Class\*:
//   the drivers registered at start carry the current time;
// - HKCU\Software\Wine\FileOpenAssociations and HKCU\Software\Wine\MenuFiles:
//   empty keys the desktop integration creates on the first start;
// - HKCU\Software\Wine\Fonts\Cache (the font cache; rebuilt on demand).
// - HKCU\Software\Wine\AppDefaults: the tests' own Version setting.
// Nothing else is ignored: every other key or value written shows up, and
// every file (Wine changes none under drive_c by itself).
bool IgnoredKey(const std::string& key) {
    std::string k = Lower(key);
    return StartsWith(k, "hklm\\system\\currentcontrolset\\control\\class\\{4d36e968-e325-11ce-bfc1-08002be10318}") ||
           StartsWith(k, "hklm\\system\\currentcontrolset\\control\\class\\{4d36e96e-e325-11ce-bfc1-08002be10318}") ||
           k == "hkcu\\software\\wine\\fileopenassociations" || k == "hkcu\\software\\wine\\menufiles" ||
           StartsWith(k, "hkcu\\software\\wine\\fonts\\cache") || StartsWith(k, "hkcu\\software\\wine\\appdefaults");
}

bool IgnoredValue(const std::string& key, const std::string& name) {
    std::string k = Lower(key);
    if (IgnoredKey(key)) return true;
    return StartsWith(k, "hklm\\system\\currentcontrolset\\control\\class\\") && name == "DriverDateData";
}

FileSnapshot SnapshotFiles(const std::string& driveC) {
    FileSnapshot snap;
    std::error_code ec;
    fs::recursive_directory_iterator it(driveC, fs::directory_options::skip_permission_denied, ec), end;
    for (; it != end; it.increment(ec)) {
        if (ec) break;
        std::string rel = fs::relative(it->path(), driveC, ec).generic_string();
        struct stat st {};
        if (lstat(it->path().c_str(), &st) != 0) continue;
        FileEntry e;
        e.readOnly = (st.st_mode & 0222) == 0;  // a link's mode is 0777
        if (S_ISLNK(st.st_mode)) {
            e.link = fs::read_symlink(it->path(), ec).string();
            it.disable_recursion_pending();
        } else if (S_ISDIR(st.st_mode)) {
            e.dir = true;
            rel += "/";
        } else {
            e.size = static_cast<std::uint64_t>(st.st_size);
            e.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        }
        snap[rel] = e;
    }
    return snap;
}

RegistrySnapshot ParseRegFile(const std::string& text, const std::string& root) {
    RegistrySnapshot snap;
    std::istringstream in(text);
    std::string line, current;
    RegValues* values = nullptr;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // Continued data lines end in a backslash.
        while (!line.empty() && line.back() == '\\' && line.rfind("[", 0) != 0) {
            std::string next;
            if (!std::getline(in, next)) break;
            size_t s = next.find_first_not_of(" \t");
            line.pop_back();
            line += s == std::string::npos ? "" : next.substr(s);
        }
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            size_t close = line.rfind(']');
            std::string raw = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
            std::string key;
            for (size_t i = 0; i < raw.size(); ++i) {
                if (raw[i] == '\\' && i + 1 < raw.size() && raw[i + 1] == '\\') ++i;
                key += raw[i];
            }
            current = root + "\\" + key;
            values = &snap[current];
            continue;
        }
        if (!values) continue;
        std::string name;
        size_t i = 0;
        if (line[0] == '@') {
            i = 1;
        } else if (line[0] == '"') {
            i = 1;
            while (i < line.size() && line[i] != '"') {
                if (line[i] == '\\' && i + 1 < line.size()) ++i;
                name += line[i++];
            }
            ++i;
        } else {
            continue;
        }
        if (i >= line.size() || line[i] != '=') continue;
        std::string data = line.substr(i + 1);
        if (data.size() >= 2 && data.front() == '"' && data.back() == '"') data = Unescape(data.substr(1, data.size() - 2));
        (*values)[name] = data;
    }
    return snap;
}

RegistrySnapshot SnapshotRegistry(const std::string& prefix) {
    RegistrySnapshot snap = ParseRegFile(ReadAll(prefix + "/system.reg"), "HKLM");
    RegistrySnapshot user = ParseRegFile(ReadAll(prefix + "/user.reg"), "HKCU");
    snap.insert(user.begin(), user.end());
    return snap;
}

std::string ValueId(const std::string& key, const std::string& name) { return key + "\\[" + name + "]"; }

Audit Compare(const FileSnapshot& fb, const FileSnapshot& fa, const RegistrySnapshot& rb, const RegistrySnapshot& ra) {
    Audit a;
    for (const auto& [path, e] : fa) {
        auto it = fb.find(path);
        if (it == fb.end())
            a.filesCreated.insert(path);
        else if (!(it->second == e) && !e.dir)
            a.filesChanged.insert(path);
        if (e.readOnly && (it == fb.end() || !(it->second == e))) a.leftReadOnly.insert(path);
    }
    for (const auto& [path, e] : fb)
        if (!fa.count(path)) a.filesDeleted.insert(path);

    static const RegValues kNone;
    for (const auto& [key, values] : ra) {
        auto it = rb.find(key);
        if (it == rb.end() && !IgnoredKey(key)) a.keysCreated.insert(key);
        const RegValues& old = it == rb.end() ? kNone : it->second;
        for (const auto& [name, data] : values) {
            if (IgnoredValue(key, name)) continue;
            auto v = old.find(name);
            if (v == old.end() || v->second != data) a.valuesWritten[ValueId(key, name)] = data;
        }
        for (const auto& [name, data] : old)
            if (!values.count(name) && !IgnoredValue(key, name)) a.valuesDeleted.insert(ValueId(key, name));
    }
    for (const auto& [key, values] : rb) {
        if (ra.count(key)) continue;
        if (!IgnoredKey(key)) a.keysDeleted.insert(key);
        for (const auto& [name, data] : values)
            if (!IgnoredValue(key, name)) a.valuesDeleted.insert(ValueId(key, name));
    }
    return a;
}

bool Audit::Empty() const {
    return filesCreated.empty() && filesChanged.empty() && filesDeleted.empty() && keysCreated.empty() &&
           keysDeleted.empty() && valuesWritten.empty() && valuesDeleted.empty() && leftReadOnly.empty();
}

std::string Audit::Describe() const {
    std::ostringstream s;
    for (const auto& f : filesCreated) s << "file created: " << f << "\n";
    for (const auto& f : filesChanged) s << "file changed: " << f << "\n";
    for (const auto& f : filesDeleted) s << "file deleted: " << f << "\n";
    for (const auto& k : keysCreated) s << "key created: " << k << "\n";
    for (const auto& k : keysDeleted) s << "key deleted: " << k << "\n";
    for (const auto& [v, d] : valuesWritten) s << "value written: " << v << " = " << d << "\n";
    for (const auto& v : valuesDeleted) s << "value deleted: " << v << "\n";
    for (const auto& f : leftReadOnly) s << "left read-only: " << f << "\n";
    return s.str();
}

// --- screenshots ---------------------------------------------------------------------------

Rgb Image::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return Rgb{-1, -1, -1};
    size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
    return Rgb{rgb[i], rgb[i + 1], rgb[i + 2]};
}

int ColorDistance(Rgb a, Rgb b) {
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

int CountPixels(const Image& img, int left, int top, int width, int height, const std::function<bool(Rgb)>& match) {
    int n = 0;
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x)
            if (match(img.At(x, y))) ++n;
    return n;
}

std::string ToString(Rgb c) {
    return "RGB(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) + ")";
}

namespace {

// Binary PPM (P6, maxval 255), as ImageMagick writes it.
Image ReadPpm(const std::string& data) {
    Image img;
    std::istringstream in(data);
    std::string magic;
    int maxval = 0;
    in >> magic;
    auto skip = [&] {
        in >> std::ws;
        while (in.peek() == '#') {
            std::string c;
            std::getline(in, c);
            in >> std::ws;
        }
    };
    skip();
    in >> img.width;
    skip();
    in >> img.height;
    skip();
    in >> maxval;
    in.get();
    if (magic != "P6" || maxval != 255 || img.width <= 0 || img.height <= 0) return Image{};
    size_t n = static_cast<size_t>(img.width) * static_cast<size_t>(img.height) * 3;
    img.rgb.resize(n);
    in.read(reinterpret_cast<char*>(img.rgb.data()), static_cast<std::streamsize>(n));
    if (static_cast<size_t>(in.gcount()) != n) return Image{};
    return img;
}

}  // namespace

// --- the fixture ------------------------------------------------------------------------------

std::vector<std::string> SetupTest::WineEnv() const {
    const Paths& p = GetPaths();
    std::string lang = options_.locale + ".UTF-8";
    return {"WINEPREFIX=" + prefix_,
            "WINEARCH=" + options_.arch,
            "DISPLAY=" + p.display,
            "WINEDEBUG=-all",
            "WINEDLLOVERRIDES=mscoree,mshtml,winemenubuilder.exe=",
            "LOCPATH=" + p.locpath,
            "LANG=" + lang,
            "LC_ALL=" + lang,
            "LANGUAGE=",
            // No test writes into the real home folder.
            "HOME=" + p.work + "/home",
            "XDG_CONFIG_HOME=" + p.work + "/home/.config",
            "XDG_DATA_HOME=" + p.work + "/home/.local/share",
            "XDG_CACHE_HOME=" + p.work + "/home/.cache"};
}

std::string SetupTest::ArtifactDir() const {
    std::string d = GetPaths().artifacts + "/" + TestName();
    fs::create_directories(d);
    return d;
}

void SetupTest::Prepare(const RunOptions& options) {
    const Paths& p = GetPaths();
    options_ = options;
    ASSERT_TRUE(options.arch == "win32" || options.arch == "win64") << options.arch;
    static int counter = 0;
    prefix_ = p.work + "/prefix-" + std::to_string(++counter);
    driveC_ = prefix_ + "/drive_c";
    setupDir_ = driveC_ + "/medium/Setup";
    CommandResult clone = RunCommand(
        {"bash", "-c", ". " + ShellQuote(p.source + "/tools/winenv.sh") + " && rs_clone_prefix " + options.arch + " " +
                           ShellQuote(prefix_) + " && rs_locale_fonts " + ShellQuote(prefix_) + " " + options.locale +
                           " && rs_unmanaged_windows " + ShellQuote(prefix_)},
        {"HOME=" + p.work + "/home"}, "", 300000);
    ASSERT_EQ(clone.exitCode, 0) << clone.output;
    CommandResult copy = RunCommand({"cp", "-a", mediumFrom_.empty() ? p.medium : mediumFrom_, driveC_ + "/medium"});
    ASSERT_EQ(copy.exitCode, 0) << copy.output;
    if (options.medium == Medium::ReadOnly) {
        ASSERT_EQ(RunCommand({"chmod", "-R", "a-w", driveC_ + "/medium"}).exitCode, 0);
    }
    // The INF installers setup.exe starts run on the same Windows as setup.exe
    // itself: Wine's setupapi picks the decorated (.NT) INF sections only when
    // the caller reports an NT version. Written straight into user.reg while
    // no wine server runs (a text file then), which saves three Wine starts.
    if (!options.version.empty()) {
        std::ofstream reg(prefix_ + "/user.reg", std::ios::app);
        for (const char* exe : {"setup.exe", "rundll.exe", "rundll32.exe"})
            reg << "\n[Software\\\\Wine\\\\AppDefaults\\\\" << exe << "] 1700000000\n\"Version\"=\"" << options.version
                << "\"\n";
        ASSERT_TRUE(reg.good()) << "cannot write " << prefix_ << "/user.reg";
    }
    // Wine's first start under a locale writes that locale's settings
    // (Control Panel\International, font associations): one start before the
    // snapshot, so the audit sees only what the program does. The registry
    // files hold the state once the server has ended.
    CommandResult warm = Wine({"cmd", "/c", "exit"});
    ASSERT_EQ(warm.exitCode, 0) << warm.output;
    Resnapshot();
}

void SetupTest::StopServer() {
    RunCommand({"wineserver", "-k"}, WineEnv(), "", 60000);
    RunCommand({"wineserver", "-w"}, WineEnv(), "", 60000);
}

void SetupTest::Resnapshot() {
    StopServer();
    filesBefore_ = SnapshotFiles(driveC_);
    regBefore_ = SnapshotRegistry(prefix_);
    ASSERT_FALSE(regBefore_.empty()) << "no registry in " << prefix_;
    // A persistent server makes each later program start quick; it ends
    // by itself 5 s after the last program, should the test be killed.
    Child server = Spawn({"wineserver", "-p5"}, WineEnv(), "", "/dev/null");
    Reap(server.pid, 60000, nullptr, -1);
}

void SetupTest::StartSetup(const std::string& wineDebug) {
    ASSERT_FALSE(prefix_.empty()) << "Prepare first";
    setupLog_ = ArtifactDir() + "/setup-output.txt";
    std::ofstream(setupLog_, std::ios::trunc).close();
    setupExit_.reset();
    std::vector<std::string> env = WineEnv();
    for (auto& e : env)
        if (StartsWith(e, "WINEDEBUG=")) e = "WINEDEBUG=" + wineDebug;
    Child c = Spawn({"wine", "setup.exe"}, env, setupDir_, setupLog_);
    setupPid_ = c.pid;
}

void SetupTest::StartInPrefix(const std::vector<std::string>& args, const std::string& name) {
    const std::string log = ArtifactDir() + "/" + name + ".txt";
    std::ofstream(log, std::ios::trunc).close();
    std::vector<std::string> argv = {"wine"};
    argv.insert(argv.end(), args.begin(), args.end());
    backgroundPids_.push_back(Spawn(argv, WineEnv(), GetPaths().work, log).pid);
}

bool SetupTest::WaitForOutput(const std::string& name, const std::string& text, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (ReadAll(ArtifactDir() + "/" + name + ".txt").find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

std::string SetupTest::SetupOutput() const { return setupLog_.empty() ? std::string() : ReadAll(setupLog_); }

bool SetupTest::SetupRunning() {
    if (setupPid_ <= 0) return false;
    int status = 0;
    pid_t r = WaitChild(setupPid_, &status, WNOHANG);
    if (r == setupPid_) {
        setupExit_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        setupPid_ = -1;
        return false;
    }
    return true;
}

std::optional<int> SetupTest::WaitSetup(int timeoutMs) {
    if (setupPid_ > 0) {
        int code = Reap(setupPid_, timeoutMs, nullptr, -1);
        setupPid_ = -1;
        if (code >= 0) setupExit_ = code;
        else setupExit_.reset();
    }
    return setupExit_;
}

CommandResult SetupTest::TestProgram(const std::string& exe, const std::vector<std::string>& args, int timeoutMs) {
    const Paths& p = GetPaths();
    std::vector<std::string> argv = {WindowsPath(p.buildRoot + "/win32/testbin/" + exe)};
    argv.insert(argv.end(), args.begin(), args.end());
    return Wine(argv, timeoutMs);
}

RobotResult SetupTest::Robot(const std::vector<std::string>& args, int timeoutMs) {
    CommandResult c = TestProgram("robot.exe", args, timeoutMs);
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

CommandResult SetupTest::Wine(const std::vector<std::string>& args, int timeoutMs) {
    std::vector<std::string> argv = {"wine"};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunCommand(argv, WineEnv(), GetPaths().work, timeoutMs);
}

Audit SetupTest::AuditNow() {
    StopServer();
    Audit a = Compare(filesBefore_, SnapshotFiles(driveC_), regBefore_, SnapshotRegistry(prefix_));
    std::ofstream(ArtifactDir() + "/audit.txt") << a.Describe();
    return a;
}

Image SetupTest::Screenshot(const std::string& name, std::optional<std::vector<int>> crop) {
    const Paths& p = GetPaths();
    std::string ppm = p.work + "/shot.ppm";
    CommandResult shot = RunCommand({"import", "-display", p.display, "-window", "root", "-depth", "8", "ppm:" + ppm});
    if (shot.exitCode != 0) {
        ADD_FAILURE() << "screenshot failed: " << shot.output;
        return Image{};
    }
    std::vector<std::string> convert = {"convert", ppm};
    if (crop && crop->size() == 4) {
        convert.push_back("-crop");
        convert.push_back(std::to_string((*crop)[2]) + "x" + std::to_string((*crop)[3]) + "+" +
                          std::to_string((*crop)[0]) + "+" + std::to_string((*crop)[1]));
        convert.push_back("+repage");
    }
    convert.push_back("png:" + ArtifactDir() + "/" + name + ".png");
    RunCommand(convert);
    Image img = ReadPpm(ReadAll(ppm));
    if (img.width == 0) ADD_FAILURE() << "unreadable screenshot " << ppm;
    return img;
}

Image SetupTest::ScreenshotWhen(const std::string& name, const std::function<bool(const Image&)>& settled,
                               std::optional<std::vector<int>> crop) {
    Image img = Screenshot(name, crop);
    for (int i = 0; i < 20 && !settled(img); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        img = Screenshot(name, crop);
    }
    return img;
}

void SetupTest::TearDown() {
    if (prefix_.empty()) return;
    if (HasFailure()) {
        // What was on screen when the test failed.
        CommandResult windows = TestProgram("robot.exe", {"dump"}, 30000);
        std::ofstream(ArtifactDir() + "/windows-at-failure.txt") << windows.output;
        Screenshot("screen-at-failure");
    }
    if (setupPid_ > 0) {
        kill(-setupPid_, SIGKILL);
        WaitChild(setupPid_, nullptr, 0);
        setupPid_ = -1;
    }
    for (int pid : backgroundPids_) {
        kill(-pid, SIGKILL);
        WaitChild(pid, nullptr, 0);
    }
    backgroundPids_.clear();
    StopServer();
    // A read-only medium (a disc's, or a disc image's) is removable, also by a user other than root.
    if (fs::exists(driveC_ + "/medium")) RunCommand({"chmod", "-R", "u+w", driveC_ + "/medium"});
    if (Env("RS_E2E_KEEP") != "1") {
        std::error_code ec;
        fs::remove_all(prefix_, ec);
    }
}

}  // namespace e2e
