// Driver staging in a process of its own (engine_probe.exe stage): the INF
// goes through SetupCopyOEMInf and lands in the inf folder.
#include <gtest/gtest.h>

#include "tests/win/engine_test_support.h"
#include "tests/win/win_test_support.h"

using namespace enginetest;
using namespace wintest;

namespace {

TEST(EngineStaging, KeepsAndStagesThePackageAndNothingWithoutOne) {
    // The sample package as on a disc, read-only, with a subfolder that is not part of it.
    const std::string medium = ProgramFolder() + "sample-medium", package = medium + "\\Drivers\\winxp\\";
    CreateDirectoryA((package + "deeper").c_str(), nullptr);
    ASSERT_TRUE(WriteWholeFile(package + "orvex.cat", "catalog") && WriteWholeFile(package + "deeper\\x.sys", "x"));
    for (const char* name : {"orvex.inf", "orvex.cat"})
        ASSERT_TRUE(SetFileAttributesA((package + name).c_str(), FILE_ATTRIBUTE_READONLY));
    const std::string utility = ReadValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                                          "ProgramFilesDir").Text().c_str() + std::string("\\ORVEX");
    for (const std::string folder : {"winxp", "win2000"}) {  // the second one missing
        const bool present = folder == "winxp";
        RemoveTree(utility);
        RemoveFile(medium + "\\stage.log");
        const ProgramRun run =
            RunProgram("engine_probe.exe stage .\\Drivers\\" + folder + "\\orvex.inf", medium, false, 30000);
        EXPECT_TRUE(run.ended);
        EXPECT_EQ(run.exitCode, present ? 1u : 0u) << folder;
        EXPECT_EQ(FileExists(utility), present) << folder;
        const std::string log = ReadWholeFile(medium + "\\stage.log");
        if (!present) {
            EXPECT_NE(log.find(" driver package \".\\Drivers\\win2000\": failed, error 3\r\n"), std::string::npos);
            EXPECT_EQ(log.find("staged"), std::string::npos) << log;
            continue;
        }
        EXPECT_EQ(ListFolder(utility + "\\Driver"), (std::set<std::string>{"orvex.inf", "orvex.cat"}));
        for (const char* name : {"\\orvex.inf", "\\orvex.cat"})
            EXPECT_EQ(GetFileAttributesA((utility + "\\Driver" + name).c_str()) & FILE_ATTRIBUTE_READONLY, 0u) << name;
        // Staged from the kept copy; the system names its own copy.
        const std::string staged = " staged \"" + utility + "\\Driver\\orvex.inf\" as \"";
        const std::size_t at = log.find(staged);
        ASSERT_NE(at, std::string::npos) << log;
        const std::string copy = log.substr(at + staged.size(), log.find('"', at + staged.size()) - at - staged.size());
        EXPECT_NE(log.find("\": ok\r\n", at), std::string::npos) << log;
        EXPECT_EQ(ReadWholeFile(copy), ReadWholeFile(package + "orvex.inf")) << copy;
        RemoveFile(copy);  // and the system's precompiled form of it
        RemoveFile(copy.substr(0, copy.size() - 3) + "pnf");
    }
    RemoveTree(utility);
}

}  // namespace
