// The medium check and layout on small folders: a vendor folder made from
// what the program reads, then broken one way at a time.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <set>

#include "install/copy_table.h"
#include "tools/medium_layout/medium_layout.h"
#include "ui/medium_rules.h"

using namespace rs;
namespace fs = std::filesystem;

namespace {

void Write(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

std::string Read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// `link` made a link to `target`, in place of what was there.
void Relink(const fs::path& link, const fs::path& target) {
    fs::remove_all(link);
    fs::create_symlink(target, link);
}

const std::string kInf = "; reader\r\n[Version]\r\nSignature=\"$Windows NT$\"\r\n";

// The file's path with each folder spelt as it already is on disk: the
// program names "drivers" also as "Drivers".
fs::path AsOnDisk(const fs::path& root, const fs::path& relative) {
    fs::path at = root;
    for (const fs::path& part : relative) {
        fs::path next = at / part;
        if (fs::is_directory(at))
            for (const auto& entry : fs::directory_iterator(at))
                if (strcasecmp(entry.path().filename().c_str(), part.c_str()) == 0) next = entry.path();
        at = next;
    }
    return at;
}

// A vendor folder and a build folder holding every file any run reads.
struct Folders {
    fs::path root, vendor, build;
    medium::Sources sources;

    Folders() {
        char tmpl[] = "/tmp/rs-medium-test.XXXXXX";
        root = mkdtemp(tmpl);
        vendor = root / "vendor";
        build = root / "build";
        for (const char* file : {"product/setup.exe", "product/pnpbind.dll", "win64/pnpbind64.exe"}) Write(build / file, "MZ");
        sources = {vendor, medium::BuildFilesOf(build), build};
        std::set<std::string> fromBuild;
        for (const medium::BuildFile& file : sources.build) fromBuild.insert("Setup/" + file.name);
        for (PlatformCode platform = 1; platform <= 12; ++platform) {
            for (const MediumRead& read : MediumReadsOn(platform)) {
                const fs::path at = AsOnDisk(vendor, medium::MediumPath(read.path));
                if (fromBuild.count(medium::MediumPath(read.path))) continue;
                if (read.item == MediumItem::Folder) Write(at / "guide.css", "body{}");
                else Write(at, read.item == MediumItem::Inf ? kInf : "MZ");
            }
        }
    }
    ~Folders() { fs::remove_all(root); }

    medium::Report Check() const { return medium::CheckMedium(sources); }
};

std::string AllOf(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines) all += line + "\n";
    return all;
}

// Every path below `root` with its size or link target, links not followed:
// equal listings before and after a run mean the run changed nothing.
std::string Listing(const fs::path& root) {
    std::set<std::string> lines;
    for (const auto& entry : fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied)) {
        const std::string path = entry.path().lexically_relative(root).string();
        if (entry.is_symlink()) lines.insert(path + " -> " + fs::read_symlink(entry.path()).string());
        else lines.insert(path + (entry.is_regular_file() ? " " + std::to_string(entry.file_size()) : "/"));
    }
    return AllOf({lines.begin(), lines.end()});
}

// Starts the tool of this build, beside the test program; its output goes
// to `log`, and a run that outlives its deadline is killed.
pid_t StartTool(std::vector<std::string> args, const fs::path& log) {
    args.insert(args.begin(), (fs::read_symlink("/proc/self/exe").parent_path() / "medium_layout").string());
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

// A medium laid out whole in `out`, with its record.
void ExpectWholeMedium(const Folders& f, const fs::path& out) {
    std::size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(out)) files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, f.Check().files + 1) << out;
    EXPECT_TRUE(fs::is_regular_file(out / ".make-medium")) << out;
}

}  // namespace

TEST(MediumLayout, CompleteFolderIsLaidOutWhole) {
    Folders f;
    // A Unicode INF with its section in other letter case passes too.
    const std::string unicode("\xFF\xFE[\0v\0e\0r\0S\0I\0O\0N\0]\0\r\0\n\0", 24);
    Write(f.vendor / "Setup/smclib/scbase.inf", unicode);
    Write(f.vendor / "Setup/readme.txt", "notes");
    // Links are followed: the medium holds what they lead to.
    fs::rename(f.vendor / "Setup/drivers", f.root / "drivers");
    fs::create_directory_symlink(f.root / "drivers", f.vendor / "Setup/drivers");
    Write(f.root / "ORVEX.real", "driver");
    Relink(f.root / "drivers/ORVEX.sys", "../ORVEX.real");
    const fs::path out = f.root / "medium";
    ASSERT_EQ(AllOf(medium::LayOutMedium(f.sources, out).problems), "");
    Write(out / "stale.txt", "from an earlier layout");
    Write(f.root / "medium.part/own.txt", "not the command's");

    const medium::Report report = medium::LayOutMedium(f.sources, out);
    EXPECT_EQ(AllOf(report.problems), "");
    EXPECT_EQ(AllOf(report.unread), "Setup/readme.txt\n");
    EXPECT_FALSE(fs::exists(out / "stale.txt"));
    EXPECT_TRUE(fs::exists(f.root / "medium.part/own.txt"));
    EXPECT_EQ(Read(out / "Setup/drivers/ORVEX.sys"), "driver");
    EXPECT_FALSE(fs::is_symlink(out / "Setup/drivers"));
    for (const char* file : {"Setup/setup.exe", "Setup/pnpbind64.exe", "Setup/drivers/ORVEX.ncp", "Setup/Vista64.exe",
                             "Setup/drivers/winxp/orvex.inf", "InstallationGuide/KWIN98.htm",
                             "InstallationGuide/CWINXP.files/guide.css", "Setup/readme.txt"})
        EXPECT_TRUE(fs::is_regular_file(out / file)) << file;
    ExpectWholeMedium(f, out);
}

// Each broken folder gives exactly one problem, naming the path expected
// and who reads it, and leaves the output folder as it was.
TEST(MediumLayout, RefusesEachProblemNamingThePath) {
    struct Case {
        const char* name;
        std::function<void(Folders&)> breakIt;
        std::vector<std::string> said;
        std::vector<std::string> notSaid;
    };
    const std::vector<Case> cases = {
        {"missing driver", [](Folders& f) { fs::remove(f.vendor / "Setup/drivers/ORVEX.sys"); },
         {"vendor/Setup/drivers/ORVEX.sys: missing", "copy table row 3", "Windows 95 (1)", "Windows Me (3)"},
         {"Windows XP 32-bit (6)", "Windows NT 4.0 (4)"}},
        {"empty library", [](Folders& f) { Write(f.vendor / "Setup/smclib/advpack.dll", ""); },
         {"vendor/Setup/smclib/advpack.dll: empty", "copy table row 9", "Windows NT 4.0 (4)"}, {"Windows 98"}},
        {"missing Korean guide page", [](Folders& f) { fs::remove(f.vendor / "InstallationGuide/KWINXP.htm"); },
         {"vendor/InstallationGuide/KWINXP.htm: missing", "guide page, Korean", "Windows 2000 (5)",
          "Windows later than Vista (11)"},
         {"Windows Vista 32-bit (9)"}},
        {"guide folder without files", [](Folders& f) { fs::remove(f.vendor / "InstallationGuide/CWIN98.files/guide.css"); },
         {"vendor/InstallationGuide/CWIN98.files: folder without files", "guide folder, Traditional Chinese"}, {}},
        {"missing 64-bit helper", [](Folders& f) { fs::remove(f.build / "win64/pnpbind64.exe"); },
         {"build/win64/pnpbind64.exe: missing", "64-bit binding helper", "(8, 64-bit)", "(11, 64-bit)"},
         {"Windows XP 32-bit (6)"}},
        {"binding INF without [Version]",
         [](Folders& f) { Write(f.vendor / "Setup/drivers/winxp/orvex.inf", "; [Version]\r\n[Strings]\r\n"); },
         {"vendor/Setup/drivers/winxp/orvex.inf: INF without a [Version] section", "binding INF"}, {}},
        {"reader INF stored as .ncp without [Version]",
         [](Folders& f) { Write(f.vendor / "Setup/drivers/ORVEX.ncp", "[Strings]\r\n"); },
         {"ORVEX.ncp: INF without a [Version] section", "copy table row 1, copy table row 14"}, {}},
        {"names differ only in case", [](Folders& f) { Write(f.vendor / "Setup/Drivers/winxp/orvex.inf", kInf); },
         {"vendor/Setup/Drivers, ", "vendor/Setup/drivers: names that differ only in letter case"}, {}},
        {"a build program in the vendor folder", [](Folders& f) { Write(f.vendor / "Setup/Setup.exe", "MZ"); },
         {"vendor/Setup/Setup.exe: comes from the build"}, {}},
        {"setup.exe only in the win32 tree",
         [](Folders& f) {
             Write(f.build / "win32/pnpbind.dll", "MZ");
             fs::rename(f.build / "product/setup.exe", f.build / "win32/setup.exe");
             f.sources.build = medium::BuildFilesOf(f.build);
         },
         {"build/product/setup.exe: missing", "the setup program"}, {"win32"}},
        {"vendor folder is a file",
         [](Folders& f) {
             fs::remove_all(f.vendor);
             Write(f.vendor, "MZ");
         },
         {"vendor: vendor folder: not a folder"}, {"missing"}},
        {"dangling link", [](Folders& f) { Relink(f.vendor / "Setup/drivers/ORVEX.sys", "gone.sys"); },
         {"ORVEX.sys: a link to nothing (gone.sys)", "copy table row 3", "Windows 95 (1)"}, {}},
        {"loop of links", [](Folders& f) { Relink(f.vendor / "Setup/smclib/advpack.dll", "advpack.dll"); },
         {"advpack.dll: a loop of links", "copy table row 9"}, {}},
        {"folder link back up", [](Folders& f) { fs::create_directory_symlink("..", f.vendor / "InstallationGuide/EWIN98.files/up"); },
         {"EWIN98.files/up: a link to a folder that holds it (a loop)", "guide folder, English"}, {}},
        {"link to a folder outside that the output folder holds",
         [](Folders& f) { Relink(f.vendor / "Setup/utility", f.root / "medium/Setup/utility"); },
         {"medium (output folder) and ", "medium/Setup/utility (read through a link) overlap"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Folders f;
        const fs::path out = f.root / "medium";
        ASSERT_EQ(AllOf(medium::LayOutMedium(f.sources, out).problems), "");
        c.breakIt(f);
        const std::string before = Listing(f.root);
        const medium::Report report = medium::LayOutMedium(f.sources, out);
        ASSERT_EQ(report.problems.size(), 1u) << AllOf(report.problems);
        for (const std::string& text : c.said) EXPECT_NE(report.problems[0].find(text), std::string::npos) << text;
        for (const std::string& text : c.notSaid) EXPECT_EQ(report.problems[0].find(text), std::string::npos) << text;
        EXPECT_EQ(Listing(f.root), before);
    }
}

// A row of the program's copy table is checked with nothing else to add.
TEST(MediumLayout, EveryCopyTableSourceIsRequired) {
    for (const CopyRow& row : kCopyTable) {
        Folders f;
        fs::remove(f.vendor / medium::MediumPath(row.source));
        const std::string problems = AllOf(f.Check().problems);
        EXPECT_NE(problems.find("copy table row " + std::to_string(row.number)), std::string::npos)
            << row.number << "\n" << problems;
    }
}

TEST(MediumLayout, OutputInsideTheVendorFolderIsRefused) {
    Folders f;
    const medium::Report report = medium::LayOutMedium(f.sources, f.vendor / "out");
    EXPECT_NE(AllOf(report.problems).find("overlap"), std::string::npos) << AllOf(report.problems);
    EXPECT_FALSE(fs::exists(f.vendor / "out"));
}

// The output folder is replaced only when it is absent, empty or an earlier
// medium; a refusal leaves every folder as it was.
TEST(MediumLayout, ReplacesOnlyWhatItLaidOut) {
    struct Case {
        const char* name;
        std::function<void(Folders&, fs::path& out)> prepare;
        const char* finish;
        const char* said;  // empty: laid out
    };
    const std::vector<Case> cases = {
        {"empty folder", [](Folders&, fs::path& out) { fs::create_directory(out); }, "", ""},
        {"a folder of one's own", [](Folders&, fs::path& out) { Write(out / "notes.txt", "mine"); }, "",
         "medium: holds files that make-medium did not lay out"},
        {"a file", [](Folders&, fs::path& out) { Write(out, "mine"); }, "", "medium: not a folder"},
        {"no parent folder", [](Folders& f, fs::path& out) { out = f.root / "none/medium"; }, "",
         "none/medium: its parent folder is missing"},
        {"inside the build root", [](Folders& f, fs::path& out) { out = f.build / "medium"; }, "",
         "build/medium (output folder) and " },
        {"holding the build root",
         [](Folders& f, fs::path& out) {
             ASSERT_EQ(AllOf(medium::LayOutMedium(f.sources, out).problems), "");
             fs::rename(f.build, out / "build");
             f.sources = {f.vendor, medium::BuildFilesOf(out / "build"), out / "build"};
         },
         "", "medium/build (build root) overlap"},
        {"vendor folder inside the build root",
         [](Folders& f, fs::path&) {
             fs::rename(f.vendor, f.build / "vendor");
             f.sources.vendor = f.build / "vendor";
         },
         "", "build/vendor (vendor folder) and "},
        {"finishing program fails",
         [](Folders& f, fs::path& out) { ASSERT_EQ(AllOf(medium::LayOutMedium(f.sources, out).problems), ""); },
         "/bin/false", "/bin/false failed (exit 1); "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Folders f;
        fs::path out = f.root / "medium";
        c.prepare(f, out);
        const std::string before = Listing(f.root);
        const medium::Report report = medium::LayOutMedium(f.sources, out, c.finish);
        EXPECT_NE(AllOf(report.problems).find(c.said), std::string::npos) << AllOf(report.problems);
        if (*c.said) EXPECT_EQ(Listing(f.root), before);
        else ExpectWholeMedium(f, out);
    }
}

// Unreadable files and folders as a user who cannot read them: root reads
// everything, so a run as root drops to nobody in a child process.
TEST(MediumLayout, UnreadableIsNamedBeforeAnythingIsWritten) {
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
    EXPECT_NE(said.find("Setup/utility: a folder that cannot be read (Permission denied) ("), std::string::npos) << said;
    EXPECT_EQ(Listing(f.root), before);
}

// The tool run twice at once onto one earlier medium: the second run comes
// while the first waits in its finishing program, before its swap.
TEST(MediumLayout, TwoRunsAtOnceOneLaysOut) {
    Folders f;
    const fs::path out = f.root / "medium", ready = f.root / "ready", go = f.root / "go";
    ASSERT_EQ(AllOf(medium::LayOutMedium(f.sources, out).problems), "");
    ASSERT_EQ(mkfifo(ready.c_str(), 0600) | mkfifo(go.c_str(), 0600), 0);
    const fs::path finish = f.root / "finish.sh";
    Write(finish, "#!/bin/sh\ntest -f \"$1/.make-medium\" && test -f \"$1/Setup/setup.exe\" || exit 9\necho in > " +
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
    EXPECT_NE(refusal.find("refused (1 problem); "), std::string::npos) << refusal;
    ExpectWholeMedium(f, out);
    for (const auto& entry : fs::directory_iterator(f.root))
        EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();  // no staging folder left
}

// Interrupted in its finishing program, the tool stops without the swap
// and leaves nothing of its own.
TEST(MediumLayout, InterruptedRunLeavesTheOutputAsItWas) {
    Folders f;
    const fs::path out = f.root / "medium", finish = f.root / "finish.sh";
    ASSERT_EQ(AllOf(medium::LayOutMedium(f.sources, out).problems), "");
    Write(f.vendor / "Setup/readme.txt", "new");
    Write(finish, "#!/bin/sh\nkill -INT $PPID\n");
    fs::permissions(finish, fs::perms::owner_all);
    const std::string before = Listing(f.root);
    EXPECT_EQ(ExitOf(StartTool({"--finish", finish.string(), f.build, f.vendor, out}, f.root / "log")), 128 + SIGINT);
    fs::remove(f.root / "log");
    EXPECT_EQ(Listing(f.root), before);
}

TEST(MediumReads, PerPlatform) {
    auto paths = [](PlatformCode platform) {
        std::string all;
        for (const MediumRead& read : MediumReadsOn(platform))
            all += read.path + (read.only64Bit ? " (64)" : "") + "\n";
        return all;
    };
    EXPECT_EQ(paths(12), ".\\setup.exe\n.\\pnpbind.dll\n");
    EXPECT_NE(paths(5).find(".\\Drivers\\win2000\\orvex.inf\n"), std::string::npos);
    EXPECT_NE(paths(6).find(".\\Drivers\\winxp\\orvex.inf\n"), std::string::npos);
    EXPECT_NE(paths(3).find(".\\smclib\\scbase.inf\n"), std::string::npos);
    EXPECT_NE(paths(9).find(".\\Vista32.exe\n"), std::string::npos);
    EXPECT_EQ(paths(4).find("InstallationGuide"), std::string::npos);  // NT 4.0 installs no utilities
    for (PlatformCode platform = 1; platform <= 12; ++platform) {
        const bool helper = platform == 8 || platform == 11;
        EXPECT_EQ(paths(platform).find(".\\pnpbind64.exe (64)\n") != std::string::npos, helper) << platform;
    }
}
