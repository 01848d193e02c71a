// The fourteen rows of driver files, as data the installation pass walks
// (rows of its path in order; a failed copy reported where
// ReportsCopyFailure says so), and the building of the copy-failure texts.
// No Windows here.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "app/texts.h"

namespace rs {

enum class OnCopyFailure { StopWindowStays, StopProgramEnds, GoOn, NoCheck };
enum class DestinationBase { Windows, System };

struct CopyRow {
    int number;                 // 1..14
    const char* source;         // relative to the current directory
    DestinationBase base;
    const char* tail;           // appended to the base folder; begins with '\'
    const char* nameInMessage;  // nullptr: never reported
    OnCopyFailure onFailure;
    // A system component the medium also ships: a newer installed one stays
    // (KeepsInstalledComponent).
    bool systemComponent;
};

// The reader's INF, stored under another extension and installed into the
// system's INF folder, where Plug and Play matches the reader by it.
inline constexpr const char* kReaderInfSource = ".\\drivers\\ORVEX.ncp";

extern const std::array<CopyRow, 14> kCopyTable;
const CopyRow& CopyTableRow(int number);  // 1-based

// The rows one installation path walks, in copy order.
enum class CopyPath { A, B, CD };
CopyPath PathOfRow(const CopyRow& row);

// Whether a failed copy of this row is told to the user: never for rows
// not checked, never for a sharing violation (32) on rows that go on.
bool ReportsCopyFailure(const CopyRow& row, std::int32_t errorCode);

// A file's version as its version resource gives it, most significant
// part first; none when the file carries no version.
struct FileVersion {
    bool present = false;
    std::uint64_t value = 0;
};

// Whether an installed system component stays instead of the medium's copy:
// only where it carries a version and the medium's carries none or a lower
// one. Two files without versions: the medium's is copied.
bool KeepsInstalledComponent(FileVersion installed, FileVersion medium);

// The three slots' texts (English, Traditional Chinese, Korean slot) for a
// failure with this signed error code; grown to whatever length they need.
std::array<std::u16string, 3> BuildCopyFailureTexts(const std::u16string& fileName, std::int32_t errorCode);

}  // namespace rs
