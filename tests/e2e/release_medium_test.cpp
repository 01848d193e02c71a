// The release command's refusals and the agreement text's check, on the
// built tree, without Wine: a refused run adds nothing and leaves alone
// what it did not make.
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
    int MakeMedium(std::vector<std::string> args, const std::string& vendor, const std::string& message = "") {
        args.insert(args.begin(), {"bash", GetPaths().source + "/tools/make-medium.sh"});
        args.insert(args.end(), {dir_ + "/medium", GetPaths().buildRoot});
        if (!vendor.empty()) args.push_back(vendor);
        auto r = e2e::RunCommand(args);
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
        auto build = e2e::RunCommand({"ninja", "-C", tree, "agreement_check"});
        EXPECT_EQ(build.exitCode, problem.empty() ? 0 : 1) << problem << "\n" << build.output;
        EXPECT_NE(build.output.find(problem.empty() ? "" : "agreement text " + file + ": " + problem),
                  std::string::npos)
            << build.output;
    }
}

}  // namespace
