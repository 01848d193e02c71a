// Choices of the installation pass that need no Windows: the path per
// platform, the INF handed to the binding, the external installer's name
// and its messages, and the progress positions each path reaches.
#pragma once
#include <string>

#include "app/platform_rules.h"
#include "app/texts.h"

namespace rs {

enum class InstallPath { A, B, C, D, E, F };

InstallPath PathForPlatform(PlatformCode platform);

// Progress bar positions: what each path has done when it sets them.
namespace progress {
constexpr int kStart = 0;
constexpr int kFilesCopied = 1;        // A, B
constexpr int kRegistryDone = 2;       // A (with the cleanup), B
constexpr int kUtilitiesDone = 3;      // A
constexpr int kServiceStarted = 1;     // C, D
constexpr int kDriverBound = 2;        // C
constexpr int kUtilitiesInstalled = 3; // C
constexpr int kInfCopied = 4;          // C
constexpr int kInfCopiedD = 2;         // D
constexpr int kInstallerPathBuilt = 3; // D
constexpr int kWindowDisabled = 4;     // D
}  // namespace progress

// Windows 2000 binds from the absolute path under the current directory;
// every other path-C platform from the relative one, unless the full path
// is asked for (a run with switches: the binding and staging are handed
// full paths, whatever folders they resolve paths in).
std::string BindingInfPath(PlatformCode platform, const std::string& currentDirectory, bool fullPath = false);

// "XP64.exe", "Vista32.exe", "Vista64.exe"; empty for other platforms.
std::string ExternalInstallerName(PlatformCode platform);

// The folder of a module's full file name, with its trailing backslash
// (empty when the name has none).
std::string FolderOfModule(const std::string& moduleFileName);

// Path D's two boxes after a failed start. Chinese only for language 1,
// English otherwise (Korean included).
struct InstallerFailureTexts {
    std::u16string errorCaption;
    std::u16string errorText;  // prefix followed by the system's text
    std::u16string infoCaption;
    std::u16string infoText;
};

// The text naming the installer to run by hand, per platform.
const EnglishChinese& RunByHandTexts(PlatformCode platform);
InstallerFailureTexts BuildInstallerFailureTexts(PlatformCode platform, DisplayLanguage language,
                                                 const std::u16string& systemMessage);

// One press of Yes or No at a time. The press feedback processes messages,
// so without this a second click or key (a double click, "yy") would run a
// whole second installation nested inside the first. A Yes pass that hands
// over to the agreement window stays under way until that window closes;
// one that leaves the window asking frees it at once.
class PressGuard {
public:
    // False while a press is under way: the new one is ignored.
    bool Begin();
    // The press's handler has returned (normally or by an exception);
    // handedOver: the DelayTimer is armed for the agreement window.
    void End(bool handedOver);
    // The agreement window's modal showing has ended.
    void AgreementClosed();
    bool UnderWay() const { return state_ != State::Free; }

private:
    enum class State { Free, Pressed, HandedOver };
    State state_ = State::Free;
};

}  // namespace rs
