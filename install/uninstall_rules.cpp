#include "install/uninstall_rules.h"

#include <cstring>

namespace rs {
namespace {

constexpr auto File = Removal::File;
constexpr auto W = RemovalBase::Windows;
constexpr auto S = RemovalBase::System;
constexpr auto U = RemovalBase::Utility;
constexpr auto None = RemovalBase::None;

// The group first (its shortcuts point into the utility folder), then the
// utility folder's programs and whichever language's guide was installed.
constexpr RemovalItem kPathA[] = {
    {Removal::Group, None, ""},
    {File, U, "\\orvexunst.exe"},
    {File, U, "\\tkrdchk.exe"},
    {Removal::Guide, U, "WIN98"},
    // Copy rows 1, 2, 3, 6, 7; the smart card library (4, 5) is shared.
    {File, W, "\\inf\\ORVEX.inf"},
    {File, W, "\\system32\\drivers\\orvex98.cat"},
    {File, W, "\\system32\\drivers\\ORVEX.sys"},
    {File, S, "\\tkpsvc.exe"},
    {File, S, "\\procwatch.exe"},
    {Removal::KeyAndParents, None, "Software\\Tornvale\\Vireo\\ORVEX"},
    {Removal::Value, None, "Software\\Microsoft\\Windows\\CurrentVersion\\Run\0TkpSvc"},
    {Removal::Value, None, "Software\\Microsoft\\Windows\\CurrentVersion\\Run\0ProcWatch"},
};

// Copy rows 10 and 13; the library, advpack.dll and the USB drivers that
// other products use stay, with their services. The uninstall entry is the
// registration, removed on every path.
constexpr RemovalItem kPathB[] = {
    {File, W, "\\system32\\drivers\\orvex.sys"},
    {File, W, "\\inf\\orvexunst.inf"},
    {Removal::KeyTree, None, "SYSTEM\\CurrentControlSet\\Services\\ORVEX"},
    {Removal::KeyTree, None, "SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\ORVEX"},
};

constexpr RemovalItem kPathCE[] = {
    {Removal::ReaderDriver, None, ""},
    {File, W, "\\inf\\ORVEX.inf"},  // copy row 14
    {Removal::FolderFiles, U, "\\Driver"},
    {Removal::Group, None, ""},
    {File, U, "\\orvexunst.exe"},
    {File, U, "\\tkrdchk.exe"},
    {Removal::Guide, U, "WINXP"},
};

// The vendor's installer removes what it wrote.
constexpr RemovalItem kPathD[] = {{File, W, "\\inf\\ORVEX.inf"}};

constexpr const char* kShortcuts[] = {"\\Uninstall ORVEX Reader.lnk", "\\ORVEX Diagnostics.lnk",
                                      "\\Installation Guide.lnk"};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

}  // namespace

const std::span<const char* const> kGroupShortcuts = kShortcuts;

std::span<const RemovalItem> RemovalPlan(PlatformCode platform) {
    switch (platform) {
    case 1: case 2: case 3: return kPathA;
    case 4: return kPathB;
    case 5: case 6: case 8: case 11: return kPathCE;
    case 7: case 9: case 10: return kPathD;
    default: return {};
    }
}

void TakeRemovals(RunOutcome& outcome, const RemovalTally& tally) {
    outcome.removal = true;
    outcome.completed = true;
    outcome.nothingFound = tally.found == 0;
    if (tally.delayed) outcome.restart = RestartNeed::Needed;
}

bool WithRemoval(char* section, std::size_t length, std::size_t capacity, const char* shortPath) {
    const std::size_t size = std::strlen(shortPath);
    // "NUL=", the path, its NUL and the section's closing NUL.
    if (length + 4 + size + 2 > capacity) return false;
    char* end = section + length;
    std::memcpy(end, "NUL=", 4);
    std::memcpy(end + 4, shortPath, size);
    end[4 + size] = end[5 + size] = '\0';
    return true;
}

bool SamePath(std::string_view a, std::string_view b) {
    while (!a.empty() && a.back() == '\\') a.remove_suffix(1);
    while (!b.empty() && b.back() == '\\') b.remove_suffix(1);
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

}  // namespace rs
