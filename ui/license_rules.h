// Agreement window logic without Windows: the base components' installer
// command per platform, the completion test on the marker, and the shape of
// the licence text for a memo.
#pragma once
#include <cstdint>
#include <string>

#include "app/platform_rules.h"

namespace rs {

// The base components' INF as the command names it: relative to the
// current directory, except on Me (through the current directory itself).
std::string BaseComponentsInfPath(PlatformCode platform, const std::string& currentDirectory);

// The INF installer's command line for platforms 1 to 4; empty otherwise.
// Me names the INF through the current directory as the system reports it,
// so a root directory ("D:\") gives two backslashes in a row, kept as is.
// Mode 132 asks the user before a restart the components need; 128, for a
// run nobody watches, never restarts (the run's exit code says it instead).
std::string BaseComponentsCommand(PlatformCode platform, const std::string& windowsDirectory,
                                  const std::string& currentDirectory, bool askBeforeRestart = true);

// How long a run nobody watches waits for the components' marker after
// starting their installer; a person's run waits as long as it takes.
inline constexpr std::uint32_t kBaseComponentsWaitMs = 5 * 60 * 1000;
// Whether that wait is over (tick counts, safe across their wrap).
bool BaseComponentsWaitOver(std::uint32_t startTick, std::uint32_t nowTick);

// Letters a to z become A to Z; every other byte is kept.
std::string UpperAscii(const std::string& text);

// The 95/98/Me marker: RunServices "SCardSvr" naming the system
// directory's SCardSvr.exe, compared byte-wise after upper-casing.
bool IsSmartCardServiceMarker(const std::string& value, const std::string& systemDirectory);

// The companion program's Run value written on Accept (95/98/Me).
std::string CompanionRunValue(const std::string& systemDirectory);

// Memo line breaks: a lone LF becomes CR LF; CR LF pairs stay.
std::string ToMemoLineBreaks(const std::string& text);

}  // namespace rs
