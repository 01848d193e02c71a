#include "entry/switches_run.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "app/language.h"
#include "app/platform.h"
#include "app/run_context.h"
#include "app/texts.h"
#include "base/run_log.h"
#include "entry/uninstall_run.h"
#include "toolkit/application.h"
#include "ui/setup_form.h"
#include "ui/setup_pass_rules.h"

namespace rs {
namespace {

constexpr char kGlobalMarkName[] = "Global\\ORVEX-Reader-Setup";
constexpr const char* kMarkName = kGlobalMarkName + 7;

char PathLetter(InstallPath path) { return static_cast<char>('A' + static_cast<int>(path)); }

// The last `c` in `text`; nullptr when there is none.
char* LastOf(char* text, char c) {
    char* last = nullptr;
    for (; *text; ++text)
        if (*text == c) last = text;
    return last;
}

// Whether a person can see this process's boxes (a deployment tool's
// system account runs where nobody can). Looked up at run time: 95, 98 and
// Me have no window stations.
bool BoxesSeen() {
    using StationFn = HWINSTA(WINAPI*)();
    using ObjectInfoFn = BOOL(WINAPI*)(HANDLE, int, PVOID, DWORD, LPDWORD);
    using SessionFn = BOOL(WINAPI*)(DWORD, DWORD*);
    // Both are loaded already: the program imports from them.
    HMODULE user = GetModuleHandleA("user32.dll"), kernel = GetModuleHandleA("kernel32.dll");
    const auto station =
        reinterpret_cast<StationFn>(reinterpret_cast<void*>(GetProcAddress(user, "GetProcessWindowStation")));
    const auto objectInfo =
        reinterpret_cast<ObjectInfoFn>(reinterpret_cast<void*>(GetProcAddress(user, "GetUserObjectInformationA")));
    const auto session =
        reinterpret_cast<SessionFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "ProcessIdToSessionId")));
    ScreenFacts f;
    USEROBJECTFLAGS flags{};
    DWORD size = 0;
    HWINSTA current = station && objectInfo ? station() : nullptr;
    f.stationKnown = current && objectInfo(current, UOI_FLAGS, &flags, sizeof flags, &size);
    f.stationVisible = (flags.dwFlags & WSF_VISIBLE) != 0;
    f.sessionKnown = session && session(GetCurrentProcessId(), &f.session);
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    f.majorVersion = version.dwMajorVersion;
    return PersonCanSee(f);
}

// A box of a run with switches: what is wrong (a text, then the argument
// or file it is about), then, apart, the switches and exit codes where asked.
void ShowBox(const char* problem, const char* detail, bool withHelp) {
    const std::string help = withHelp ? ToCodePage(txtSwitchesHelp, CP_ACP) : std::string();
    char text[1025];  // wsprintf's most; the detail is cut short, never the help
    wsprintfA(text, "%s%.260s%s%s", problem, detail, *problem && withHelp ? "\r\n\r\n" : "", help.c_str());
    MessageBoxA(nullptr, text, ToCodePage(txtSwitchesCaption, CP_ACP).c_str(),
                MB_OK | (*problem ? MB_ICONERROR : MB_ICONINFORMATION));
}

// The log named on the command line; else, for an unattended run or a
// wrong command line, ORVEX-Setup.log in %TEMP%, or when that one cannot be
// used (a link) a name of this run's own beside it, whose path goes to
// `passedOver`. False when a log was wanted and none could be opened.
using LogPath = char[MAX_PATH + 1 + 28];
bool OpenLog(const SetupSwitches& s, LogPath& passedOver) {
    if (s.logPath && *s.logPath) return runlog::Open(s.logPath);
    if (!Unattended(s) && !s.problem) return true;
    LogPath path;
    const DWORD n = GetTempPathA(MAX_PATH + 1, path);
    if (n == 0 || n > MAX_PATH) return false;
    DefaultLogPath(path, n);
    if (runlog::Open(path)) return true;
    std::memcpy(passedOver, path, sizeof path);
    DefaultLogPath(path, n, GetCurrentProcessId());
    return runlog::Open(path);
}

// The toolkit's report of an escaped exception (a failed shortcut) is a
// question like any other: a box for a person, the log otherwise.
void ReportException(const std::string& text) {
    Outcome().failed = true;
    Ask("Error", u"", IDOK, [&text] {
        tk::App().ShowExceptionBox(text);
        return IDOK;
    }, text.c_str());
}

}  // namespace

unique_handle HoldRunningMark(bool& anotherRunning) {
    // Global: a deployment tool's run as the system account and a person's
    // run in their own session see one mark. Systems without terminal
    // services refuse the prefix; the plain name is theirs.
    unique_handle mark(CreateMutexA(nullptr, FALSE, kGlobalMarkName));
    if (!mark) mark.reset(CreateMutexA(nullptr, FALSE, kMarkName));
    anotherRunning = mark && GetLastError() == ERROR_ALREADY_EXISTS;
    return mark;
}

unsigned RunWithSwitches(int count, const char* const* args, bool anotherRunning) {
    SetSwitches(ParseSwitches(count, args));
    const SetupSwitches& s = Switches();
    const bool boxes = s.mode != RunMode::Quiet && BoxesSeen();
    if (s.help && !s.problem) {
        if (boxes) ShowBox("", "", true);
        return exitcode::kInstalled;
    }

    // The log's line holds 1024 characters at the most: so do these. The
    // log is opened in the folder the run was started in (a relative /log
    // path is the administrator's), then the medium is read beside setup.exe.
    char started[MAX_PATH], module[1025], medium[1025], commandLine[1025];
    LogPath passedOver = "";
    const DWORD startedLength = GetCurrentDirectoryA(sizeof started, started);
    started[startedLength < sizeof started ? startedLength : 0] = '\0';
    const bool logged = OpenLog(s, passedOver);
    const DWORD n = GetModuleFileNameA(nullptr, module, sizeof module);
    module[n < sizeof module ? n : 0] = '\0';
    std::memcpy(medium, module, sizeof module);
    char* name = LastOf(medium, '\\');
    if (name) name[name == medium + 2] = '\0';  // a drive's root keeps its backslash
    const bool inMedium = name && SetCurrentDirectoryA(medium);
    const DWORD mediumError = GetLastError();

    const PlatformCode platform = DetectPlatform();
    const InstallPath path = PathForPlatform(platform);
    // The version as the window's title shows it: its last word.
    std::string title = ToCodePage(txtSetupTitle[0], CP_ACP);
    const char* version = LastOf(title.data(), ' ');
    CommandLineForLog(count, args, commandLine, sizeof commandLine);
    runlog::Line("setup.exe %s started: \"%s\" in \"%s\", medium \"%s\", command line \"%s\", platform %d (%s), "
                 "path %c",
                 version ? version + 1 : "", module, started, medium, commandLine, platform, PlatformName(platform),
                 PathLetter(path));
    if (*passedOver) runlog::Line("\"%s\" is a link or cannot be opened: this log takes its place", passedOver);

    if (s.problem) {
        runlog::Line("wrong command line: %s%s", s.problem, s.problemArgument);
        Outcome().badCommandLine = true;
        if (boxes) ShowBox(s.problem, s.problemArgument, true);
    } else if (!logged) {
        Outcome().logNotOpened = true;
        const char* log = s.logPath && *s.logPath ? s.logPath : passedOver;
        if (boxes) ShowBox(ToCodePage(txtLogNotOpened, CP_ACP).c_str(), log, false);
    } else if (!inMedium) {
        runlog::Step(false, mediumError, "the medium's folder \"%s\" as the current folder", medium);
        Outcome().failed = true;
    } else if (Unattended(s) && anotherRunning) {
        runlog::Line("another setup.exe is running: nothing done");
        Outcome().alreadyRunning = true;
    } else if (s.uninstall) {
        RunUninstall(platform, medium);
    } else if (Unattended(s) && (path == InstallPath::A || path == InstallPath::B) && !s.acceptLicense) {
        // Decided before anything is written: without the administrator's
        // acceptance the base components, and so the reader, cannot be installed.
        runlog::Line("the base components' licence needs /acceptlicense: nothing done");
        Outcome().declined = true;
    } else {
        tk::App().SetExceptionReport(&ReportException);
        void (*const unattendedStart)() = [] { SetupForm->RunUnattended(); };
        RunWindows(s.mode != RunMode::Quiet, Unattended(s) ? unattendedStart : nullptr);
    }
    return FinishRun();
}

}  // namespace rs
