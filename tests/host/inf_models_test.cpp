// Each INF of a medium by the systems that the program's tables send it to:
// the models section each one's loader uses, what Windows 95, 98 and Me
// read at all, the files a reader's INF lists.
#include <gtest/gtest.h>

#include <algorithm>

#include "release_medium/inf_models.h"
#include "tests/host/medium_support.h"

using namespace rs;
using namespace rs::medium_test;

namespace {

std::string Sample(const std::string& path) {
    return Read(fs::path(__FILE__).parent_path().parent_path().parent_path() / "tools/medium/Setup" / path);
}

// An INF whose [Manufacturer] entry is Models,`decorations`; the sections
// `with` name the reader, `without` another device.
std::string Inf(const std::string& decorations, const std::vector<std::string>& with,
                const std::vector<std::string>& without = {}) {
    std::string text = "; reader\r\n[Version]\r\nSignature=\"$Chicago$\"\r\n[Manufacturer]\r\n%Mfg%=Models" +
                       decorations + "\r\n";
    for (const std::string& name : with) text += "[" + name + "]\r\n%Desc%=Install,%HardwareId%\r\n";
    for (const std::string& name : without) text += "[" + name + "]\r\n%Desc%=Install,USB\\Other\r\n";
    return text + kInf.substr(kInf.find("[Strings]"));
}

}  // namespace

// Which models section each release's loader takes, by the TargetOSVersion
// rules of the INF Manufacturer section page.
TEST(InfDecorations, AsTheManufacturerPageWritesThem) {
    struct Case {
        const char* decorations;
        std::vector<std::string> releases;
        const char* section;  // "": none
    };
    const std::vector<Case> cases = {
        // From Server 2003 SP1 on, a models section for x64 must name it; a
        // plain NT one holds x86's.
        {",NT.6.1", {"Windows 7 (64-bit)", "Windows XP x64 (64-bit)", "Windows 11 25H2 (64-bit)"}, ""},
        {",NT.6.1", {"Windows 7 (32-bit)", "Windows 10 22H2 (32-bit)"}, "Models.NT.6.1"},
        {",NT.6.3,NTamd64", {"Windows 8.1 (64-bit)", "Windows Server 2003 x64 (member server)"}, "Models.NTamd64"},
        // The build field counts only where major.minor equal the system's;
        // a later major.minor takes the section whatever its build.
        {",NTamd64.6.3...30000", {"Windows 11 21H2 (64-bit)", "Windows 10 1607 (64-bit)"}, "Models.NTamd64.6.3...30000"},
        {",NTamd64.10.0...22621", {"Windows 11 22H2 (64-bit)", "Windows 11 26H2 (64-bit)"}, "Models.NTamd64.10.0...22621"},
        {",NTamd64.10.0...22621", {"Windows 11 21H2 (64-bit)", "Windows 10 22H2 (64-bit)"}, ""},
        // Before Windows 10 1607 the build field is not parsed: the
        // decoration is ignored.
        {",NTamd64.10.0...10240", {"Windows 10 1507 (64-bit)", "Windows 10 1511 (64-bit)"}, ""},
        {",NTx86.6.1...7600", {"Windows 7 (32-bit)", "Windows 10 1511 (32-bit)"}, "Models"},
        {",NTx86.6.1...7600", {"Windows 10 1607 (32-bit)"}, "Models.NTx86.6.1...7600"},
        // OSVERSIONINFOEX: VER_SUITE_TERMINAL is always set, and
        // VER_SUITE_SINGLEUSERTS unless the system serves applications.
        {",NTx86,NTx86.5.1.1.0x110", {"Windows XP (32-bit)", "Windows 8 (32-bit)"}, "Models.NTx86.5.1.1.0x110"},
        {",NTamd64,NTamd64.6.0.1.0x200", {"Windows Vista (64-bit)"}, "Models.NTamd64"},
        // Every bit of the mask must be the system's: one of two is not enough.
        {",NTx86,NTx86.5.1.1.0x11", {"Windows XP (32-bit)", "Windows 7 (32-bit)"}, "Models.NTx86"},
        // The servers as member server (product type 3) and domain controller (2).
        {",NTamd64,NTamd64.6.1.3", {"Windows Server 2008 R2 (member server)", "Windows Server 2025 (member server)"},
         "Models.NTamd64.6.1.3"},
        {",NTamd64,NTamd64.6.1.3", {"Windows Server 2012 (domain controller)", "Windows 7 (64-bit)"}, "Models.NTamd64"},
        {",NTamd64.10.0.2..17763", {"Windows Server 2019 (domain controller)"}, "Models.NTamd64.10.0.2..17763"},
    };
    for (const Case& c : cases) {
        const inf::File file = inf::Read("[Manufacturer]\r\n%M%=Models" + std::string(c.decorations) + "\r\n");
        for (const std::string& name : c.releases) {
            SCOPED_TRACE(name + ": Models" + c.decorations);
            const auto release = std::find_if(WindowsReleases().begin(), WindowsReleases().end(),
                                              [&](const WindowsRelease& r) { return r.name == name; });
            ASSERT_NE(release, WindowsReleases().end());
            const auto choices = inf::ChooseModels(file, {release->version, release->build, release->suiteMask}, "ID");
            ASSERT_EQ(choices.size(), 1u);
            EXPECT_EQ(choices[0].section, c.section);
        }
    }
}

TEST(InfReaders, EachSystemByItsOwnRules) {
    const std::string xp = "drivers/winxp/orvex.inf", w2k = "drivers/win2000/orvex.inf", ncp = "drivers/ORVEX.ncp";
    const std::string noId = " would not find the reader's hardware ID USB\\Vid_0d4e&Pid_0010: ";
    const std::string none = "[Manufacturer] leads to no models section: no decoration of Models fits";
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> files;
        std::vector<std::string> said;  // empty: accepted
        std::vector<std::string> notSaid;
    };
    const std::vector<Case> cases = {
        {"XP's INF for x64 only", {{xp, Inf(",NTamd64", {"Models.NTamd64"})}},
         {"winxp/orvex.inf, line 5: Windows XP (32-bit), 7 (32-bit)", "10 1507 to 22H2 (32-bit), Server 2003 (32-bit, "
          "member server) and Server 2003 (32-bit, domain controller)" + noId + "[Manufacturer] leads to [Models], "
          "which the file does not hold"},
         {"64-bit"}},
        {"XP's INF for 6.0 on, x86 only", {{xp, Inf(",NTx86.6.0", {"Models.NTx86.6.0"})}},
         {"Windows XP (32-bit), Server 2003 (32-bit, member server) and Server 2003 (32-bit, domain controller)" + noId +
              "[Manufacturer] leads to [Models], which",
          "Windows XP x64 (64-bit), 7 (64-bit)", "Server 2016 to 2025 (domain controller)" + noId + none},
         {"10 1507 to 22H2 (32-bit)"}},
        {"XP's INF for an unknown architecture", {{xp, Inf(",NTfoo", {"Models.NTfoo"})}},
         {"Windows XP (32-bit), 7 (32-bit)", "[Models], which the file does not hold", "(domain controller)" + noId + none},
         {}},
        {"the sample's former XP INF, undecorated", {{xp, Sample(w2k)}},
         {"Windows XP x64 (64-bit), 7 (64-bit)", "(domain controller)" + noId + "[Manufacturer] leads to no models "
          "section: no decoration of Vendor.Models fits, and 64-bit Windows from 5.2 on never uses the undecorated one"},
         {"32-bit"}},
        {"XP's INF for NT 6.1 without a processor", {{xp, Inf(",NT.6.1", {"Models.NT.6.1"})}},
         {"11 21H2 to 26H2 (64-bit)", none + ", and 64-bit Windows from 5.2 on never uses the undecorated one (passing "
          "over NT.6.1, which names no processor: from 5.2 on, 64-bit Windows takes only a decoration naming its own)"},
         {"(32-bit) would"}},
        {"a server's own decoration",
         {{xp, Inf(",NTx86,NTamd64,NTamd64.6.1.3", {"Models.NTx86", "Models.NTamd64"}, {"Models.NTamd64.6.1.3"})}},
         {"line 5: Windows Server 2008 R2 (member server), Server 2012 (member server), Server 2012 R2 (member server) "
          "and Server 2016 to 2025 (member server)" + noId + "[Manufacturer] leads to [Models.NTamd64.6.1.3], which"},
         {"domain controller", "2003", "Windows 7"}},
        {"files for x64 and Itanium",
         {{xp, kInf + "[SourceDisksNames]\r\n1=Disk\r\n[SourceDisksFiles.amd64]\r\ngone64.sys=1\r\n"
                      "[SourceDisksFiles.ia64]\r\ngoneia.sys=1\r\n"},
          {w2k, kInf + "[SourceDisksNames]\r\n1=Disk\r\n[SourceDisksFiles.amd64]\r\ngone64.sys=1\r\n"}},
         {"[SourceDisksFiles.amd64] names gone64.sys, not on the medium at Setup/drivers/winxp/gone64.sys"},
         {"goneia.sys", "win2000"}},
        {"2000's INF decorated only", {{w2k, Inf(",NTx86", {"Models.NTx86"})}},
         {"win2000/orvex.inf, line 5: Windows 2000" + noId + "[Manufacturer] leads to [Models], which the file"}, {}},
        {"reader's INF decorated only", {{ncp, Inf(",NTx86", {"Models.NTx86"})}},
         {"ORVEX.ncp, line 5: Windows 95, 98 and Me" + noId + "[Manufacturer] leads to [Models], which the file"},
         {"2000"}},
        {"reader's INF in UTF-16", {{ncp, test::Utf16Le(kInf)}},
         {"ORVEX.ncp: saved as UTF-16: Windows 95, 98 and Me read only ANSI INFs"}, {}},
        {"reader's INF signed for NT", {{ncp, test::Replaced(kInf, "$Chicago$", "$Windows NT$")}},
         {"ORVEX.ncp, line 3: Signature \"$Windows NT$\": Windows 95, 98 and Me read only INFs signed $Chicago$ or "
          "$Windows 95$"},
         {}},
        {"reader's INF's catalog missing", {{ncp, kInf + "[Version]\r\nCatalogFile=orvex.cat\r\n"}},
         {"CatalogFile names orvex.cat, not on the medium at Setup/drivers/orvex.cat"}, {}},
        {"reader's INF's driver missing",
         {{ncp, kInf + "[SourceDisksNames]\r\n1=Disk\r\n[SourceDisksFiles]\r\nORVEX.sys=1\r\norvex2.sys=1\r\n"}},
         {"[SourceDisksFiles] names orvex2.sys, not on the medium at Setup/drivers/orvex2.sys"}, {"ORVEX.sys,"}},
        // Server 2003 is 5.2 with product type 3; the sections for a suite
        // only some editions have (Datacenter), and those less specific, are not used.
        {"the most specific decoration that fits",
         {{xp, Inf(",NT,NTx86,NTamd64.6.0,NTamd64.5.2,NTx86.5.2.3,NTx86.5.1.1.0x80",
                   {"Models.NTx86", "Models.NTamd64.6.0", "Models.NTamd64.5.2"},
                   {"Models", "Models.NT", "Models.NTx86.5.2.3", "Models.NTx86.5.1.1.0x80"})}},
         {"line 5: Windows Server 2003 (32-bit, member server)" + noId +
          "[Manufacturer] leads to [Models.NTx86.5.2.3], which does not name it"},
         {"XP (32-bit)", "10 1507", "64-bit", "domain controller"}},
        {"UTF-16 for INFs that only NT reads", {{xp, test::Utf16Le(kInf)}, {w2k, test::Utf16Le(kInf)}}, {}, {}},
        // Its catalogs are made at each layout (the release command's test).
        {"the sample medium as shipped",
         {{xp, test::Replaced(Sample(xp), "CatalogFile.NTamd64=orvex64.cat\r\n", "")},
          {w2k, Sample(w2k)},
          {ncp, test::Replaced(Sample(ncp), "CatalogFile=orvex98.cat\r\n", "")},
          {"smclib/scbase.inf", Sample("smclib/scbase.inf")}},
         {},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Folders f;
        for (const auto& [path, bytes] : c.files) Write(AsOnDisk(f.vendor, "Setup/" + path), bytes);
        std::string all;  // without the list of who reads each file, which names every reader
        for (const std::string& problem : f.Check().problems) {
            EXPECT_NE(problem.find(c.files[0].first), std::string::npos) << problem;
            all += problem.substr(0, problem.rfind(" (", problem.find(", read by "))) + "\n";
        }
        if (c.said.empty()) {
            EXPECT_EQ(all, "");
        }
        for (const std::string& text : c.said) EXPECT_NE(all.find(text), std::string::npos) << text << "\n" << all;
        for (const std::string& text : c.notSaid) EXPECT_EQ(all.find(text), std::string::npos) << text << "\n" << all;
    }
}
