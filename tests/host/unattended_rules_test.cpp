#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/outcome_rules.h"
#include "app/switches_rules.h"
#include "base/run_log_rules.h"
#include "install/binding_rules.h"

namespace rs {
namespace {

SetupSwitches Parse(const std::vector<const char*>& args) {
    return ParseSwitches(static_cast<int>(args.size()), args.data());
}

TEST(SetupSwitchesParse, FormsThatDeploymentToolsWrite) {
    struct Case {
        std::vector<const char*> args;
        RunMode mode;
        RestartChoice restart;
        const char* log;
        const char* installerArgs;
        bool allUsers = false;  // unattended runs put the shortcuts per machine
    };
    const Case cases[] = {
        {{}, RunMode::Interactive, RestartChoice::Ask, nullptr, ""},
        // Other installers' silent switches.
        {{"/S"}, RunMode::Quiet, RestartChoice::Never, nullptr, "", true},
        {{"-silent"}, RunMode::Quiet, RestartChoice::Never, nullptr, "", true},
        {{"/VerySilent"}, RunMode::Quiet, RestartChoice::Never, nullptr, "", true},
        {{"/qn", "/allusers"}, RunMode::Quiet, RestartChoice::Never, nullptr, "", true},
        {{"/qb", "/log", "x"}, RunMode::Passive, RestartChoice::Never, "x", "", true},
        {{"/quiet"}, RunMode::Quiet, RestartChoice::Never, nullptr, ""},
        {{"-Q", "/LOG", "C:\\a b\\x.log"}, RunMode::Quiet, RestartChoice::Never, "C:\\a b\\x.log", ""},
        {{"/passive", "/log=C:\\x.log"}, RunMode::Passive, RestartChoice::Never, "C:\\x.log", ""},
        {{"/Log:C:\\x.log", "/forcerestart"}, RunMode::Interactive, RestartChoice::Force, "C:\\x.log", ""},
        {{"/norestart"}, RunMode::Interactive, RestartChoice::Never, nullptr, ""},
        {{"/q", "/norestart", "/installerargs", "/S /v/qn"}, RunMode::Quiet, RestartChoice::Never, nullptr,
         "/S /v/qn"},
        {{"/installerargs=-silent", "/passive", "/forcerestart"}, RunMode::Passive, RestartChoice::Force, nullptr,
         "-silent"},
        // A removal never shows anything.
        {{"/uninstall"}, RunMode::Quiet, RestartChoice::Never, nullptr, ""},
        {{"-UNINSTALL", "/forcerestart", "/log", "x"}, RunMode::Quiet, RestartChoice::Force, "x", ""},
    };
    for (const Case& c : cases) {
        const SetupSwitches s = Parse(c.args);
        const std::string at = c.args.empty() ? "(none)" : c.args[0];
        EXPECT_EQ(s.problem, nullptr) << at << ": " << s.problem;
        EXPECT_EQ(s.given, !c.args.empty()) << at;
        EXPECT_EQ(s.mode, c.mode) << at;
        EXPECT_EQ(s.restart, c.restart) << at;
        EXPECT_EQ(s.logPath ? std::string(s.logPath) : "-", c.log ? std::string(c.log) : "-") << at;
        EXPECT_STREQ(s.installerArgs, c.installerArgs) << at;
        EXPECT_EQ(s.allUsers, c.allUsers || c.mode != RunMode::Interactive) << at;
    }
    const SetupSwitches all = Parse({"/acceptlicense", "/ALLUSERS", "/?"});
    EXPECT_TRUE(all.acceptLicense && all.allUsers && all.help);
    EXPECT_TRUE(Parse({"-help"}).help);
    EXPECT_TRUE(Parse({"/Uninstall"}).uninstall);
    EXPECT_FALSE(Parse({"/quiet"}).uninstall);
}

TEST(SetupSwitchesParse, WrongFormsNameTheirArgumentAndStayQuiet) {
    struct Case {
        std::vector<const char*> args;
        const char* argument;  // the one the problem names
        RunMode mode;          // still known: no box under /quiet
    };
    const Case cases[] = {
        {{"/quiet", "/silently"}, "/silently", RunMode::Quiet},
        {{"/l*v", "C:\\x.log", "/qn"}, "/l*v", RunMode::Quiet},
        {{"/s=1"}, "/s=1", RunMode::Quiet},
        {{"/qn", "/qb"}, "/quiet /passive", RunMode::Quiet},
        {{"install", "/q"}, "install", RunMode::Quiet},
        {{"/", "/q"}, "/", RunMode::Quiet},
        {{"/log"}, "/log", RunMode::Interactive},
        {{"/log", "/quiet"}, "/log", RunMode::Quiet},
        {{"/log="}, "/log=", RunMode::Interactive},
        {{"/installerargs"}, "/installerargs", RunMode::Interactive},
        {{"/quiet=yes"}, "/quiet=yes", RunMode::Quiet},
        {{"/quietly"}, "/quietly", RunMode::Interactive},
        {{"/q", "/passive"}, "/quiet /passive", RunMode::Quiet},
        {{"/norestart", "/forcerestart"}, "/norestart /forcerestart", RunMode::Interactive},
        {{"/uninstall", "/passive"}, "/uninstall /passive", RunMode::Quiet},
    };
    for (const Case& c : cases) {
        const SetupSwitches s = Parse(c.args);
        ASSERT_NE(s.problem, nullptr) << c.argument;
        EXPECT_STREQ(s.problemArgument, c.argument);
        EXPECT_EQ(s.mode, c.mode) << c.argument;
    }
}

TEST(SetupOutcome, ExitCodesDeploymentToolsRead) {
    struct Case {
        RunOutcome outcome;
        bool unattended;
        std::uint32_t code;
    };
    RunOutcome done;
    done.completed = true;
    RunOutcome needed = done, started = done, staged = done, failedButDone = done, running, unsupported, declined,
               noLog, badLine;
    needed.restart = RestartNeed::Needed;
    started.restart = RestartNeed::Started;
    staged.stagedOnly = true;
    failedButDone.failed = true;
    failedButDone.restart = RestartNeed::Needed;
    running.alreadyRunning = true;
    unsupported.unsupported = true;
    declined.declined = true;
    noLog.logNotOpened = noLog.alreadyRunning = true;
    badLine.badCommandLine = badLine.logNotOpened = true;
    const Case cases[] = {
        {noLog, true, 1622},         {noLog, false, 1622},       {badLine, false, 1639},
        {done, true, 0},          {staged, true, 0},          {needed, true, 3010},   {started, false, 1641},
        {failedButDone, true, 1603}, {running, true, 1618},   {unsupported, true, 1633}, {declined, true, 1602},
        {RunOutcome{}, true, 1603},  {RunOutcome{}, false, 1602},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExitCodeFor(c.outcome, c.unattended), c.code);
        EXPECT_STRNE(ExitCodeMeaning(c.code), "") << c.code;
    }

    // A vendor installer's own code: 0 asks for the run's restart, 3010 and
    // 1641 say so themselves, anything else fails the run.
    const std::pair<std::uint32_t, std::uint32_t> installer[] = {
        {0, 3010}, {3010, 3010}, {1641, 1641}, {1, 1603}, {1603, 1603}, {0xC0000005u, 1603}};
    for (const auto& [exit, code] : installer) {
        RunOutcome o;
        TakeInstallerExit(o, exit);
        o.completed = true;
        EXPECT_EQ(ExitCodeFor(o, true), code) << exit;
    }
}

// A completed run, restart needed or started, with one step's result on
// its way: the words its log line ends with, and the exit code.
TEST(SetupOutcome, OneStepsResultDecidesTheExitCode) {
    const struct { StepKind kind; bool ok; unsigned long error; const char* words; bool fails; } cases[] = {
        {StepKind::Do, true, 0, ": ok", false},
        {StepKind::Do, false, 2, ": failed, error 2", true},    // a source missing; a key to write to
        {StepKind::Do, false, 32, ": failed, error 32", true},  // a copy over a file in use
        {StepKind::Do, false, 0xE000020Bu, ": failed, error 0xE000020B", true},  // the binding, the staging
        {StepKind::Remove, false, 5, ": failed, error 5", true},
        {StepKind::Remove, false, 2, ": not there", false},
        {StepKind::Make, false, 5, ": failed, error 5", true},  // a shortcut
        {StepKind::Make, false, 183, ": already there", false},  // a shortcut already in the group
        {StepKind::Try, false, 1060, ": warning, error 1060", false},  // the Smart Card service
    };
    for (const auto& c : cases) {
        const StepEnd end = EndOfStep(c.kind, c.ok, c.error);
        char words[64];
        std::snprintf(words, sizeof words, StepEndFormat(end, c.error), c.error);
        EXPECT_STREQ(words, c.words);
        for (const auto& [restart, success] : {std::pair{RestartNeed::Needed, 3010u}, {RestartNeed::Started, 1641u}}) {
            // A failed step is what the log counts.
            const RunOutcome o{.failed = end == StepEnd::Failed, .completed = true, .restart = restart};
            EXPECT_EQ(ExitCodeFor(o, true), c.fails ? 1603u : success) << c.words;
        }
    }
}

std::string Line(const LogTime& time, std::string_view text) {
    std::string line(text.size() + 22, '#');
    line.resize(FormatLogLine(time, text, line.data()));
    return line;
}

TEST(SetupRunLog, LinesAndWhatTheyShow) {
    EXPECT_EQ(Line({2026, 12, 8, 9, 3, 7}, "copy \"a\" to \"b\": ok"), "2026-12-08 09:03:07 copy \"a\" to \"b\": ok\r\n");
    // A system message's own line break and a stray tab stay on the line;
    // a text of blanks leaves the time alone.
    EXPECT_EQ(Line({999, 1, 2, 23, 59, 0}, "Setup Error: missing\r\n\tfile.\r\n"),
              "0999-01-02 23:59:00 Setup Error: missing   file.\r\n");
    EXPECT_EQ(Line({2026, 1, 1, 0, 0, 0}, " \r\n"), "2026-01-01 00:00:00\r\n");

    const std::vector<const char*> args = {"/quiet", "/installerargs", "/pw=secret", "/log", "C:\\a b.log",
                                           "-INSTALLERARGS:/pw=x"};
    const std::string whole = "/quiet /installerargs <not logged> /log \"C:\\a b.log\" -INSTALLERARGS:<not logged>";
    char line[100];
    EXPECT_EQ(CommandLineForLog(static_cast<int>(args.size()), args.data(), line, sizeof line), whole.size());
    EXPECT_EQ(line, whole);
    // Cut where the buffer ends, never past it.
    EXPECT_EQ(CommandLineForLog(static_cast<int>(args.size()), args.data(), line, 12), 11u);
    EXPECT_EQ(std::string(line), whole.substr(0, 11));

    for (const auto& [folder, path] : {std::pair{"C:\\Windows\\Temp\\", "C:\\Windows\\Temp\\ORVEX-Setup.log"},
                                      std::pair{"C:\\TEMP", "C:\\TEMP\\ORVEX-Setup.log"}}) {
        char buffer[64] = {};
        std::strcpy(buffer, folder);
        DefaultLogPath(buffer, std::strlen(folder));
        EXPECT_STREQ(buffer, path);
    }
    char alternative[64] = "C:\\Windows\\Temp\\";
    DefaultLogPath(alternative, 16, 4294967295ul);
    EXPECT_STREQ(alternative, "C:\\Windows\\Temp\\ORVEX-Setup-4294967295.log");
    EXPECT_EQ(InstallerCommandLine("C:\\m\\Setup\\Vista64.exe", "/S /v\"/qn\""),
              "\"C:\\m\\Setup\\Vista64.exe\" /S /v\"/qn\"");
}

// A log file is written only when it is a plain file of one link, reached
// through no junction; boxes show only where a person can see them (what
// the system cannot tell, as on 95, 98, Me, counts as seen).
TEST(SetupRunLog, NeverThroughALinkAndBoxesOnlyWhereSeen) {
    // opened, its facts read, attributes, links, a junction on the way
    const std::pair<LogFileFacts, bool> files[] = {
        {{true, true, 0x20, 1, false}, true},   {{false, true, 0x20, 1, false}, false},
        {{true, false, 0x20, 1, false}, false}, {{true, true, 0x20, 2, false}, false},
        {{true, true, 0x420, 1, false}, false}, {{true, true, 0x10, 1, false}, false},
        {{true, true, 0x20, 1, true}, false}};
    for (const auto& [f, usable] : files) EXPECT_EQ(LogFileUsable(f), usable) << f.attributes << " " << f.links;
    // station known, visible, session known, session, major version
    const std::pair<ScreenFacts, bool> screens[] = {
        {{}, true},  {{true, true, true, 1, 6}, true}, {{true, true, true, 0, 5}, true},  // XP's console: session 0
        {{true, false, true, 1, 5}, false}, {{true, true, true, 0, 6}, false}, {{true, false, false, 0, 4}, false}};
    for (const auto& [f, seen] : screens) EXPECT_EQ(PersonCanSee(f), seen) << f.session << " " << f.majorVersion;
}

}  // namespace
}  // namespace rs
