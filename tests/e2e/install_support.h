// What the installation end-to-end tests share: setup.exe started with the
// setup API's fixme channel on (Wine's restart prompt is a stub that only
// reports itself there), the progress bar's position, and audits compared
// with a path's expected changes.
#pragma once
#include <filesystem>
#include <fstream>

#include "tests/e2e/e2e_harness.h"
#include "tests/programs/pnpbind_newdev/standin_log.h"

namespace install_e2e {

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

// Escapes a text for a .reg file string.
inline std::string RegString(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
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
    std::map<std::string, std::string> valueData;  // of values written, where known: "KEY\\[name]" -> as the audit reads it
};

// What path C writes in a prefix whose user is "root": the utility folder
// (under programFiles) with the English XP guide, the Start-menu group and
// the INF. The service and the binding leave nothing under Wine (no SCardSvr
// service; Wine's newdev does nothing and reports success).
// With /allusers the group goes into the all-users Programs folder instead.
inline Expected PathC(const std::string& programFiles = "Program Files",
                      const std::string& programs = "users/root/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/") {
    const std::string group = programs + "ORVEX Utility/";
    const std::string folder = programFiles + "/ORVEX/";
    Expected e;
    e.filesCreated = {"windows/inf/ORVEX.inf",
                      folder,
                      folder + "EWINXP.files/",
                      folder + "EWINXP.files/guide.css",
                      folder + "EWINXP.files/step1.svg",
                      folder + "EWINXP.htm",
                      folder + "orvexunst.exe",
                      folder + "tkrdchk.exe",
                      group,
                      group + "Installation Guide.lnk",
                      group + "ORVEX Diagnostics.lnk",
                      group + "Uninstall ORVEX Reader.lnk"};
    return e;
}

// What path A writes (Windows 95, 98 and Me): the files, registry values,
// utilities and guide, and the marker the base components' INF installer
// writes once accepted.
inline Expected PathA() {
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
    return e;
}

// What path B writes (Windows NT 4.0): the files, services, event-log source
// and uninstall entry, and the marker the base components' INF writes.
inline Expected PathB() {
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

// What path D writes: the INF, and the record the stand-in installer
// `stem` (XP64, Vista32, Vista64) leaves in the Setup folder.
inline Expected PathD(const std::string& stem) {
    Expected e;
    e.filesCreated = {"windows/inf/ORVEX.inf", "medium/Setup/" + stem + ".installer-ran.txt"};
    return e;
}

class InstallTest : public e2e::SetupTest {
protected:
    // Replaces a file of the medium's Setup folder before the run, outside the audit.
    void PutInSetupFolder(const std::string& from, const std::string& name) {
        std::filesystem::copy_file(from, setupDir_ + "/" + name, std::filesystem::copy_options::overwrite_existing);
        filesBefore_ = e2e::SnapshotFiles(driveC_);
    }
    void RemoveFromSetupFolder(const std::string& name) {
        std::filesystem::remove(setupDir_ + "/" + name);
        filesBefore_ = e2e::SnapshotFiles(driveC_);
    }
    // Settings a test needs in its prefix before setup.exe starts, taken into
    // the "before" snapshot: they are the test's set-up, not changes of the
    // program. Imports .reg lines (after the REGEDIT4 header).
    void ImportAndSnapshot(const std::vector<std::string>& regLines) {
        const std::string regFile = prefix_ + "/test-settings.reg";
        {
            std::ofstream reg(regFile, std::ios::binary);
            reg << "REGEDIT4\r\n\r\n";
            for (const auto& line : regLines) reg << line << "\r\n";
            ASSERT_TRUE(reg.good());
        }
        auto imported = Wine({"reg", "import", e2e::WindowsPath(regFile)});
        ASSERT_EQ(imported.exitCode, 0) << imported.output;
        std::filesystem::remove(regFile);
        Resnapshot();
    }
    // The tests' stand-in newdev.dll in the prefix's system folders (x86;
    // and x64 in a 64-bit prefix), each with the library it imports, the
    // native override and its answer (not bound: ERROR_NO_SUCH_DEVINST, what
    // Windows answers while no reader is plugged in); its call log outside
    // drive_c, so that the audit sees only what the program does.
    void UseNewdevStandIn(bool bound, bool restart) {
        namespace fs = std::filesystem;
        const bool wide = options_.arch == "win64";
        for (const char* dll : {"newdev.dll", "rsnewdevdep.dll"}) {
            fs::copy_file(e2e::GetPaths().buildRoot + "/win32/testbin/newdev-standin/x86/" + dll,
                          driveC_ + (wide ? "/windows/syswow64/" : "/windows/system32/") + dll,
                          fs::copy_options::overwrite_existing);
            if (wide)
                fs::copy_file(e2e::GetPaths().buildRoot + "/win64/testbin/newdev-standin/x64/" + dll,
                              driveC_ + "/windows/system32/" + dll, fs::copy_options::overwrite_existing);
        }
        newdevLog_ = prefix_ + "/newdev-calls.log";
        ImportAndSnapshot({"[HKEY_CURRENT_USER\\Software\\Wine\\DllOverrides]", "\"newdev\"=\"native\"", "",
                           "[HKEY_CURRENT_USER\\Software\\RsTest\\NewdevStandIn]",
                           std::string("\"Result\"=dword:0000000") + (bound ? "1" : "0"),
                           std::string("\"Restart\"=dword:0000000") + (restart ? "1" : "0"),
                           "\"Log\"=\"" + RegString(e2e::WindowsPath(newdevLog_)) + "\""});
    }
    std::vector<standin::Call> NewdevCalls() const { return standin::ParseCallLog(e2e::ReadAll(newdevLog_)); }
    std::string newdevLog_;

    std::string TestBin(const std::string& name) const {
        return e2e::GetPaths().buildRoot + "/win32/testbin/" + name;
    }

    // setup.exe with the setup API's fixme messages kept in its output (the
    // restart prompt's only trace under Wine).
    void StartTraced() { StartSetup("-all,fixme+setupapi"); }

    int RestartPrompts() const {
        const std::string log = SetupOutput();
        int n = 0;
        for (size_t at = log.find("SetupPromptReboot"); at != std::string::npos;
             at = log.find("SetupPromptReboot", at + 1))
            ++n;
        return n;
    }

    // Robot steps: the setup window, "y" typed to it, then next.
    static std::vector<std::string> Yes(const std::vector<std::string>& next = {}) {
        std::vector<std::string> steps = {"wait-window", "--class", "TSetupForm", "--timeout", "30000",
                                          "type",        "--text",  "y"};
        steps.insert(steps.end(), next.begin(), next.end());
        return steps;
    }

    // Robot steps reading the setup window's progress bar (by message: a
    // later window may cover it on screen).
    static std::vector<std::string> ProgressSteps() {
        return {"find-window", "--class", "TSetupForm", "control", "--class", "msctls_progress32", "progress"};
    }
    // The position those steps read; -1 when they did not get to it.
    static int ProgressFrom(const e2e::RobotResult& r) {
        auto p = r.Find("progress");
        return p ? static_cast<int>(p->Int("pos")) : -1;
    }
    int ProgressNow() { return ProgressFrom(RobotOk(ProgressSteps())); }

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
        m += SetMismatch(a.leftReadOnly, {});
        for (const auto& [value, data] : e.valueData) {
            const auto written = a.valuesWritten.find(value);
            if (written == a.valuesWritten.end() || written->second != data)
                m += "  " + value + " not " + data + "\n";
        }
        std::ofstream(ArtifactDir() + "/audit.txt") << a.Describe();
        EXPECT_TRUE(m.empty()) << m << "audit:\n" << a.Describe();
    }
};

// Wine's systems later than Vista (its win7 reports a server product type,
// Windows 7 a workstation: the same path either way).
inline constexpr const char* kLaterThanVista[] = {"win7", "win8", "win81", "win10"};

// The robot's wait for a window or box of the pass.
inline constexpr char kTimeout[] = "30000";

// Runs that end with path C.
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

    // Path C's medium with the stand-in binding library, which fails its
    // first `failures` calls.
    void PrepareBindingThatFails(int failures) {
        Prepare({"win32", "winxp", "en_US"});
        PutInSetupFolder(TestBin("pnpbind.dll"), "pnpbind.dll");
        ASSERT_EQ(Wine({"reg", "add", "HKCU\\Software\\ReaderSetupTests\\EngineStandinPnpbind", "/v",
                        "FailuresLeft", "/t", "REG_DWORD", "/d", std::to_string(failures), "/f"})
                      .exitCode,
                  0);
    }
};

// The agreement window's controls as the robot lists them.
struct AgreementTexts {
    std::string explanation, accept, reject, agreement;
};

inline AgreementTexts ReadAgreement(const e2e::RobotResult& r) {
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

}  // namespace install_e2e
