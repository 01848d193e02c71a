// What this run was asked for on its command line, what has happened so
// far, and the one place every question of the program goes through.
#pragma once
#include <windows.h>

#include "app/outcome_rules.h"
#include "app/switches_rules.h"

namespace rs {

// Set once at start; without arguments every field keeps its default.
const SetupSwitches& Switches();
void SetSwitches(const SetupSwitches& switches);
inline bool Unattended() { return Unattended(Switches()); }

RunOutcome& Outcome();

// Every box and window that waits for an answer is asked here. Where a
// person runs the program, show() puts it on screen and its answer (IDOK,
// IDYES, ... or a modal result) is returned. An unattended run shows
// nothing: the question goes to the log, in English (its text, then a
// detail such as a file's name), with the answer that deployment tools
// expect, which is returned.
void LogQuestion(const char* caption, const char16_t* englishText, const char* detail, int answer);
template <class Show>
int Ask(const char* caption, const char16_t* englishText, int unattendedAnswer, Show&& show, const char* detail = "") {
    const int answer = Unattended() ? unattendedAnswer : show();
    LogQuestion(caption, englishText, detail, answer);
    return answer;
}

// A question in a narrow message box: its texts in `codePage` (950 for the
// Traditional Chinese ones, CP_ACP otherwise, which holds every English
// one). The log has the English text.
int AskInBox(HWND owner, const char16_t* text, const char16_t* caption, UINT style, UINT codePage,
             int unattendedAnswer, const char16_t* englishText, const char* detail = "");

// Whether this run has failed so far: a failed step or a failure noted
// in the outcome.
bool RunFailed();

// The exit code of this run (0 for a run without arguments), its last log
// line written; any failed step of the log makes it 1603.
unsigned FinishRun();

}  // namespace rs
