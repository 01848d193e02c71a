// The release command's refusals and the agreement text's check, on the
// built tree, without Wine: a refused run adds nothing and leaves alone
// what it did not make.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

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
        auto r = e2e::RunCommand(args, env);
        EXPECT_NE(r.output.find(message), std::string::npos) << r.output;
        return r.exitCode;
    }
    // Refused with the message, and the test's folder holds only `names`.
    void ExpectRefused(const std::vector<std::string>& args, const std::string& vendor, const std::string& message,
                       const std::set<std::string>& names) {
        EXPECT_EQ(MakeMedium(args, vendor, message), 1);
        std::set<std::string> now;
        for (const auto& entry : fs::directory_iterator(dir_)) now.insert(entry.path().filename().string());
        EXPECT_EQ(now, names);
    }
    std::string dir_;
};

// The build's setup.exe shows the placeholder: a vendor medium only as a trial.
TEST_F(ReleaseMedium, PlaceholderAgreementOnlyForATrial) {
    const std::string vendor = Vendor();
    ExpectRefused({}, vendor, "setup.exe still shows the placeholder agreement", {"vendor"});
    EXPECT_EQ(MakeMedium({"--allow-placeholder-agreement"}, vendor), 0);
}

// A file at the image's place that this command did not make stays as it
// was; a name the image would cut is refused by its path.
TEST_F(ReleaseMedium, ImageRefusals) {
    const std::string iso = dir_ + "/disc.iso", name = std::string(65, 'n');
    std::ofstream(iso) << "the user's own file";
    ExpectRefused({"--iso", iso}, "", iso + ": exists and is not an image this command made", {"disc.iso"});
    EXPECT_EQ(e2e::ReadAll(iso), "the user's own file");
    const std::string vendor = Vendor();
    std::ofstream(vendor + "/Setup/utility/" + name) << "x";
    ExpectRefused({"--allow-placeholder-agreement", "--iso", dir_ + "/new.iso"}, vendor,
                  "medium path Setup/utility/" + name + ": a name longer than 64 characters", {"disc.iso", "vendor"});
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
// the run's own files go.
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
                                "cannot make a private folder in " + dir_ + "/none (TMPDIR)"}};
    for (std::size_t at = 0, end; (end = help.find('\n', at)) != std::string::npos; at = end + 1)
        cases.push_back({{"--help"}, {}, 0, "\n  " + help.substr(at, end - at)});
    for (const Case& c : cases) EXPECT_EQ(MakeMedium(c.args, "", c.said, c.env), c.exit) << c.said;
}

// A run removes, in one line, what killed runs left in TMPDIR (their
// private folders, no longer locked) and part images beside FILE, by their
// names alone; a live run's folder stays.
TEST_F(ReleaseMedium, KilledRunsLeftoversRemoved) {
    const std::string tmp = dir_ + "/tmp";
    const std::pair<std::string, bool> left[] = {  // removed
        {tmp + "/rs-make-medium-run.Ab12Cd", true}, {tmp + "/rs-make-medium-run.Live00", false},
        {tmp + "/rs-make-medium-run.other", false}, {dir_ + "/.disc.iso.Zz0099.part", true},
        {dir_ + "/.disc.iso.part", false},      {dir_ + "/.other.iso.Zz0099.part", false},
    };
    for (const auto& [path, removed] : left) {
        fs::create_directories(fs::path(path).parent_path());
        if (path.find(".part") != std::string::npos) std::ofstream(path) << "part";
        else std::ofstream((fs::create_directories(path), path + "/password")) << "x";
    }
    const int live = open(left[1].first.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(flock(live, LOCK_EX), 0);
    EXPECT_EQ(MakeMedium({"--iso", dir_ + "/disc.iso"}, "", "make-medium: removed what killed runs left: ",
                         {"TMPDIR=" + tmp}), 0);
    close(live);
    std::set<std::string> now, kept = {tmp, dir_ + "/disc.iso", dir_ + "/medium"};
    for (const auto& [path, removed] : left)
        if (!removed) kept.insert(path);
    for (const std::string& folder : {dir_, tmp})
        for (const auto& entry : fs::directory_iterator(folder)) now.insert(entry.path().string());
    EXPECT_EQ(now, kept);
}

}  // namespace
