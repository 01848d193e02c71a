// What /uninstall removes on each installation path, and what it keeps:
// the shared components, and anything the installation did not write.
// Plain data, host-tested; the engine (uninstall.cpp) walks it in order.
#pragma once
#include <cstdint>
#include <span>
#include <string_view>

#include "app/outcome_rules.h"
#include "app/platform_rules.h"

namespace rs {

enum class Removal : unsigned char {
    File,           // one file
    FolderFiles,    // every file directly in a folder only the installation makes, then the folder
    Value,          // a value of a key
    KeyTree,        // a key with every key beneath it
    KeyAndParents,  // the same, then its parents left empty (not the top one)
    Group,          // the shortcuts in the "ORVEX Utility" groups, then the groups
    Guide,          // the guide of every language: "\<E, C or K><path>.htm", and its ".files" as FolderFiles
    ReaderDriver,   // the reader's device nodes and driver packages
};
// Where a File or folder item's path begins; registry items take none.
enum class RemovalBase : unsigned char { None, Windows, System, Utility };

struct RemovalItem {
    Removal what;
    RemovalBase base;
    // Appended to the base (starts with '\'), or the key under HKLM; a
    // Value's name follows the key after its NUL.
    const char* path;
};

// The path's own items in removal order; the registration and the kept
// copy follow on every path, then the utility folder where it is left
// empty. Nothing for a platform with no installation path.
std::span<const RemovalItem> RemovalPlan(PlatformCode platform);

// The "ORVEX Utility" group, appended to a Programs folder, and the
// shortcut files in it, appended to the group.
inline constexpr char kGroupFolder[] = "\\ORVEX Utility";
extern const std::span<const char* const> kGroupShortcuts;

// What the removals found and did, for the exit code.
struct RemovalTally {
    unsigned found = 0;    // items that were there
    unsigned delayed = 0;  // removed only at the next restart (the run's own files not counted)
};

// Into the outcome: nothing found is 1605, a delayed removal asks for the
// restart; failed steps are counted by the log (1603).
void TakeRemovals(RunOutcome& outcome, const RemovalTally& tally);

// A profile section as the system reads and writes it whole ("NUL=x",
// NUL, "NUL=y", NUL, ..., a second NUL; `length` bytes before that one)
// with one more file for 95, 98 and Me to delete as they start:
// "NUL=<short path>" at its end. False, and nothing changed, when it would
// not fit in `capacity` bytes.
bool WithRemoval(char* section, std::size_t length, std::size_t capacity, const char* shortPath);

// Whether two paths name the same file system entry by their text
// (letter case ignored, a trailing '\' too).
bool SamePath(std::string_view a, std::string_view b);

}  // namespace rs
