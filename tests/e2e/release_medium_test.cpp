// The release command's refusals and the agreement text's check, on the
// built tree, without Wine: a refused run adds nothing and leaves alone
// what it did not make.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include "tests/e2e/e2e_harness.h"

namespace {

namespace fs = std::filesystem;
using e2e::GetPaths;

class ReleaseMedium : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = GetPaths().work + "/release-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::create_directories(dir_);
    }
    // A vendor folder: the sample medium without the build's programs and
    // the record of its layout.
    std::string Vendor() {
        const std::string vendor = dir_ + "/vendor";
        fs::copy(GetPaths().medium, vendor, fs::copy_options::recursive);
        fs::remove(vendor + "/.make-medium");
        for (const char* name : {"setup.exe", "pnpbind.dll", "pnpbind64.exe"}) fs::remove(vendor + "/Setup/" + name);
        return vendor;
    }
    // make-medium.sh OPTIONS DIR/medium BUILD_ROOT [VENDOR]; its exit code.
    int MakeMedium(std::vector<std::string> args, const std::string& vendor, const std::string& message = "",
                   const std::vector<std::string>& env = {}) {
        args.insert(args.begin(), {"bash", GetPaths().source + "/tools/make-medium.sh"});
        args.insert(args.end(), {dir_ + "/medium", GetPaths().buildRoot});
        if (!vendor.empty()) args.push_back(vendor);
        std::vector<std::string> all = env_;
        all.insert(all.end(), env.begin(), env.end());
        auto r = e2e::RunCommand(args, all);
        EXPECT_NE(r.output.find(message), std::string::npos) << r.output;
        output_ = r.output;
        return r.exitCode;
    }
    // Refused with the message, and the test's folder holds only `names`.
    void ExpectRefused(const std::vector<std::string>& args, const std::string& vendor, const std::string& message,
                       const std::set<std::string>& names) {
        EXPECT_EQ(MakeMedium(args, vendor, message), 1);
        EXPECT_EQ(Names(), names);
    }
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) names.insert(entry.path().filename().string());
        return names;
    }
    std::string dir_, output_;      // the last run's output
    std::vector<std::string> env_;  // for each run
};

// The build's setup.exe shows the placeholder: a vendor medium only as a trial.
TEST_F(ReleaseMedium, PlaceholderAgreementOnlyForATrial) {
    const std::string vendor = Vendor();
    ExpectRefused({}, vendor, "setup.exe still shows the placeholder agreement", {"vendor"});
    EXPECT_EQ(MakeMedium({"--allow-placeholder-agreement"}, vendor), 0);
}

// The sample medium is laid out with the signed catalogs made for it; a
// driver file changed after its catalog refuses the medium, named with its
// catalog and systems, until the catalog is made again, which never
// writes over one.
TEST_F(ReleaseMedium, DriverFileChangedAfterItsCatalog) {
    ASSERT_EQ(MakeMedium({}, ""), 0) << output_;
    const std::string vendor = Vendor(), drivers = vendor + "/Setup/drivers";
    EXPECT_EQ(e2e::ReadAll(dir_ + "/medium/Setup/drivers/orvex98.cat").substr(0, 1), "0");  // DER: a SEQUENCE
    std::ofstream(drivers + "/ORVEX.sys", std::ios::app) << "rebuilt";
    ExpectRefused({"--allow-placeholder-agreement"}, vendor,
                  "ORVEX.ncp, line 19: Setup/drivers/ORVEX.sys: not covered by the catalog Setup/drivers/orvex98.cat "
                  "(its SHA-1 hash ",
                  {"medium", "vendor"});
    EXPECT_NE(output_.find("): Windows 95, 98 and Me would refuse it; changed after the catalog was signed?"),
              std::string::npos) << output_;
    const std::vector<std::string> make = {"bash", GetPaths().source + "/tools/make-catalog.sh", "--sign",
                                           GetPaths().source + "/tools/sample-signer.pfx", drivers + "/orvex98.cat",
                                           GetPaths().buildRoot, drivers + "/ORVEX.ncp"};
    auto again = e2e::RunCommand(make, {"RS_SIGN_PASSWORD=sample"});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.output.find("orvex98.cat: exists; a catalog is never written over"), std::string::npos) << again.output;
    fs::remove(drivers + "/orvex98.cat");
    again = e2e::RunCommand(make, {"RS_SIGN_PASSWORD=sample"});
    EXPECT_EQ(again.exitCode, 0) << again.output;
    EXPECT_EQ(MakeMedium({"--allow-placeholder-agreement"}, vendor), 0) << output_;
}

// A file at the image's place that this command did not make stays as it
// was; a name the image would cut is refused by its path.
TEST_F(ReleaseMedium, ImageRefusals) {
    const std::string iso = dir_ + "/disc.iso", name = std::string(65, 'n');
    std::ofstream(iso) << "the user's own file";
    ExpectRefused({"--iso", iso}, "", iso + ": exists and is not an image this command made", {"disc.iso"});
    EXPECT_EQ(e2e::ReadAll(iso), "the user's own file");
    fs::create_directory(dir_ + "/medium");
    ExpectRefused({"--iso", dir_ + "/medium/disc.iso"}, "",
                  ": lies inside the output folder " + dir_ + "/medium, which the medium replaces whole",
                  {"disc.iso", "medium"});
    const std::string vendor = Vendor();
    std::ofstream(vendor + "/Setup/utility/" + name) << "x";
    ExpectRefused({"--allow-placeholder-agreement", "--iso", dir_ + "/new.iso"}, vendor,
                  "medium path Setup/utility/" + name + ": a name longer than 64 characters",
                  {"disc.iso", "medium", "vendor"});
}

// A Ctrl-C right after OUTDIR's swap, at the first program the run starts
// from then on (a stand-in xorriso): the image has changed with the medium.
TEST_F(ReleaseMedium, StopAfterTheSwapChangesTheImageToo) {
    const std::string iso = dir_ + "/disc.iso";
    ASSERT_EQ(MakeMedium({"--iso", iso}, ""), 0);
    struct stat before, after;
    ASSERT_EQ(stat(iso.c_str(), &before), 0);
    fs::remove_all(dir_ + "/medium");
    std::ofstream(dir_ + "/xorriso") << "#!/bin/sh\n[ ! -d \"$T/medium\" ] || kill -INT 0\nexec /usr/bin/xorriso \"$@\"\n";
    fs::permissions(dir_ + "/xorriso", fs::perms::owner_all);
    EXPECT_EQ(MakeMedium({"--iso", iso}, "", "image " + iso + " written",
                         {"PATH=" + dir_ + ":" + getenv("PATH"), "T=" + dir_}), 0);
    ASSERT_EQ(stat(iso.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino) << "the earlier image stayed beside the new medium";
    EXPECT_TRUE(fs::exists(dir_ + "/medium/.make-medium"));
}

// Each problem of the signer refused in one line before anything is written;
// a good one gives each program a SHA-1 signature and a nested SHA-256 one,
// both verified and with a URL both time-stamped. The stand-in osslsigncode
// fails when a file under /tmp or $TMPDIR written since the test began holds
// the password, and answers http://tsa.test/ with the test's own TSA.
TEST_F(ReleaseMedium, SignerCheckedFirstBothSignaturesMade) {
    const std::string password = "sesame 4711", pfx = dir_ + "/", code = "extendedKeyUsage=codeSigning";
    const std::vector<std::string> signers[] = {  // name, extensions, openssl ca options, pkcs12 options
        {"TSA", "extendedKeyUsage=critical,timeStamping", "", ""}, {"Signer", code, "", "-certfile TSA.pem"},
        {"NoUsage", "basicConstraints=CA:FALSE", "", ""}, {"WebServer", "extendedKeyUsage=serverAuth", "", ""},
        {"Old", code, "-startdate 20190101000000Z -enddate 20200101000000Z", ""},
        {"Future", code, "-startdate 20400101000000Z -enddate 20410101000000Z", ""},
        {"Stray", code, "", "-nocerts -certfile Signer.pem"}};
    for (const auto& s : signers) ASSERT_EQ(e2e::MakeSigner(dir_, s[0], password, s[1], s[2], s[3]).exitCode, 0);
    std::ofstream(pfx + "osslsigncode") << R"(#!/bin/bash
find /tmp "${TMPDIR:-/tmp}" -xdev -type f -newer "$T/ca/index" -size -64k ! -name password.txt -print0 2>/dev/null |
  xargs -0r grep -l 'sesame 471[1]' && exit 99
args=(); while [ $# -gt 0 ]; do
  if [ "$1 ${2:-}" = "-ts http://tsa.test/" ]; then args+=(-TSA-certs "$T/TSA.pem" -TSA-key "$T/TSA.key")
    shift; echo >>"$T/stamps"
  else args+=("$1"); fi; shift; done
exec /usr/bin/osslsigncode "${args[@]}")";
    fs::permissions(pfx + "osslsigncode", fs::perms::owner_all);
    std::ofstream(pfx + "password.txt", std::ios::binary) << password << "\r\n";
    std::ofstream(pfx + "wrong.txt") << "sesame\n";
    const std::pair<std::vector<std::string>, std::string> cases[] = {  // options after --sign; problem
        {{"WebServer.pfx"}, "WebServer.pfx: the certificate 'CN=WebServer' is not for code signing (its extended key "
                            "usage: TLS Web Server Authentication)"},
        {{"Old.pfx"}, "Old.pfx: the certificate 'CN=Old' has expired (valid until 2020-01-01 00:00 UTC)"},
        {{"Future.pfx"}, "'CN=Future' is not valid yet (valid from 2040-01-01 00:00 UTC)"},
        {{"Stray.pfx"}, "Stray.pfx: its private key belongs to none of its certificates ('CN=Signer')"},
        {{"Signer.pfx", "--sign-password-file", pfx + "wrong.txt"}, "wrong.txt does not open it"},
        {{"Signer.pfx", "--timestamp-url", "http://127.0.0.1:1/"},
         "the SHA-1 signature of Setup/setup.exe: no time-stamp from --timestamp-url http://127.0.0.1:1/ "
         "(Connection refused)"},
        {{"Signer.pfx", "--sign-password-file", pfx + "password.txt", "--timestamp-url", "http://tsa.test/"}, ""},
        {{"NoUsage.pfx", "--sign-password-file", pfx + "pipe"}, ""}};
    // The password through a pipe: written once a reader opens it.
    ASSERT_EQ(mkfifo((pfx + "pipe").c_str(), 0600), 0);
    const pid_t writer = fork();
    if (writer == 0) {
        alarm(300);
        const int fd = open((pfx + "pipe").c_str(), O_WRONLY);
        _exit(write(fd, password.data(), password.size()) == static_cast<ssize_t>(password.size()) ? 0 : 1);
    }
    env_ = {"PATH=" + dir_ + ":" + getenv("PATH"), "RS_SIGN_PASSWORD=" + password, "T=" + dir_};
    const std::set<std::string> names = Names();
    for (auto [options, problem] : cases) {
        SCOPED_TRACE(options[0]);
        options.insert(options.begin(), "--sign");
        options[1] = pfx + options[1];
        if (!problem.empty()) {
            ExpectRefused(options, "", problem, names);
            EXPECT_LE(std::count(output_.begin(), output_.end(), '\n'), 3) << output_;
            continue;
        }
        ASSERT_EQ(MakeMedium(options, ""), 0);
        const std::string pem = options[1].replace(options[1].size() - 3, 3, "pem");
        auto r = e2e::RunCommand({"/usr/bin/osslsigncode", "verify", "-CAfile", pem, "-TSA-CAfile", pfx + "TSA.pem",
                                  "-in", pfx + "medium/Setup/pnpbind64.exe"});
        for (const char* line : {"SHA1\n", "SHA256\n", "signatures: 2\n"})
            EXPECT_NE(r.output.find(line), std::string::npos) << line << r.output;
    }
    EXPECT_EQ(e2e::ReadAll(pfx + "stamps"), std::string(6, '\n'));  // both signatures of all three programs
    close(open((pfx + "pipe").c_str(), O_RDONLY | O_NONBLOCK));  // frees a writer that no run read from
    waitpid(writer, nullptr, 0);
    // Too little room in TMPDIR to sign setup.exe: the full disk is named.
    const std::string small = dir_ + "/small";
    fs::create_directory(small);
    if (mount("tmpfs", small.c_str(), "tmpfs", 0, "size=400k") != 0) GTEST_SKIP() << "no tmpfs: " << strerror(errno);
    EXPECT_EQ(MakeMedium({"--sign", pfx + "Signer.pfx", "--allow-placeholder-agreement"}, Vendor(),
                         "the SHA-1 signature of Setup/setup.exe with " + pfx + "Signer.pfx failed: no space left on "
                         "the disk holding " + small + "/rs-make-medium-run.",
                         {"TMPDIR=" + small}),
              1);
    umount(small.c_str());
}

// The agreement text that may ship, as the agreement window shows it;
// build.sh refuses any other before it configures anything.
TEST_F(ReleaseMedium, AgreementTextCheck) {
    const std::string placeholder = e2e::ReadAll(GetPaths().source + "/assets/license.txt");
    std::string lf;  // the same with LF line ends
    for (char c : placeholder)
        if (c != '\r') lf += c;
    const std::string rest = placeholder.substr(placeholder.find('\n') + 1);
    const std::pair<std::string, std::string> cases[] = {  // text, problem (empty: accepted)
        {placeholder, ""},
        {lf.substr(0, lf.size() - 1), ""},  // the last line without its LF
        {lf + "one more\n", "181 lines; the agreement window shows exactly 180"},
        {"Microsoft Smart Card Base Component\r\n" + rest, "first line is \"Microsoft Smart Card Base Component\""},
        {"\xef\xbb\xbf" + placeholder, "begins with a UTF-8 byte-order mark"},
        {placeholder.substr(0, placeholder.size() - 4) + "\xa9\r\n", "line 180: a byte outside ASCII"},
        {"Microsoft Smart Card Base Components\rx\r\n" + rest, "line 1: a CR without LF"},
    };
    const std::string file = dir_ + "/agreement.txt";
    for (const auto& [text, problem] : cases) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
        auto r = e2e::RunCommand({"bash", GetPaths().source + "/tools/check-agreement.sh", file});
        EXPECT_EQ(r.exitCode, problem.empty() ? 0 : 1) << problem << "\n" << r.output;
        EXPECT_NE(r.output.find(problem.empty() ? "" : "agreement text " + file + ": " + problem), std::string::npos)
            << r.output;
    }
    auto build = e2e::RunCommand({"bash", GetPaths().source + "/tools/build.sh", dir_ + "/build"},
                                 {"RS_AGREEMENT_TEXT=" + file});
    EXPECT_EQ(build.exitCode, 1);
    EXPECT_NE(build.output.find("build refused: RS_AGREEMENT_TEXT names " + file), std::string::npos) << build.output;
    EXPECT_FALSE(fs::exists(dir_ + "/build"));
}

// --help explains every option; a wrong one points to it; TMPDIR is where
// the run's own files go. Under an LD_PRELOAD, as a vendor's tools may set
// it, the medium is laid out all the same.
TEST_F(ReleaseMedium, MessagesNameTheCause) {
    const std::string help = "--iso FILE  \n--sign PFX  \n--sign-password-file FILE  \n--timestamp-url URL  \n"
                             "--allow-placeholder-agreement  \n--help  \nBUILD_ROOT  \nVENDOR_DIR  \nOUTDIR  ";
    struct Case {
        std::vector<std::string> args, env;
        int exit;
        std::string said;
    };
    std::vector<Case> cases = {{{"--bogus"}, {}, 2, "--help explains them"},
                               {{}, {"TMPDIR=" + dir_ + "/none"}, 1,
                                "cannot make a private folder in " + dir_ + "/none (TMPDIR)"},
                               {{}, {"LD_PRELOAD=libm.so.6"}, 0, "make-medium: " + dir_ + "/medium laid out ("}};
    for (std::size_t at = 0, end; (end = help.find('\n', at)) != std::string::npos; at = end + 1)
        cases.push_back({{"--help"}, {}, 0, "\n  " + help.substr(at, end - at)});
    for (const Case& c : cases) EXPECT_EQ(MakeMedium(c.args, "", c.said, c.env), c.exit) << c.said;
}

// A run removes, in one line, what killed runs left in TMPDIR (their
// private folders, no longer locked), part images beside FILE and staging
// folders beside OUTDIR, by their names alone; a live run's folder stays.
TEST_F(ReleaseMedium, KilledRunsLeftoversRemoved) {
    const std::string tmp = dir_ + "/tmp";
    const std::pair<std::string, bool> left[] = {  // removed
        {tmp + "/rs-make-medium-run.Ab12Cd", true}, {tmp + "/rs-make-medium-run.Live00", false},
        {tmp + "/rs-make-medium-run.other", false}, {dir_ + "/.disc.iso.Zz0099.part", true},
        {dir_ + "/.disc.iso.part", false},      {dir_ + "/.other.iso.Zz0099.part", false},
        {dir_ + "/.medium.make-medium-Qq1234", true},
    };
    for (const auto& [path, removed] : left) {
        fs::create_directories(fs::path(path).parent_path());
        if (path.find(".part") != std::string::npos) std::ofstream(path) << "part";
        else std::ofstream((fs::create_directories(path), path + "/password")) << "x";
    }
    const int live = open(left[1].first.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(flock(live, LOCK_EX), 0);
    EXPECT_EQ(MakeMedium({"--iso", dir_ + "/disc.iso"}, "", "", {"TMPDIR=" + tmp}), 0);
    close(live);
    const std::string told = "make-medium: note: removed what killed runs left: ";
    const std::size_t line = output_.find(told);
    ASSERT_NE(line, std::string::npos) << output_;
    EXPECT_EQ(output_.find(told, line + 1), std::string::npos) << output_;
    const std::string removedLine = output_.substr(line, output_.find('\n', line) - line) + ",";
    std::set<std::string> now, kept = {tmp, dir_ + "/disc.iso", dir_ + "/medium"};
    for (const auto& [path, removed] : left) {
        if (!removed) kept.insert(path);
        EXPECT_EQ(removedLine.find(" " + path + ",") != std::string::npos, removed) << path << "\n" << output_;
    }
    for (const std::string& folder : {dir_, tmp})
        for (const auto& entry : fs::directory_iterator(folder)) now.insert(entry.path().string());
    EXPECT_EQ(now, kept);
}

// A tree configured with CMake alone runs the same check in its build, and
// again when the text changes after a check has passed.
TEST_F(ReleaseMedium, CMakeBuildChecksAgreementText) {
    const std::string source = GetPaths().source, file = dir_ + "/agreement.txt", tree = dir_ + "/tree";
    const std::string good = e2e::ReadAll(source + "/assets/license.txt");
    const std::string short179 = good.substr(0, good.rfind('\n', good.size() - 2) + 1);
    const std::pair<std::string, std::string> steps[] = {  // text, problem (empty: accepted)
        {short179, "179 lines; the agreement window shows exactly 180"},
        {good, ""},
        {short179, "179 lines; the agreement window shows exactly 180"},
    };
    std::ofstream(file, std::ios::binary) << steps[0].first;
    auto configure = e2e::RunCommand({"cmake", "-S", source, "-B", tree, "-G", "Ninja", "-DRS_PRODUCT_ONLY=ON",
                                      "-DCMAKE_TOOLCHAIN_FILE=" + source + "/cmake/mingw-i686-product.cmake",
                                      "-DRS_AGREEMENT_TEXT=" + file});
    ASSERT_EQ(configure.exitCode, 0) << configure.output;
    for (const auto& [text, problem] : steps) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
        // Written within the clock tick of the last check, the text would
        // look no newer than it, which no hand's edit is.
        const fs::path stamp = tree + "/agreement/checked";
        if (fs::exists(stamp) && fs::last_write_time(file) <= fs::last_write_time(stamp))
            fs::last_write_time(file, fs::last_write_time(stamp) + std::chrono::milliseconds(10));
        auto build = e2e::RunCommand({"ninja", "-C", tree, "agreement_check"});
        EXPECT_EQ(build.exitCode, problem.empty() ? 0 : 1) << problem << "\n" << build.output;
        EXPECT_NE(build.output.find(problem.empty() ? "" : "agreement text " + file + ": " + problem),
                  std::string::npos)
            << build.output;
    }
}

}  // namespace
