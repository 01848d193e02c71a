// DetectPlatform as a program sees it under each Windows version Wine can
// pretend to be (per-program AppDefaults Version). The probe carries
// setup.exe's manifest, so it is told the version setup.exe is told.
// (The system locale cases run from the host, tests/e2e/platform_locale_test:
// under Wine a child process keeps its parent's locale whatever its LANG.)
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

#include "base/handles.h"
#include "tests/programs/platform_probe/probe_output.h"
#include "tests/win/win_test_support.h"

namespace {

const char kProbe[] = "platform_probe.exe";
const char kAppDefaults[] = "Software\\Wine\\AppDefaults\\platform_probe.exe";

using wintest::Is64BitPrefix;

void SetProbeVersion(const std::string& version) {
    HKEY raw = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, kAppDefaults, &raw), ERROR_SUCCESS);
    rs::unique_hkey key(raw);
    ASSERT_EQ(RegSetValueExA(key.get(), "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                             static_cast<DWORD>(version.size() + 1)),
              ERROR_SUCCESS);
}

// Runs the probe under a version: its output lines by key.
std::map<std::string, std::string> RunProbe(const std::string& version) {
    SetProbeVersion(version);
    const wintest::ProgramRun run = wintest::RunProgram(kProbe, "", true, 30000);
    EXPECT_TRUE(run.started && run.ended) << kProbe << " under " << version;
    return probe::ParseOutput(run.output);
}

int Platform(const std::string& version) {
    auto r = RunProbe(version);
    EXPECT_TRUE(r.count("platform")) << "probe printed nothing under " << version;
    return r.count("platform") ? std::atoi(r["platform"].c_str()) : -1;
}

TEST(PlatformDetection, NineFamilyAndOlderNt) {
    EXPECT_EQ(Platform("win95"), 1);
    EXPECT_EQ(Platform("win98"), 2);
    EXPECT_EQ(Platform("winme"), 3);
    EXPECT_EQ(Platform("nt40"), 4);
    EXPECT_EQ(Platform("win2k"), 5);
}

// The processor width comes from GetNativeSystemInfo: a 32-bit program in a
// 64-bit prefix sees x64 (architecture 9), in a 32-bit prefix x86.
TEST(PlatformDetection, XpAndVistaByPrefixWidth) {
    const bool wide = Is64BitPrefix();
    EXPECT_EQ(Platform("winxp"), wide ? 7 : 6);
    EXPECT_EQ(Platform("vista"), wide ? 10 : 9);
    // XP x64 Edition reports 5.2: 8 whatever the processor.
    EXPECT_EQ(Platform("winxp64"), 8);
}

TEST(PlatformDetection, LaterVersions) {
    // With the supportedOS entries of the manifest Wine reports 10.0.
    EXPECT_EQ(Platform("win10"), 11);
    // 6.1 to 6.3 whatever the product type (Wine's win7 reports a server's).
    for (const char* version : {"win7", "win2008r2", "win8", "win81"}) EXPECT_EQ(Platform(version), 11) << version;
    EXPECT_EQ(Platform("win2008"), 12);  // a 6.0 server
}

}  // namespace
