// A program's end with its forms alive: the runtime's exit procedures
// destroy the application object and its forms, whose windows and controls
// still unbind from the window lists then.
#include <gtest/gtest.h>

#include <string>

#include "tests/win/win_test_support.h"

namespace {

// std::exit inside a handler (after a platform's own installer) and a return
// from the entry point without releasing the forms (a start-up error).
TEST(ToolkitProgramEnd, FormsDestroyedAtTheEndFindTheWindowListsAlive) {
    for (const char* way : {"exit-in-handler", "return-with-forms"}) {
        const std::string report = wintest::ProgramFolder() + "program_end.txt";
        wintest::RemoveFile(report);
        const wintest::ProgramRun run = wintest::RunProgram(
            "\"" + wintest::ProgramFolder() + "program_end.exe\" " + way + " \"" + report + "\"", "", false, 30000);
        const std::string lines = wintest::ReadWholeFile(report);
        wintest::RemoveFile(report);
        ASSERT_TRUE(run.started) << way;
        EXPECT_TRUE(run.ended) << way;
        EXPECT_EQ(run.exitCode, 0u) << way << "\n" << lines;
        EXPECT_EQ(lines, "form gone\nform gone\n") << way;
    }
}

}  // namespace
