// The release command's refusals and the agreement text's check, on the
// built tree and without Wine: a refused run writes nothing and leaves what
// it did not make as it was.
#include <filesystem>
#include <fstream>

#include "tests/e2e/e2e_harness.h"

namespace {

namespace fs = std::filesystem;
using e2e::CommandResult;
using e2e::GetPaths;

class ReleaseMedium : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = GetPaths().work + "/release-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::create_directories(dir_);
    }
    // A vendor folder: the sample medium without the build's programs.
    std::string Vendor() {
        const std::string vendor = dir_ + "/vendor";
        fs::copy(GetPaths().medium, vendor, fs::copy_options::recursive);
        for (const char* name : {"setup.exe", "pnpbind.dll", "pnpbind64.exe"}) fs::remove(vendor + "/Setup/" + name);
        return vendor;
    }
    // make-medium.sh OPTIONS OUT BUILD_ROOT [VENDOR]
    CommandResult MakeMedium(std::vector<std::string> options, const std::string& vendor = "") {
        options.insert(options.begin(), {"bash", GetPaths().source + "/tools/make-medium.sh"});
        options.insert(options.end(), {Out(), GetPaths().buildRoot});
        if (!vendor.empty()) options.push_back(vendor);
        return e2e::RunCommand(options);
    }
    std::string Out() const { return dir_ + "/medium"; }
    // What the test folder holds: a refused run adds nothing to it.
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) names.insert(entry.path().filename().string());
        return names;
    }
    std::string dir_;
};

// The build's setup.exe shows the placeholder: a vendor medium only as a trial.
TEST_F(ReleaseMedium, PlaceholderAgreementOnlyForATrial) {
    const std::string vendor = Vendor();
    auto refused = MakeMedium({}, vendor);
    EXPECT_EQ(refused.exitCode, 1) << refused.output;
    EXPECT_NE(refused.output.find("setup.exe still shows the placeholder agreement"), std::string::npos)
        << refused.output;
    EXPECT_EQ(Names(), std::set<std::string>{"vendor"});
    auto trial = MakeMedium({"--allow-placeholder-agreement"}, vendor);
    EXPECT_EQ(trial.exitCode, 0) << trial.output;
}

// A file at the image's place that this command did not make stays as it
// was, and so does everything else.
TEST_F(ReleaseMedium, ImageOnlyReplacesItsOwn) {
    const std::string iso = dir_ + "/disc.iso";
    std::ofstream(iso) << "the user's own file";
    auto r = MakeMedium({"--iso", iso});
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_NE(r.output.find(iso + ": exists and is not an image this command made"), std::string::npos) << r.output;
    EXPECT_EQ(e2e::ReadAll(iso), "the user's own file");
    EXPECT_EQ(Names(), std::set<std::string>{"disc.iso"});
}

// A name the image would cut is refused by its path; no medium, no image.
TEST_F(ReleaseMedium, NameTheImageWouldCutIsRefused) {
    const std::string vendor = Vendor(), name = std::string(65, 'n') + ".txt";
    std::ofstream(vendor + "/Setup/utility/" + name) << "x";
    auto r = MakeMedium({"--allow-placeholder-agreement", "--iso", dir_ + "/disc.iso"}, vendor);
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_NE(r.output.find("medium path Setup/utility/" + name + ": a name longer than 64 characters"),
              std::string::npos)
        << r.output;
    EXPECT_EQ(Names(), std::set<std::string>{"vendor"});
}

// The agreement text that may ship: as the agreement window shows it. build.sh
// refuses any other before it configures anything.
TEST_F(ReleaseMedium, AgreementTextCheck) {
    const std::string placeholder = e2e::ReadAll(GetPaths().source + "/assets/license.txt");
    ASSERT_FALSE(placeholder.empty());
    std::string lf;  // the same with LF line ends
    for (char c : placeholder)
        if (c != '\r') lf += c;
    const std::string rest = placeholder.substr(placeholder.find('\n') + 1);
    struct Case {
        std::string text, problem;  // problem empty: accepted
    };
    const Case cases[] = {
        {placeholder, ""},
        {lf, ""},
        {lf.substr(0, lf.size() - 1), ""},  // last line without its LF
        {lf + "one more\n", "181 lines; the agreement window shows exactly 180"},
        {"Microsoft Smart Card Base Component\r\n" + rest, "first line is \"Microsoft Smart Card Base Component\""},
        {"\xef\xbb\xbf" + placeholder, "begins with a UTF-8 byte-order mark"},
        {placeholder.substr(0, placeholder.size() - 4) + "\xa9\r\n", "line 180: a byte outside ASCII"},
        {"Microsoft Smart Card Base Components\rx\r\n" + rest, "line 1: a CR without LF"},
    };
    const std::string file = dir_ + "/agreement.txt";
    for (const Case& c : cases) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << c.text;
        auto r = e2e::RunCommand({"bash", GetPaths().source + "/tools/check-agreement.sh", file});
        EXPECT_EQ(r.exitCode, c.problem.empty() ? 0 : 1) << c.problem << "\n" << r.output;
        EXPECT_NE(r.output.find(c.problem.empty() ? "" : "agreement text " + file + ": " + c.problem),
                  std::string::npos)
            << r.output;
    }
    auto build = e2e::RunCommand({"bash", GetPaths().source + "/tools/build.sh", dir_ + "/build"},
                                 {"RS_AGREEMENT_TEXT=" + file});
    EXPECT_EQ(build.exitCode, 1) << build.output;
    EXPECT_NE(build.output.find("build refused: RS_AGREEMENT_TEXT names " + file), std::string::npos) << build.output;
    EXPECT_FALSE(fs::exists(dir_ + "/build"));
}

}  // namespace
