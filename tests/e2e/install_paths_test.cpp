// The whole installation under Wine, one run per path and language that
// matters, driven by the robot in a fresh prefix with a fresh sample medium.
// Each run ends with an audit of drive_c and the registry: exactly the
// path's changes, nothing else.
#include "tests/e2e/install_support.h"

namespace {

using install_e2e::Expected;
using install_e2e::InstallTest;
using install_e2e::PathC;

const char kTimeout[] = "30000";

class InstallPaths : public InstallTest {
protected:
    // Yes (typed unless other presses are given, and what the robot does
    // next), then the whole path C: the restart prompt, exit code 0 and
    // exactly the expected changes.
    void YesRunsPathC(const std::vector<std::string>& next, const Expected& expected,
                      const std::vector<std::string>& presses = {"type", "--text", "y"}) {
        std::vector<std::string> steps = {"wait-window", "--class", "TSetupForm", "--timeout", kTimeout};
        steps.insert(steps.end(), presses.begin(), presses.end());
        steps.insert(steps.end(), next.begin(), next.end());
        auto r = Robot(steps);
        ASSERT_TRUE(r.Ok()) << r.raw;
        EXPECT_EQ(WaitSetup(), 0);
        EXPECT_EQ(RestartPrompts(), 1);
        ExpectChanges(AuditNow(), expected);
    }
};

// Windows 7 is not a platform of the program: one box, and nothing touched.
TEST_F(InstallPaths, PathFRefusesAnUnknownSystem) {
    Prepare({"win32", "win7", "en_US"});
    StartTraced();
    auto r = Robot(Yes({"press-box", "--timeout", kTimeout}));
    ASSERT_TRUE(r.Ok()) << r.raw;
    auto box = r.Find("box");
    ASSERT_TRUE(box);
    EXPECT_EQ(box->Get("text"), "Error");
    EXPECT_EQ(box->Get("message"), "Unknow System!");
    EXPECT_EQ(r.All("button").size(), 1u);
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_EQ(RestartPrompts(), 0);
    ExpectChanges(AuditNow(), Expected{});
}

// Later than Vista: No leaves everything as it was and the window asks
// again; Yes then runs path C with the relative INF path.
TEST_F(InstallPaths, PathEAsksThenRunsPathC) {
    Prepare({"win32", "win10", "en_US"});
    PutInSetupFolder(TestBin("pnpbind.dll"), "pnpbind.dll");  // records the binding's arguments
    StartTraced();
    auto no =
        Robot(Yes({"press-box", "--timeout", kTimeout, "--button", "No", "find-window", "--class", "TSetupForm"}));
    ASSERT_TRUE(no.Ok()) << no.raw;
    auto question = no.Find("box");
    ASSERT_TRUE(question);
    EXPECT_EQ(question->Get("text"), "Error");
    EXPECT_EQ(question->Get("message"),
              "The OS version is higher than Windows VISTA and the current driver may not work. Would you like to "
              "install this driver? ");
    ASSERT_TRUE(SetupRunning());
    EXPECT_EQ(ProgressNow(), 0);

    auto yes = Robot({"find-window", "--class", "TSetupForm", "type", "--text", "Y", "press-box", "--timeout", kTimeout,
                      "--button", "Yes"});
    ASSERT_TRUE(yes.Ok()) << yes.raw;
    EXPECT_EQ(yes.Line("box").Get("message"), question->Get("message"));
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_EQ(RestartPrompts(), 1);
    auto calls = Wine({"reg", "query", "HKCU\\Software\\ReaderSetupTests\\EngineStandinPnpbind", "/v", "Call1"});
    EXPECT_NE(calls.output.find("|USB\\Vid_0d4e&Pid_0010|.\\Drivers\\winxp\\orvex.inf|1|"), std::string::npos)
        << calls.output;
    ExpectChanges(AuditNow(), PathC());
}

// Windows 2000 hands the binding the absolute INF path under the current directory.
TEST_F(InstallPaths, PathCWindows2000BindsFromTheAbsoluteInfPath) {
    Prepare({"win32", "win2k", "en_US"});
    PutInSetupFolder(TestBin("pnpbind.dll"), "pnpbind.dll");
    StartTraced();
    YesRunsPathC({}, PathC());
    auto calls = Wine({"reg", "query", "HKCU\\Software\\ReaderSetupTests\\EngineStandinPnpbind", "/v", "Call1"});
    EXPECT_NE(calls.output.find("|C:\\medium\\Setup\\Drivers\\win2000\\orvex.inf|"), std::string::npos)
        << calls.output;
}

// Real clicks on the Yes label, as the robot's pointer gives them.
const std::vector<std::string> kClickYes = {"control", "--class", "TLabel", "--text", "&Yes", "mouse-click"};

// XP 32-bit with the real binding library: the whole path C, started by a
// click on Yes.
TEST_F(InstallPaths, PathCWindowsXp) {
    Prepare({"win32", "winxp", "en_US"});
    StartTraced();
    YesRunsPathC({}, PathC(), kClickYes);
}

// The release medium as a vendor presses it: signed with a throw-away
// certificate, put into the disc image, read back out of the image; its
// signatures verify there, and path C runs from it.
TEST_F(InstallPaths, PathCFromTheSignedImageReadBack) {
    const e2e::Paths& p = e2e::GetPaths();
    const std::string dir = p.work + "/release", iso = dir + "/medium.iso", back = dir + "/read-back";
    std::filesystem::create_directories(dir);
    auto cert = e2e::RunCommand(
        {"bash", "-c",
         "cd " + dir + " && openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 "
         "-subj '/CN=Throwaway signer' -addext extendedKeyUsage=codeSigning && "
         "openssl pkcs12 -export -inkey key.pem -in cert.pem -out signer.pfx -passout env:RS_SIGN_PASSWORD"},
        {"RS_SIGN_PASSWORD=throw away"});
    ASSERT_EQ(cert.exitCode, 0) << cert.output;
    auto made = e2e::RunCommand({"bash", p.source + "/tools/make-medium.sh", "--sign", dir + "/signer.pfx", "--iso", iso,
                                 dir + "/medium", p.buildRoot},
                                {"RS_SIGN_PASSWORD=throw away"});
    ASSERT_EQ(made.exitCode, 0) << made.output;
    auto label = e2e::RunCommand({"xorriso", "-indev", iso, "-pvd_info"});
    EXPECT_NE(label.output.find("Volume Id    : ORVEX\n"), std::string::npos) << label.output;
    auto extract = e2e::RunCommand({"bash", "-c", "xorriso -osirrox on -indev " + iso + " -extract / " + back +
                                                      " && chmod -R u+w " + back + " && diff -r -x .make-medium " +
                                                      dir + "/medium " + back});
    ASSERT_EQ(extract.exitCode, 0) << extract.output;
    for (const char* program : {"setup.exe", "pnpbind.dll", "pnpbind64.exe"}) {
        auto verify = e2e::RunCommand(
            {"osslsigncode", "verify", "-CAfile", dir + "/cert.pem", "-in", back + "/Setup/" + program});
        EXPECT_EQ(verify.exitCode, 0) << program << ":\n" << verify.output;
    }
    mediumFrom_ = back;
    Prepare({"win32", "winxp", "en_US"});
    StartTraced();
    YesRunsPathC({}, PathC());
}

// One installation per Yes: a second Yes arriving while the first one's
// press feedback processes messages is ignored, not run nested inside it.
// The stand-in binding library counts its calls.
class OnePassPerYes : public InstallPaths {
protected:
    void ExpectOnePathC(const std::vector<std::string>& presses) {
        Prepare({"win32", "winxp", "en_US"});
        PutInSetupFolder(TestBin("pnpbind.dll"), "pnpbind.dll");
        StartTraced();
        YesRunsPathC({}, PathC(), presses);
        auto count = Wine({"reg", "query", "HKCU\\Software\\ReaderSetupTests\\EngineStandinPnpbind", "/v", "CallCount"});
        std::istringstream words(count.output);
        std::string word;
        while (words >> word && word != "REG_DWORD") {
        }
        words >> word;
        EXPECT_EQ(word, "0x1") << count.output;
    }
};

TEST_F(OnePassPerYes, TwoQuickYKeys) { ExpectOnePathC({"type", "--text", "yy"}); }

TEST_F(OnePassPerYes, DoubleClickOnYes) {
    std::vector<std::string> presses = kClickYes;
    for (const char* s : {"--count", "2"}) presses.push_back(s);
    ExpectOnePathC(presses);
}

// XP 64-bit and Vista: the window goes, the platform's installer runs in the
// setup folder, then the restart prompt and the end.
struct PlatformInstallerCase {
    const char* arch;
    const char* version;
    const char* installer;
};

class PathD : public InstallTest {
protected:
    // Yes: the window goes, the installer runs, then the restart prompt and
    // the end. What the stand-in installer recorded, which it writes only
    // once its broadcast has been answered.
    std::string YesRunsInstaller(const std::string& stem) {
        StartTraced();
        auto r = Robot(Yes({"wait-gone", "--timeout", kTimeout}));
        EXPECT_TRUE(r.Ok()) << r.raw;
        EXPECT_EQ(WaitSetup(), 0);
        EXPECT_EQ(RestartPrompts(), 1);
        return e2e::ReadAll(setupDir_ + "/" + stem + ".installer-ran.txt");
    }
};

class PathDInstallers : public PathD, public ::testing::WithParamInterface<PlatformInstallerCase> {};

TEST_P(PathDInstallers, RunsThePlatformInstaller) {
    const PlatformInstallerCase& c = GetParam();
    Prepare({c.arch, c.version, "en_US"});
    const std::string stem = std::string(c.installer).substr(0, std::string(c.installer).find('.'));
    const std::string ran = YesRunsInstaller(stem);
    EXPECT_NE(ran.find(std::string("program=") + c.installer + "\r\n"), std::string::npos) << ran;
    EXPECT_NE(ran.find("current-directory=C:\\medium\\Setup\r\n"), std::string::npos) << ran;
    // The whole path, quoted. (Wine quotes it also for a program started
    // without a command line, where Windows passes the bare path: only the
    // host test of the command building sees that fault.)
    EXPECT_NE(ran.find(std::string("command-line=\"C:\\medium\\Setup\\") + c.installer + "\"\r\n"),
              std::string::npos)
        << ran;
    Expected e;
    e.filesCreated = {"windows/inf/ORVEX.inf", "medium/Setup/" + stem + ".installer-ran.txt"};
    ExpectChanges(AuditNow(), e);
}

// A medium whose folder name has a blank: the installer gets its whole path
// as its program name, and runs in that folder. (Wine would quote the path
// by itself for a program started without a command line; Windows passes it
// bare, split at the blank: the command building is host-tested.)
TEST_F(PathD, InstallerInAFolderWithBlanks) {
    Prepare({"win32", "vista", "en_US"});
    std::filesystem::rename(driveC_ + "/medium", driveC_ + "/Driver CD");
    setupDir_ = driveC_ + "/Driver CD/Setup";
    filesBefore_ = e2e::SnapshotFiles(driveC_);
    const std::string ran = YesRunsInstaller("Vista32");
    EXPECT_NE(ran.find("current-directory=C:\\Driver CD\\Setup\r\n"), std::string::npos) << ran;
    EXPECT_NE(ran.find("command-line=\"C:\\Driver CD\\Setup\\Vista32.exe\"\r\n"), std::string::npos) << ran;
}

const PlatformInstallerCase kInstallers[] = {
    {"win64", "winxp", "XP64.exe"},
    {"win32", "vista", "Vista32.exe"},
    {"win64", "vista", "Vista64.exe"},
};
INSTANTIATE_TEST_SUITE_P(Platforms, PathDInstallers, ::testing::ValuesIn(kInstallers), [](const auto& info) {
    return std::string(info.param.arch) + "_" + info.param.version;
});

// Server 2003 / XP 64-bit reporting 5.2 takes path C.
TEST_F(InstallPaths, PathCVersionFivePointTwo) {
    Prepare({"win64", "winxp64", "en_US"});
    StartTraced();
    YesRunsPathC({}, PathC("Program Files (x86)"));
}

// The same with the installer missing: the system's text for a missing
// file, the instruction, exit code 0 and no restart prompt. Chinese boxes
// only for a Traditional Chinese system; Korean gets English.
struct MissingInstallerCase {
    const char* locale;
    const char* errorCaption;
    const char* errorPrefix;
    const char* infoCaption;
    const char* infoText;
};

class PathDMissingInstaller : public InstallTest, public ::testing::WithParamInterface<MissingInstallerCase> {};

TEST_P(PathDMissingInstaller, TwoBoxesThenTheEnd) {
    const MissingInstallerCase& c = GetParam();
    Prepare({"win64", "vista", c.locale});
    RemoveFromSetupFolder("Vista64.exe");
    StartTraced();
    auto r = Robot(Yes({"press-box", "--timeout", kTimeout, "press-box", "--timeout", kTimeout}));
    ASSERT_TRUE(r.Ok()) << r.raw;
    auto boxes = r.All("box");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].Get("text"), c.errorCaption);
    const std::string error = boxes[0].Get("message");
    EXPECT_EQ(error.rfind(c.errorPrefix, 0), 0u) << error;
    EXPECT_GT(error.size(), std::string(c.errorPrefix).size() + 3) << error;  // the system's text follows
    if (std::string(c.locale) == "en_US") {  // Wine gives the system text in the system language
        EXPECT_NE(error.find("ile not found"), std::string::npos) << error;
    }
    EXPECT_EQ(boxes[0].Int("owner"), 0);
    EXPECT_EQ(boxes[1].Get("text"), c.infoCaption);
    EXPECT_EQ(boxes[1].Get("message"), c.infoText);
    EXPECT_EQ(boxes[1].Int("owner"), 0);
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_EQ(RestartPrompts(), 0);
    Expected e;
    e.filesCreated = {"windows/inf/ORVEX.inf"};
    ExpectChanges(AuditNow(), e);
}

const char kEnglishInfo[] = "Please execute the following file to install driver : CD-ROM\\Setup\\Vista64.exe";
const MissingInstallerCase kMissing[] = {
    {"en_US", "Error", "Setup Error: ", "Information", kEnglishInfo},
    {"zh_TW", "錯誤", "安裝程式發生錯誤: ", "提示", "請重新執行下列檔案進行安裝驅動程式 : 安裝光碟\\Setup\\Vista64.exe "},
    {"ko_KR", "Error", "Setup Error: ", "Information", kEnglishInfo},
};
INSTANTIATE_TEST_SUITE_P(Languages, PathDMissingInstaller, ::testing::ValuesIn(kMissing),
                         [](const auto& info) { return std::string(info.param.locale); });

}  // namespace

namespace {

// The agreement window's controls as the robot lists them.
struct AgreementTexts {
    std::string explanation, accept, reject, agreement;
};

AgreementTexts ReadAgreement(const e2e::RobotResult& r) {
    AgreementTexts t;
    for (const auto& c : r.All("child")) {
        if (c.Get("class") == "Button" && c.Int("x") == 202) {
            t.accept = c.Get("text");
        } else if (c.Get("class") == "Button" && c.Int("x") == 288) {
            t.reject = c.Get("text");
        } else if (c.Get("class") == "Edit" && c.Int("y") == 8) {
            t.explanation = c.Get("text");
        } else if (c.Get("class") == "Edit" && c.Int("y") == 114) {
            t.agreement = c.Get("text");
        }
    }
    return t;
}

class AgreementFlow : public InstallTest {
protected:
    // Yes in the setup window, then the agreement window once the delay
    // timer fires, and the progress the pass reached.
    AgreementTexts YesThenAgreement() {
        std::vector<std::string> steps = {"wait-window", "--class", "TSetupForm", "--timeout", kTimeout,
                                          "type", "--text", "y"};
        for (const char* s : {"wait-window", "--class", "TLicenseForm", "--timeout", "60000", "sleep", "--ms", "500",
                              "children"})
            steps.push_back(s);
        for (const auto& s : ProgressSteps()) steps.push_back(s);
        auto r = Robot(steps);
        progressAtHandOver_ = ProgressFrom(r);
        EXPECT_TRUE(r.Ok()) << r.raw;
        std::optional<e2e::RobotLine> w;
        for (const auto& l : r.All("window"))
            if (l.Get("class") == "TLicenseForm") w = l;
        if (w) {
            agreementRect_ = {static_cast<int>(w->Int("client-x")), static_cast<int>(w->Int("client-y")),
                              static_cast<int>(w->Int("client-width")), static_cast<int>(w->Int("client-height"))};
        }
        return ReadAgreement(r);
    }

    // Accept by the key A; then the notice window, which the robot reads.
    e2e::RobotResult AcceptUntilNotice() {
        auto r = Robot({"find-window", "--class", "TLicenseForm", "type", "--text", "a", "wait-window", "--class",
                        "TDialogForm", "--timeout", "60000", "sleep", "--ms", "500", "children"});
        EXPECT_TRUE(r.Ok()) << r.raw;
        return r;
    }

    void CloseNoticeWithOk() {
        auto r = Robot({"find-window", "--class", "TDialogForm", "control", "--class", "Button", "--text", "OK",
                        "click"});
        EXPECT_TRUE(r.Ok()) << r.raw;
    }

    std::vector<int> agreementRect_;
    int progressAtHandOver_ = -1;
};

// The Windows NT 4.0 files, services, event-log source and uninstall entry,
// and the marker the base components' INF writes.
Expected PathBWithAgreement() {
    Expected e;
    e.filesCreated = {"windows/system32/drivers/smclib.sys", "windows/system32/drivers/orvex.sys",
                      "windows/system32/drivers/wdusbd.sys", "windows/system32/drivers/windrvr.sys",
                      "windows/inf/orvexunst.inf"};
    e.filesChanged = {"windows/system32/advpack.dll"};
    e.keysCreated = {"HKLM\\System\\CurrentControlSet\\Services\\Smclib",
                     "HKLM\\System\\CurrentControlSet\\Services\\WDUSBD",
                     "HKLM\\System\\CurrentControlSet\\Services\\WINDRIVER",
                     "HKLM\\System\\CurrentControlSet\\Services\\ORVEX",
                     "HKLM\\System\\CurrentControlSet\\Services\\Eventlog\\System\\ORVEX",  // Wine's spelling of the parent
                     "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ORVEX",
                     "HKLM\\System\\CurrentControlSet\\Services\\SCardSvr"};
    e.valuesWritten = {"HKLM\\System\\CurrentControlSet\\Services\\Smclib\\*",
                       "HKLM\\System\\CurrentControlSet\\Services\\WDUSBD\\*",
                       "HKLM\\System\\CurrentControlSet\\Services\\WINDRIVER\\*",
                       "HKLM\\System\\CurrentControlSet\\Services\\ORVEX\\*",
                       "HKLM\\System\\CurrentControlSet\\Services\\Eventlog\\System\\ORVEX\\*",
                       "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ORVEX\\*",
                       "HKLM\\System\\CurrentControlSet\\Services\\SCardSvr\\[ObjectName]"};
    // Not a deletion: Wine's registry file lists a key of its own only while
    // it has neither values nor subkeys, and the empty Uninstall key gets one.
    e.keysDeleted = {"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"};
    return e;
}

// NT 4.0 to its end for real: Wine's rundll32 applies the medium's stand-in
// scbase.inf, whose marker ends the check; then the notice, the restart
// prompt and exit code 0.
TEST_F(AgreementFlow, PathBNt4ToTheEnd) {
    Prepare({"win32", "nt40", "en_US"});
    StartTraced();
    AgreementTexts t = YesThenAgreement();
    EXPECT_EQ(t.explanation, "Your system needs to install the Microsoft Smart Card Base Components; otherwise, the reader will not "
                             "work probably.");
    EXPECT_EQ(t.accept, "&Accept");
    EXPECT_EQ(t.reject, "&Reject");
    EXPECT_EQ(t.agreement.rfind("Microsoft Smart Card Base Components\r\n", 0), 0u);
    EXPECT_EQ(progressAtHandOver_, 2);
    auto n = AcceptUntilNotice();
    std::set<std::string> lines;
    for (const auto& c : n.All("child"))
        if (c.Get("class") == "TLabel") lines.insert(c.Get("text"));
    EXPECT_EQ(lines, (std::set<std::string>{"Drivers Installed Completely!",
                                            "You must restart this computer for taking effect.",
                                            "Please plug-in the smart card reader before the system restarting."}));
    EXPECT_EQ(n.Line("window", 1).Get("text"), "Notice");
    EXPECT_EQ(RestartPrompts(), 0);
    CloseNoticeWithOk();
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_EQ(RestartPrompts(), 1);
    ExpectChanges(AuditNow(), PathBWithAgreement());
}

// Reject: the warning, the end; no notice and no restart prompt, and no
// marker written.
TEST_F(AgreementFlow, RejectEndsWithAWarning) {
    Prepare({"win32", "nt40", "en_US"});
    StartTraced();
    YesThenAgreement();
    auto r = Robot({"find-window", "--class", "TLicenseForm", "type", "--text", "r", "press-box", "--timeout", kTimeout,
                    "no-box", "--timeout", "1500"});
    ASSERT_TRUE(r.Ok()) << r.raw;
    EXPECT_EQ(r.Line("box").Get("text"), "Notice");
    EXPECT_EQ(r.Line("box").Get("message"), "Smart Card Reader Driver Installed Failed!");
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_EQ(RestartPrompts(), 0);
    Expected e = PathBWithAgreement();
    e.keysCreated.pop_back();
    e.valuesWritten.pop_back();
    ExpectChanges(AuditNow(), e);
}

}  // namespace

namespace {

// Windows 95, 98 and Me: files, registry, cleanup and utilities, then the agreement; the
// 95/98 INF installer form ("rundll.exe setupx.dll") also runs under Wine
// and writes the RunServices marker that ends the check.
class PathANineFamily : public AgreementFlow, public ::testing::WithParamInterface<const char*> {};

TEST_P(PathANineFamily, ToTheEnd) {
    Prepare({"win32", GetParam(), "en_US"});
    StartTraced();
    AgreementTexts t = YesThenAgreement();
    EXPECT_EQ(t.accept, "&Accept");
    EXPECT_EQ(progressAtHandOver_, 3);
    AcceptUntilNotice();
    CloseNoticeWithOk();
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_EQ(RestartPrompts(), 1);
    auto run = Wine({"reg", "query", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "/v", "TkpSvc"});
    EXPECT_NE(run.output.find("C:\\windows\\system32\\TkpSvc.exe"), std::string::npos) << run.output;
    const std::string group = "users/root/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/ORVEX Utility/";
    Expected e;
    e.filesCreated = {"windows/inf/ORVEX.inf",
                      "windows/system32/drivers/orvex98.cat",
                      "windows/system32/drivers/ORVEX.sys",
                      "windows/system32/drivers/smclib.sys",
                      "windows/system32/smclib.vxd",
                      "windows/system32/tkpsvc.exe",
                      "windows/system32/procwatch.exe",
                      "Program Files/ORVEX/",
                      "Program Files/ORVEX/EWIN98.files/",
                      "Program Files/ORVEX/EWIN98.files/guide.css",
                      "Program Files/ORVEX/EWIN98.files/step1.svg",
                      "Program Files/ORVEX/EWIN98.htm",
                      "Program Files/ORVEX/orvexunst.exe",
                      "Program Files/ORVEX/tkrdchk.exe",
                      group,
                      group + "Installation Guide.lnk",
                      group + "ORVEX Diagnostics.lnk",
                      group + "Uninstall ORVEX Reader.lnk"};
    const std::string cv = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\";
    const std::string vxd = "HKLM\\System\\CurrentControlSet\\Services\\VxD\\SMCLIB";
    const std::string vendor = "HKLM\\Software\\Tornvale\\Vireo\\ORVEX";
    e.keysCreated = {vendor, vxd, vxd + "\\Devices"};
    e.valuesWritten = {cv + "RunServices\\[SCardSvr]",  // the marker, from the INF installer
                       cv + "Run\\[ProcWatch]",          cv + "Run\\[TkpSvc]",
                       cv + "Setup\\[SourcePath]",       vendor + "\\[Driver]",
                       vendor + "\\[Type]",              vxd + "\\[Start]",
                       vxd + "\\[StaticVxD]"};
    ExpectChanges(AuditNow(), e);
}

INSTANTIATE_TEST_SUITE_P(Versions, PathANineFamily, ::testing::Values("win95", "win98", "winme"));

// A missing reader INF on the medium: one box naming ORVEX.inf, nothing
// copied after it, no agreement window, the window stays.
TEST_F(AgreementFlow, PathAMissingInfStopsTheRun) {
    Prepare({"win32", "win98", "en_US"});
    RemoveFromSetupFolder("drivers/ORVEX.ncp");
    StartTraced();
    // The box stays up longer than the delay timer's second: the timer is
    // disarmed meanwhile, so no agreement window comes under it.
    auto r = Robot(Yes({"wait-box", "--timeout", kTimeout, "sleep", "--ms", "2000"}));
    ASSERT_TRUE(r.Ok()) << r.raw;
    EXPECT_EQ(r.Line("box").Get("text"), "Error");
    EXPECT_EQ(r.Line("box").Get("message"), "Cannot Copy ORVEX.inf, Error Code : 2");
    EXPECT_FALSE(Robot({"find-window", "--class", "TLicenseForm"}).Ok());
    auto after = Robot({"press-box", "no-box", "--timeout", "2500", "find-window", "--class",
                        "TSetupForm"});
    ASSERT_TRUE(after.Ok()) << after.raw;
    auto agreement = Robot({"find-window", "--class", "TLicenseForm"});
    EXPECT_FALSE(agreement.Ok()) << agreement.raw;
    EXPECT_TRUE(SetupRunning());
    // Back to asking: No works again, here by a real click.
    auto no = Robot({"find-window", "--class", "TSetupForm", "control", "--class", "TLabel", "--text", "&No",
                     "mouse-click"});
    EXPECT_TRUE(no.Ok()) << no.raw;
    EXPECT_EQ(WaitSetup(), 0);
    ExpectChanges(AuditNow(), Expected{});
}

// "y" then "n" typed quickly: the No arrives inside Yes's press feedback
// and is ignored, so the pass runs to its hand-over and the agreement
// window comes; Reject by a real click ends it.
TEST_F(AgreementFlow, QuickNoAfterYesIsIgnored) {
    Prepare({"win32", "win98", "en_US"});
    StartTraced();
    auto r = Robot({"wait-window", "--class", "TSetupForm", "--timeout", kTimeout, "type", "--text", "yn",
                    "wait-window", "--class", "TLicenseForm", "--timeout", "60000", "sleep", "--ms", "500", "control",
                    "--class", "Button", "--text", "&Reject", "mouse-click", "press-box", "--timeout", kTimeout});
    ASSERT_TRUE(r.Ok()) << r.raw;
    EXPECT_EQ(r.Line("box").Get("message"), "Smart Card Reader Driver Installed Failed!");
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_EQ(RestartPrompts(), 0);
}

// A Yes reaching the setup window while the agreement window is up is part
// of the same installation: no second pass runs (it would copy the driver
// files again, and the one taken away here would come back).
TEST_F(AgreementFlow, YesDuringTheAgreementIsIgnored) {
    Prepare({"win32", "nt40", "en_US"});
    StartTraced();
    YesThenAgreement();
    const std::string driver = driveC_ + "/windows/system32/drivers/orvex.sys";
    ASSERT_TRUE(std::filesystem::remove(driver));
    auto r = Robot({"find-window", "--class", "TSetupForm", "type", "--text", "y", "sleep", "--ms", "2000",
                    "find-window", "--class", "TLicenseForm", "control", "--class", "Button", "--text", "&Reject",
                    "mouse-click", "press-box", "--timeout", kTimeout});
    ASSERT_TRUE(r.Ok()) << r.raw;
    EXPECT_FALSE(std::filesystem::exists(driver));
    EXPECT_EQ(WaitSetup(), 0);
}

// NT 4.0: windrvr.sys failing ends the program after its box; wdusbd.sys
// failing leaves the window asking.
TEST_F(AgreementFlow, PathBCopyFailures) {
    Prepare({"win32", "nt40", "en_US"});
    RemoveFromSetupFolder("drivers/winnt4/windrvr.sys");
    StartTraced();
    auto r = Robot(Yes({"press-box", "--timeout", kTimeout}));
    ASSERT_TRUE(r.Ok()) << r.raw;
    EXPECT_EQ(r.Line("box").Get("message"), "Cannot Copy windrvr.sys, Error Code : 2");
    EXPECT_EQ(WaitSetup(), 0);
    Expected e;
    e.filesCreated = {"windows/system32/drivers/smclib.sys", "windows/system32/drivers/orvex.sys",
                      "windows/system32/drivers/wdusbd.sys"};
    e.filesChanged = {"windows/system32/advpack.dll"};
    ExpectChanges(AuditNow(), e);
}

TEST_F(AgreementFlow, PathBUsbDriverFailureKeepsTheWindow) {
    Prepare({"win32", "nt40", "en_US"});
    RemoveFromSetupFolder("drivers/winnt4/wdusbd.sys");
    StartTraced();
    auto r = Robot(Yes(
        {"press-box", "--timeout", kTimeout, "no-box", "--timeout", "2500", "find-window", "--class", "TSetupForm"}));
    ASSERT_TRUE(r.Ok()) << r.raw;
    EXPECT_EQ(r.Line("box").Get("message"), "Cannot Copy wdusbd.sys, Error Code : 2");
    EXPECT_FALSE(Robot({"find-window", "--class", "TLicenseForm"}).Ok());
    EXPECT_TRUE(SetupRunning());
    RobotOk({"find-window", "--class", "TSetupForm", "close"});
    EXPECT_EQ(WaitSetup(), 0);
}

// The binding failing twice: two re-plug prompts answered OK, then the run
// goes on to its end; Cancel instead ends it with nothing installed.
TEST_F(InstallPaths, PathCBindingRetriedThenCancelled) {
    Prepare({"win32", "winxp", "en_US"});
    PutInSetupFolder(TestBin("pnpbind.dll"), "pnpbind.dll");
    ASSERT_EQ(Wine({"reg", "add", "HKCU\\Software\\ReaderSetupTests\\EngineStandinPnpbind", "/v", "FailuresLeft",
                    "/t", "REG_DWORD", "/d", "3", "/f"})
                  .exitCode,
              0);
    StartTraced();
    auto r = Robot(Yes({"press-box", "--timeout", kTimeout, "--button", "OK", "press-box", "--timeout", kTimeout,
                        "--button", "OK", "press-box", "--timeout", kTimeout, "--button", "Cancel"}));
    ASSERT_TRUE(r.Ok()) << r.raw;
    auto boxes = r.All("box");
    ASSERT_EQ(boxes.size(), 3u);
    for (const auto& b : boxes) {
        EXPECT_EQ(b.Get("text"), "Notice");
        EXPECT_EQ(b.Get("message"), "Please re-plug ORVEX Series Reader");
    }
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_EQ(RestartPrompts(), 0);
    ExpectChanges(AuditNow(), Expected{});
}

TEST_F(InstallPaths, PathCBindingRetriedUntilBound) {
    Prepare({"win32", "winxp", "en_US"});
    PutInSetupFolder(TestBin("pnpbind.dll"), "pnpbind.dll");
    ASSERT_EQ(Wine({"reg", "add", "HKCU\\Software\\ReaderSetupTests\\EngineStandinPnpbind", "/v", "FailuresLeft",
                    "/t", "REG_DWORD", "/d", "2", "/f"})
                  .exitCode,
              0);
    StartTraced();
    YesRunsPathC({"press-box", "--timeout", kTimeout, "--button", "OK", "press-box", "--timeout", kTimeout,
                  "--button", "OK"},
                 PathC());
}

// The agreement and the notice in the three languages: screenshots kept,
// checked at a few pixels; the Korean notice is widened with its button
// placed on the window's outer width.
struct LanguageCase {
    const char* locale;
    const char* accept;
    const char* notice;
    int noticeWidth;
    int buttonLeft;
};

class AgreementLanguages : public AgreementFlow, public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(AgreementLanguages, ScreenshotsOfAgreementAndNotice) {
    const LanguageCase& c = GetParam();
    Prepare({"win32", "nt40", c.locale});
    StartTraced();
    AgreementTexts t = YesThenAgreement();
    EXPECT_EQ(t.accept, c.accept);
    ASSERT_EQ(agreementRect_.size(), 4u);
    const int ax = agreementRect_[0], ay = agreementRect_[1];
    // The explanation is red; the agreement memo's background white.
    auto redOf = [&](const e2e::Image& img) {
        return e2e::CountPixels(img, ax + 10, ay + 8, 350, 52,
                                [](e2e::Rgb p) { return p.r > 180 && p.g < 80 && p.b < 80; });
    };
    // Ink of the question below the agreement: its first line, and what lies
    // left of the buttons from their top down, where nothing may be.
    auto questionInk = [&](const e2e::Image& img, int top, int bottom) {
        const e2e::Rgb back = img.At(ax + 4, ay + 340);
        return e2e::CountPixels(img, ax + 8, ay + top, 192, bottom - top,
                                [&](e2e::Rgb p) { return e2e::ColorDistance(p, back) > 60; });
    };
    e2e::Image a = ScreenshotWhen(
        std::string("agreement-") + c.locale,
        [&](const e2e::Image& img) {
            return redOf(img) > 50 && img.At(ax + 200, ay + 300) == e2e::Rgb{255, 255, 255} &&
                   questionInk(img, 312, 325) > 20;
        },
        agreementRect_);
    EXPECT_GT(redOf(a), 50);
    EXPECT_EQ(a.At(ax + 200, ay + 300), (e2e::Rgb{255, 255, 255}));
    // Its two lines fit the memo's width in "MS Sans Serif" and end above
    // Accept and Reject (a wider font wraps them into the buttons). Chinese
    // and Korean Windows draw them in the locale's own font instead, whose
    // widths Wine's stand-in for it does not have: English only.
    EXPECT_GT(questionInk(a, 312, 325), 20);
    if (std::string(c.locale) == "en_US") {
        EXPECT_EQ(questionInk(a, 341, 369), 0);
    }

    auto n = AcceptUntilNotice();
    auto w = n.Find("window", 1);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->Get("text"), c.notice);
    EXPECT_EQ(w->Int("width"), c.noticeWidth);
    EXPECT_EQ(w->Int("x"), (1024 - c.noticeWidth) / 2);
    for (const auto& ch : n.All("child"))
        if (ch.Get("class") == "Button") {
            EXPECT_EQ(ch.Int("x"), c.buttonLeft);
        }
    const int nx = static_cast<int>(w->Int("client-x")), ny = static_cast<int>(w->Int("client-y"));
    // The picture's grey corner is see-through; its question mark blue.
    auto blueOf = [&](const e2e::Image& img) {
        return e2e::CountPixels(img, nx + 16, ny + 32, 41, 33,
                                [](e2e::Rgb p) { return p.b > 200 && p.r < 60 && p.g < 60; });
    };
    e2e::Image s = ScreenshotWhen(
        std::string("notice-") + c.locale, [&](const e2e::Image& img) { return blueOf(img) > 20; },
        std::vector<int>{nx, ny, static_cast<int>(w->Int("client-width")), static_cast<int>(w->Int("client-height"))});
    const e2e::Rgb face = s.At(nx + 5, ny + 5);
    EXPECT_EQ(s.At(nx + 16, ny + 32), face);
    EXPECT_GT(blueOf(s), 20);
    // The close box closes the notice as OK does: the restart prompt follows.
    RobotOk({"find-window", "--class", "TDialogForm", "close"});
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_EQ(RestartPrompts(), 1);
}

const LanguageCase kLanguages[] = {
    {"en_US", "&Accept", "Notice", 633, 179},
    {"zh_TW", "接受(&A)", "注意", 633, 179},
    {"ko_KR", "예", "주의", 773, 255},
};

INSTANTIATE_TEST_SUITE_P(Languages, AgreementLanguages, ::testing::ValuesIn(kLanguages),
                         [](const auto& info) { return std::string(info.param.locale); });

}  // namespace

namespace {

// The companion service program on Windows 98: in use by a running process
// (sharing violation) it keeps its old copy without a word; failing for
// another reason it is reported and the run still goes on to the agreement.
class CompanionProgram : public AgreementFlow {};

TEST_F(CompanionProgram, InUseGoesOnSilently) {
    Prepare({"win32", "win98", "en_US"});
    const std::string held = driveC_ + "/windows/system32/tkpsvc.exe";
    std::filesystem::copy_file(TestBin("robot.exe"), held);
    filesBefore_ = e2e::SnapshotFiles(driveC_);
    // The robot, renamed, is the running companion program.
    StartInPrefix({"C:\\windows\\system32\\tkpsvc.exe", "mark", "sleep", "--ms", "120000"}, "companion");
    ASSERT_TRUE(WaitForOutput("companion", "mark tick="));
    const auto size = std::filesystem::file_size(held);
    StartTraced();
    YesThenAgreement();  // no box may come between Yes and the agreement window
    auto r = Robot({"find-window", "--class", "TLicenseForm", "type", "--text", "r", "press-box", "--timeout",
                    kTimeout});
    ASSERT_TRUE(r.Ok()) << r.raw;
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_EQ(std::filesystem::file_size(held), size);  // the old program stays
}

TEST_F(CompanionProgram, OtherFailureIsReportedAndTheRunGoesOn) {
    Prepare({"win32", "win98", "en_US"});
    // A folder where the program should go: the copy is refused.
    std::filesystem::create_directory(driveC_ + "/windows/system32/tkpsvc.exe");
    filesBefore_ = e2e::SnapshotFiles(driveC_);
    StartTraced();
    // The box held beyond the delay timer's second: no agreement window
    // under it; once it is answered the timer is armed again.
    auto r = Robot(Yes({"wait-box", "--timeout", kTimeout, "sleep", "--ms", "2000"}));
    ASSERT_TRUE(r.Ok()) << r.raw;
    EXPECT_FALSE(Robot({"find-window", "--class", "TLicenseForm"}).Ok());
    auto rest = Robot({"press-box", "wait-window", "--class", "TLicenseForm", "--timeout", "60000", "type", "--text",
                       "r", "press-box", "--timeout", kTimeout});
    ASSERT_TRUE(rest.Ok()) << rest.raw;
    const std::string message = r.Line("box").Get("message");
    EXPECT_EQ(message.rfind("Cannot Copy tkpsvc.exe, Error Code : ", 0), 0u) << message;
    EXPECT_EQ(message.find(": 32"), std::string::npos) << message;
    EXPECT_EQ(r.Line("box").Get("text"), "Error");
    EXPECT_EQ(WaitSetup(), 0);
}

}  // namespace

namespace {

// A shortcut that cannot be made escapes as the toolkit's error: its box,
// and the window stays at progress 2 with no INF copy and no restart prompt.
TEST_F(InstallPaths, ShortcutFailureEscapesAndTheWindowStays) {
    Prepare({"win32", "winxp", "en_US"});
    // Items of these names that are not shortcuts: loading them fails.
    for (const char* name : {"ORVEX Diagnostics.lnk", "Uninstall ORVEX Reader.lnk", "Installation Guide.lnk"})
        std::ofstream(driveC_ + "/users/root/Desktop/" + name) << "not a shortcut";
    filesBefore_ = e2e::SnapshotFiles(driveC_);
    StartTraced();
    auto r = Robot(Yes({"wait-box", "--timeout", kTimeout}));
    ASSERT_TRUE(r.Ok()) << r.raw;
    EXPECT_EQ(r.Line("box").Get("text"), "setup");  // the application's title
    EXPECT_NE(r.Line("box").Get("message").find("IShellLink"), std::string::npos) << r.raw;
    auto ok = Robot({"press-box", "--timeout", kTimeout, "no-box", "--timeout", "1500"});
    ASSERT_TRUE(ok.Ok()) << ok.raw;
    EXPECT_TRUE(SetupRunning());
    EXPECT_EQ(ProgressNow(), 2);
    EXPECT_EQ(RestartPrompts(), 0);
    RobotOk({"find-window", "--class", "TSetupForm", "type", "--text", "n"});
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_FALSE(std::filesystem::exists(driveC_ + "/windows/inf/ORVEX.inf"));
}

}  // namespace

namespace {

// NT 4.0 with an old marker and no INF installer to start: Accept removes the
// marker, the window closes and the check keeps polling; any ObjectName
// written later completes it at the next tick.
TEST_F(AgreementFlow, CheckWaitsForTheMarkerWrittenAfterAccept) {
    Prepare({"win32", "nt40", "en_US"});
    const std::string key = "HKLM\\System\\CurrentControlSet\\Services\\SCardSvr";
    ASSERT_EQ(Wine({"reg", "add", key, "/v", "ObjectName", "/d", "Old", "/f"}).exitCode, 0);
    std::filesystem::remove(driveC_ + "/windows/system32/rundll32.exe");  // WinExec fails: not noticed
    StartTraced();
    YesThenAgreement();
    auto r = Robot({"find-window", "--class", "TLicenseForm", "control", "--class", "Button", "--text", "&Accept",
                    "mouse-click", "window", "wait-gone", "--timeout", kTimeout, "sleep", "--ms", "2000", "find-window",
                    "--class", "TSetupForm"});
    ASSERT_TRUE(r.Ok()) << r.raw;
    EXPECT_FALSE(Robot({"find-window", "--class", "TDialogForm"}).Ok());
    EXPECT_FALSE(Robot({"find-window", "--class", "TLicenseForm"}).Ok());
    auto query = Wine({"reg", "query", key, "/v", "ObjectName"});
    EXPECT_NE(query.exitCode, 0) << query.output;  // removed on Accept
    EXPECT_TRUE(SetupRunning());

    ASSERT_EQ(Wine({"reg", "add", key, "/v", "ObjectName", "/d", "anything", "/f"}).exitCode, 0);
    auto notice = Robot({"wait-window", "--class", "TDialogForm", "--timeout", "10000", "control", "--class", "Button",
                         "--text", "OK", "click"});
    ASSERT_TRUE(notice.Ok()) << notice.raw;
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_EQ(RestartPrompts(), 1);
}

}  // namespace

namespace {

// The base components' installer is started shown normally, show command 5:
// a stand-in in rundll32's place records what it was started with.
TEST_F(AgreementFlow, InstallerStartedWithShowCommandFive) {
    Prepare({"win32", "nt40", "en_US"});
    std::filesystem::copy_file(TestBin("medium/XP64.exe"), driveC_ + "/windows/system32/rundll32.exe",
                               std::filesystem::copy_options::overwrite_existing);
    // Wine prefers its own rundll32 to a file in its place unless told.
    ASSERT_EQ(Wine({"reg", "add", "HKCU\\Software\\Wine\\DllOverrides", "/v", "rundll32.exe", "/d", "native", "/f"})
                  .exitCode,
              0);
    StartTraced();
    YesThenAgreement();
    auto r = Robot({"find-window", "--class", "TLicenseForm", "type", "--text", "a", "wait-gone", "--timeout", kTimeout});
    ASSERT_TRUE(r.Ok()) << r.raw;
    const std::string record = setupDir_ + "/rundll32.installer-ran.txt";
    for (int i = 0; i < 100 && !std::filesystem::exists(record); ++i) usleep(100 * 1000);
    const std::string ran = e2e::ReadAll(record);
    EXPECT_NE(ran.find("command-line=C:\\windows\\system32\\rundll32.exe setupapi,InstallHinfSection DefaultInstall "
                       "132 .\\smclib\\scbase.inf\r\n"),
              std::string::npos)
        << ran;
    EXPECT_NE(ran.find("show-command=5\r\n"), std::string::npos) << ran;
    Robot({"find-window", "--class", "TSetupForm", "close"});
    EXPECT_EQ(WaitSetup(), 0);
}

// At 120 dpi (Wine reads the screen resolution from HKCU\Control Panel\Desktop
// LogPixels) the notice window is rescaled: outer size, places and fonts by
// 120/96, while the 4 pixels above the button and the Korean widening of 140
// stay plain pixels. The setup and agreement windows keep their pixels.
struct ScaledCase {
    const char* locale;
    int noticeWidth;  // 633 * 120 / 96 rounded, plus 140 for Korean
    int buttonLeft;   // (width - button width 328) / 2 for Korean
};

class NoticeAt120Dpi : public AgreementFlow, public ::testing::WithParamInterface<ScaledCase> {};

TEST_P(NoticeAt120Dpi, NoticeScaledOthersNot) {
    const ScaledCase& c = GetParam();
    Prepare({"win32", "nt40", c.locale});
    ASSERT_EQ(Wine({"reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t", "REG_DWORD", "/d", "120",
                    "/f"})
                  .exitCode,
              0);
    StartTraced();
    YesThenAgreement();
    auto windows = Robot({"find-window", "--class", "TSetupForm", "find-window", "--class", "TLicenseForm"});
    ASSERT_TRUE(windows.Ok()) << windows.raw;
    EXPECT_EQ(windows.Find("window", 0)->Int("client-width"), 525);
    EXPECT_EQ(windows.Find("window", 0)->Int("client-height"), 186);
    EXPECT_EQ(windows.Find("window", 1)->Int("width"), 380);
    EXPECT_EQ(windows.Find("window", 1)->Int("height"), 399);

    auto n = AcceptUntilNotice();
    auto w = n.Find("window", 1);
    ASSERT_TRUE(w) << n.raw;
    EXPECT_EQ(w->Int("width"), c.noticeWidth);
    EXPECT_EQ(w->Int("height"), 269);  // 215 * 120 / 96, rounded
    EXPECT_EQ(w->Int("x"), (1024 - c.noticeWidth) / 2);
    std::set<long> labelTops;
    for (const auto& ch : n.All("child")) {
        if (ch.Get("class") == "Button") {
            EXPECT_EQ(ch.Int("x"), c.buttonLeft);
            EXPECT_EQ(ch.Int("width"), 328);
            EXPECT_EQ(ch.Int("height"), 51);
            EXPECT_EQ(ch.Int("y"), w->Int("client-height") - 51 - 4);
        } else if (ch.Get("class") == "TLabel") {
            EXPECT_EQ(ch.Int("x"), 90);
            EXPECT_GE(ch.Int("height"), 23);  // the font's 16 pixels are 20 now (19 or 20 high at 96 dpi)
            labelTops.insert(ch.Int("y"));
        }
    }
    EXPECT_EQ(labelTops, (std::set<long>{20, 60, 100}));  // 16, 48 and 80 at 96 dpi
    Robot({"find-window", "--class", "TDialogForm", "close"});
    EXPECT_EQ(WaitSetup(), 0);
}

const ScaledCase kScaled[] = {
    {"en_US", 791, 224},
    {"ko_KR", 931, 301},
};
INSTANTIATE_TEST_SUITE_P(Languages, NoticeAt120Dpi, ::testing::ValuesIn(kScaled),
                         [](const auto& info) { return std::string(info.param.locale); });

}  // namespace
