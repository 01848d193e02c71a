// What a run changed: snapshots of drive_c and of the registry files taken
// before and after, compared with Wine's own changes left out.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>

namespace e2e {

struct FileEntry {
    bool dir = false;
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;
    std::string link;  // symbolic link target
    bool readOnly = false;  // no write bit: what Wine reports as FILE_ATTRIBUTE_READONLY
    bool operator==(const FileEntry&) const = default;
};
// Paths relative to drive_c, '/'-separated, case as on disk.
using FileSnapshot = std::map<std::string, FileEntry>;
FileSnapshot SnapshotFiles(const std::string& driveC);

// Registry: full key path ("HKLM\Software\...", "HKCU\...") -> value name
// ("" for the default value) -> data as Wine stores it ("\"text\"" unescaped
// to text for REG_SZ; "dword:00000001"; "str(2):..."; "hex:..").
using RegValues = std::map<std::string, std::string>;
using RegistrySnapshot = std::map<std::string, RegValues>;
RegistrySnapshot ParseRegFile(const std::string& text, const std::string& root);
RegistrySnapshot SnapshotRegistry(const std::string& prefix);

struct Audit {
    std::set<std::string> filesCreated, filesChanged, filesDeleted;  // dirs end in '/'
    std::set<std::string> keysCreated, keysDeleted;
    std::map<std::string, std::string> valuesWritten;  // "KEY\\[name]" -> new data (added or changed)
    std::set<std::string> valuesDeleted;               // "KEY\\[name]"
    std::set<std::string> leftReadOnly;  // created or changed entries that are read-only
    bool Empty() const;
    std::string Describe() const;
};
Audit Compare(const FileSnapshot& fb, const FileSnapshot& fa, const RegistrySnapshot& rb, const RegistrySnapshot& ra);
// "KEY\\[name]" as Audit uses it.
std::string ValueId(const std::string& key, const std::string& name);

// Registry ignore rules, documented in e2e_audit.cpp.
bool IgnoredKey(const std::string& key);
bool IgnoredValue(const std::string& key, const std::string& name);

}  // namespace e2e
