// The thirteen three-language text tables, indexed by DisplayLanguage.
// UTF-16 literals; conversion to the system code page happens at the edges.
#pragma once
#include <array>

namespace rs {

using DisplayLanguage = int;  // 0 English, 1 Traditional Chinese, 2 Korean
using TextTriple = std::array<const char16_t*, 3>;

extern const TextTriple txtSetupTitle;
extern const TextTriple txtReaderSetup;
extern const TextTriple txtYes;
extern const TextTriple txtNo;
extern const TextTriple txtReplugReader;
extern const TextTriple txtNotice;
extern const TextTriple txtBaseComponentsNeeded;
extern const TextTriple txtAccept;
extern const TextTriple txtReject;
extern const TextTriple txtInstallFailed;
extern const TextTriple txtInstalledCompletely;
extern const TextTriple txtRestartNeeded;
extern const TextTriple txtPlugInBeforeRestart;

// ---- Installation engine: copy-failure message parts ----
// Indexed by DisplayLanguage like the tables above; the Korean slot holds
// the English text.
extern const TextTriple txtCannotCopy;      // "Cannot Copy " + file name
extern const TextTriple txtErrorCodeIs;     // ", Error Code : " + signed code
extern const TextTriple txtErrorDiskFull;   // the whole suffix for error 112
extern const char16_t txtCopyErrorCaption[];  // "Error", every language

// ---- Installation pass, agreement window and notice window ----
// Messages stored in English and Traditional Chinese only ([0], [1]); the
// Chinese ones are shown narrow in code page 950.
using EnglishChinese = std::array<const char16_t*, 2>;

extern const char16_t txtNewerSystemQuestion[];  // path E, English only
extern const char16_t txtUnknownSystem[];        // path F, English only
extern const char16_t txtErrorCaption[];         // "Error" in every language
extern const EnglishChinese txtInstallerErrorCaption;
extern const EnglishChinese txtInstallerErrorPrefix;
extern const EnglishChinese txtInstallerInfoCaption;
extern const EnglishChinese txtRunXP64ByHand;
extern const EnglishChinese txtRunVista32ByHand;
extern const EnglishChinese txtRunVista64ByHand;

extern const char16_t txtLicenseCaption[];      // agreement window, every language
extern const char16_t txtLicenseReadHint[];     // Memo1, two lines
extern const char16_t txtLicenseAcceptQuestion[];  // Memo2, two lines
extern const char16_t txtCannotGetCurrentDirectory[];
extern const char16_t txtNoticeOk[];            // notice button, every language

// ---- Runs with switches (deployment tools): English only ----
extern const char16_t txtSwitchesCaption[];  // the help box's and the command-line box's caption
extern const char16_t txtSwitchesHelp[];     // the switches and exit codes
extern const char16_t txtLogNotOpened[];     // followed by the log's path

}  // namespace rs
