#include "app/run_context.h"

#include <windows.h>

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

void LogQuestion(const char* caption, const std::string& englishText, int answer, bool unattended) {
    runlog::Line(unattended ? "question \"%s\": %s -> %s (unattended)" : "question \"%s\": %s -> %s", caption,
                 englishText.c_str(), AnswerName(answer));
}

void NoteFailure(const std::string& what) {
    runlog::Line("%s", what.c_str());
    Outcome().failed = true;
}

unsigned FinishRun() {
    if (!Switches().given) return 0;
    const unsigned code = ExitCodeFor(Outcome(), Unattended());
    runlog::Line("exit code %u: %s", code, ExitCodeMeaning(code));
    return code;
}

}  // namespace rs
