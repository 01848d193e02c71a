// The medium tool run as a process: two runs at once onto one folder, a
// run interrupted, a run by a user who cannot read what it is given.
#include <fcntl.h>
#include <poll.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "tests/host/medium_support.h"

using namespace rs;
using namespace rs::medium_test;

namespace {

// Starts the tool's sanitizer build, beside the test program; its output goes
// to `log`, and a run that outlives its deadline is killed.
pid_t StartTool(std::vector<std::string> args, const fs::path& log) {
    args.insert(args.begin(), (fs::read_symlink("/proc/self/exe").parent_path() / "medium_layout_san").string());
    const pid_t pid = fork();
    if (pid == 0) {
        alarm(120);
        const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 1);
        dup2(fd, 2);
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

int ExitOf(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

// Unreadable files and folders as a user who cannot read them: root reads
// everything, so a run as root drops to nobody in a child process.
TEST(MediumRuns, UnreadableIsNamedBeforeAnythingIsWritten) {
    Folders f;
    const fs::path out = f.root / "medium";
    ASSERT_EQ(AllOf(medium::LayOutMedium(f.sources, out).problems), "");
    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    fs::permissions(f.root, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    const fs::path file = f.vendor / "Setup/drivers/ORVEX.sys", folder = f.vendor / "Setup/utility";
    fs::permissions(file, fs::perms::none);
    fs::permissions(folder, fs::perms::none);
    const std::string before = Listing(f.root);
    const pid_t child = fork();
    if (child == 0) {
        std::string said;
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) said = "SKIP: cannot run as nobody";
        else if (access(file.c_str(), R_OK) == 0) said = "SKIP: readable all the same";
        else said = AllOf(medium::LayOutMedium(f.sources, out).problems);
        (void)!write(channel[1], said.data(), said.size());
        _exit(0);
    }
    close(channel[1]);
    std::string said;
    char buffer[4096];
    for (ssize_t got; (got = read(channel[0], buffer, sizeof buffer)) > 0;) said.append(buffer, got);
    close(channel[0]);
    waitpid(child, nullptr, 0);
    fs::permissions(file, fs::perms::owner_all);
    fs::permissions(folder, fs::perms::owner_all);
    if (said.rfind("SKIP", 0) == 0) GTEST_SKIP() << said;
    EXPECT_NE(said.find("drivers/ORVEX.sys: cannot be read (Permission denied) (copy table row 3"), std::string::npos)
        << said;
    EXPECT_NE(said.find("Setup/utility: a folder that cannot be read (Permission denied) ("), std::string::npos)
        << said;
    EXPECT_EQ(Listing(f.root), before);
}

// The tool run twice at once onto one earlier medium: the second run comes
// while the first waits in its finishing program, before its swap.
TEST(MediumRuns, TwoRunsAtOnceOneLaysOut) {
    Folders f;
    const fs::path out = f.root / "medium", ready = f.root / "ready", go = f.root / "go";
    ASSERT_EQ(AllOf(medium::LayOutMedium(f.sources, out).problems), "");
    ASSERT_EQ(mkfifo(ready.c_str(), 0600) | mkfifo(go.c_str(), 0600), 0);
    const fs::path finish = f.root / "finish.sh";
    Write(finish, "#!/bin/sh\ntest -f \"$1/Setup/setup.exe\" || exit 9\necho in > " +
                      ready.string() + "\nread line < " + go.string() + "\n");
    fs::permissions(finish, fs::perms::owner_all);
    const std::vector<std::string> args = {f.build.string(), f.vendor.string(), out.string()};
    const int readyEnd = open(ready.c_str(), O_RDONLY | O_NONBLOCK);
    std::vector<std::string> finishing = {"--finish", finish.string()};
    finishing.insert(finishing.end(), args.begin(), args.end());
    const pid_t first = StartTool(finishing, f.root / "first.log");
    pollfd waiting{readyEnd, POLLIN, 0};
    ASSERT_EQ(poll(&waiting, 1, 60000), 1) << "the first run never reached its finishing program";
    const int second = ExitOf(StartTool(args, f.root / "second.log"));
    const int goEnd = open(go.c_str(), O_RDWR);  // never blocks; the line waits for the reader
    ASSERT_EQ(write(goEnd, "go\n", 3), 3);
    EXPECT_EQ(ExitOf(first), 0) << Read(f.root / "first.log");
    close(goEnd);
    close(readyEnd);
    EXPECT_EQ(second, 1);
    const std::string refusal = Read(f.root / "second.log");
    EXPECT_NE(refusal.find(f.root.string() + ": another make-medium run"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("left as it was: try again once it has ended\n"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("refused (1 problem); "), std::string::npos) << refusal;
    ExpectWholeMedium(f, out);
    for (const auto& entry : fs::directory_iterator(f.root))
        EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();  // no staging folder left
}

// Interrupted in its finishing program, the tool stops without the swap
// and leaves nothing of its own.
TEST(MediumRuns, InterruptedRunLeavesTheOutputAsItWas) {
    Folders f;
    const fs::path out = f.root / "medium", finish = f.root / "finish.sh";
    ASSERT_EQ(AllOf(medium::LayOutMedium(f.sources, out).problems), "");
    Write(f.vendor / "Setup/readme.txt", "new");
    Write(finish, "#!/bin/sh\nkill -INT $PPID\n");
    fs::permissions(finish, fs::perms::owner_all);
    const std::string before = Listing(f.root);
    EXPECT_EQ(ExitOf(StartTool({"--finish", finish.string(), f.build, f.vendor, out}, f.root / "log")), 128 + SIGINT);
    EXPECT_NE(Read(f.root / "log").find("make-medium: stopped (Ctrl-C); nothing changed: "), std::string::npos)
        << Read(f.root / "log");
    fs::remove(f.root / "log");
    EXPECT_EQ(Listing(f.root), before);
}


// What the tool says names the path and the cause in the user's words, and
// counts the problems it lists; a refused run leaves everything as it was.
TEST(MediumRuns, MessagesNameTheCause) {
    struct Case {
        const char* name;
        std::vector<std::string> args;  // empty: BUILD_ROOT VENDOR_DIR OUTDIR
        const char* finish;             // the finishing program's script; empty: none
        std::uintmax_t bigFile;         // bytes of a vendor file added; OUTDIR on a disk of 256 KiB when not 0
        int exit;
        std::vector<std::string> said;
    };
    const std::vector<Case> cases = {
        {"--help explains every argument", {"--help"}, "", 0, 0,
         {"usage: ", "\n  BUILD_ROOT   a build", "\n  VENDOR_DIR   the vendor's files", "\n  OUTDIR       absent, empty",
          "\n  --finish PROGRAM  runs PROGRAM", "\n  --help       this text", "\nExit code 0"}},
        {"its finishing program's problems counted", {},
         "echo 'make-medium: one' >&2; echo '  its detail' >&2; echo 'make-medium: two' >&2; exit 1", 0, 1,
         {"make-medium: one\n  its detail\nmake-medium: two\nmake-medium: refused (2 problems); "}},
        {"a disk that fills in the middle of a file", {}, "", 400000, 1,
         {": could not be copied into the medium: no space left on the disk holding ", "/disk/.medium.make-medium-",
          "refused (1 problem)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Folders f;
        std::vector<std::string> args = {f.build, f.vendor, f.root / "medium"};
        if (*c.finish) {
            Write(f.root / "finish.sh", std::string("#!/bin/sh\n") + c.finish + "\n");
            fs::permissions(f.root / "finish.sh", fs::perms::owner_all);
            args.insert(args.begin(), {"--finish", (f.root / "finish.sh").string()});
        }
        if (c.bigFile) {
            Write(f.vendor / "Setup/utility/big.bin", std::string(c.bigFile, 'x'));
            fs::create_directory(f.root / "disk");
            if (mount("tmpfs", (f.root / "disk").c_str(), "tmpfs", 0, "size=256k") != 0) {
                std::printf("not run: no tmpfs could be mounted (%s)\n", strerror(errno));
                continue;
            }
            args.back() = (f.root / "disk/medium").string();
        }
        const std::string before = Listing(f.root);
        EXPECT_EQ(ExitOf(StartTool(c.args.empty() ? args : c.args, f.root / "log")), c.exit);
        const std::string said = Read(f.root / "log");
        fs::remove(f.root / "log");
        for (const std::string& text : c.said) EXPECT_NE(said.find(text), std::string::npos) << text << "\n" << said;
        EXPECT_EQ(Listing(f.root), before);
        if (c.bigFile) umount((f.root / "disk").c_str());
    }
}

// Under its lock, a run that writes removes the staging folders killed runs
// left beside the output folder, by their name alone, and tells them in one
// line; a refused run removes nothing.
TEST(MediumRuns, KilledRunsLeftoversRemoved) {
    const std::pair<const char*, bool> names[] = {  // removed
        {".medium.make-medium-Ab12Cd", true},  {".medium.make-medium-old-Zz0099", true},
        {".medium.make-medium-Ab12C", false},  {".medium.make-medium-Ab12Cd7", false},
        {".medium.make-medium-Ab_2Cd", false}, {".other.make-medium-Ab12Cd", false},
        {"medium.make-medium-Ab12Cd", false},  {".medium.make-medium-file00", false},
    };
    Folders f;
    for (const auto& [name, removed] : names) {
        if (std::string(name).find("file") != std::string::npos) Write(f.root / name, "a file");
        else Write(f.root / name / "Setup/setup.exe", "MZ");
    }
    fs::remove(f.vendor / "Setup/Vista64.exe");
    const std::string before = Listing(f.root);
    EXPECT_NE(medium::LayOutMedium(f.sources, f.root / "medium").problems.size(), 0u);
    EXPECT_EQ(Listing(f.root), before);
    Write(f.vendor / "Setup/Vista64.exe", "MZ");
    const medium::Report report = medium::LayOutMedium(f.sources, f.root / "medium");
    EXPECT_EQ(AllOf(report.problems), "");
    ASSERT_EQ(report.notes.size(), 1u) << AllOf(report.notes);
    const std::string told = "removed what killed runs left: ";
    ASSERT_EQ(report.notes[0].rfind(told, 0), 0u) << report.notes[0];
    const std::string listed = ", " + report.notes[0].substr(told.size()) + ",";
    for (const auto& [name, removed] : names) {
        EXPECT_EQ(fs::exists(f.root / name), !removed) << name;
        EXPECT_EQ(listed.find(", " + (f.root / name).string() + ",") != std::string::npos, removed) << name;
    }
}
