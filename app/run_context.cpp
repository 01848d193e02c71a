#include "app/run_context.h"

#include <windows.h>

#include "app/language.h"
#include "base/run_log.h"

namespace rs {
namespace {

SetupSwitches& StoredSwitches() {
    static SetupSwitches switches;
    return switches;
}

const char* AnswerName(int answer) {
    switch (answer) {
        case IDOK: return "OK";
        case IDCANCEL: return "Cancel";
        case IDYES: return "Yes";
        case IDNO: return "No";
        default: return "closed";
    }
}

}  // namespace

const SetupSwitches& Switches() { return StoredSwitches(); }
void SetSwitches(const SetupSwitches& switches) { StoredSwitches() = switches; }

RunOutcome& Outcome() {
    static RunOutcome outcome;
    return outcome;
}

void LogQuestion(const char* caption, const char16_t* englishText, const char* detail, int answer) {
    runlog::Line("question \"%s\": %s%s -> %s%s", caption, ToCodePage(englishText, CP_ACP).c_str(), detail,
                 AnswerName(answer), Unattended() ? " (unattended)" : "");
}

int AskInBox(HWND owner, const char16_t* text, const char16_t* caption, UINT style, UINT codePage,
             int unattendedAnswer, const char16_t* englishText, const char* detail) {
    const std::string t = ToCodePage(text, codePage);
    const std::string c = ToCodePage(caption, codePage);
    return Ask("Error", englishText, unattendedAnswer, [&] { return MessageBoxA(owner, t.c_str(), c.c_str(), style); },
               detail);
}

bool RunFailed() { return Outcome().failed || runlog::Failures() != 0; }

unsigned FinishRun() {
    if (!Switches().given) return 0;
    Outcome().failed = RunFailed();
    const unsigned code = ExitCodeFor(Outcome(), Unattended());
    runlog::Line("exit code %u: %s", code, ExitCodeMeaning(code, Outcome().removal));
    return code;
}

}  // namespace rs
