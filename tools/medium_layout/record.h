// The record a medium carries at its root (.make-medium): every folder, and
// every file with its size and SHA-256, as the medium was finally laid out
// (signed, when it was). A later run replaces the medium only while it still
// holds exactly that.
#pragma once
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace rs::medium {

namespace fs = std::filesystem;

// Written into every medium laid out; setup.exe never reads it.
inline constexpr const char* kRecordName = ".make-medium";

// What a folder holds, by '/'-separated relative path: "folder",
// "file SIZE SHA256", or what else stands there ("a link to T", "a file
// that cannot be read (reason)", ...), which no record lists.
using Contents = std::map<std::string, std::string>;

// Everything below `root` but the record at its root, links not followed.
Contents ContentsOf(const fs::path& root);

std::string RecordText(const Contents& contents);

enum class RecordKind { Current, Older, Damaged };
struct Record {
    RecordKind kind = RecordKind::Damaged;
    Contents contents;
    std::string damage;  // where a damaged record stops making sense
};
Record ParseRecord(const std::string& text);

// Each path that is not as recorded, with how, for a person: "NAME: added",
// "NAME: missing", "NAME: changed (...)"; what lies inside a folder added or
// missing is not listed on its own.
std::vector<std::string> Differences(const Contents& recorded, const Contents& now);

}  // namespace rs::medium
