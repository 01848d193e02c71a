#include <charconv>

#include "install/copy_table.h"

namespace rs {

namespace {
constexpr auto W = DestinationBase::Windows;
constexpr auto S = DestinationBase::System;
constexpr auto WindowStays = OnCopyFailure::StopWindowStays;
constexpr auto ProgramEnds = OnCopyFailure::StopProgramEnds;
constexpr auto GoOn = OnCopyFailure::GoOn;
constexpr auto NoCheck = OnCopyFailure::NoCheck;
constexpr bool Sys = true;   // a system component: a newer installed one stays
constexpr bool Own = false;  // the reader's own files, copied as they are
}  // namespace

const std::array<CopyRow, 14> kCopyTable = {{
    {1, kReaderInfSource, W, "\\inf\\ORVEX.inf", "ORVEX.inf", WindowStays, Own},
    {2, ".\\drivers\\orvex98.cat", W, "\\system32\\drivers\\orvex98.cat", nullptr, NoCheck, Own},
    {3, ".\\drivers\\ORVEX.sys", W, "\\system32\\drivers\\ORVEX.sys", "ORVEX.sys", WindowStays, Own},
    {4, ".\\smclib\\smclib.sys", W, "\\system32\\drivers\\smclib.sys", "smclib.sys", WindowStays, Sys},
    {5, ".\\smclib\\smclib.vxd", S, "\\smclib.vxd", "smclib.vxd", WindowStays, Sys},
    {6, ".\\drivers\\tkpsvc.exe", S, "\\tkpsvc.exe", "tkpsvc.exe", GoOn, Own},
    {7, ".\\drivers\\procwatch.exe", S, "\\procwatch.exe", "procwatch.exe", GoOn, Own},
    {8, ".\\smclib\\smclib.sys", W, "\\system32\\drivers\\smclib.sys", "smclib.sys", ProgramEnds, Sys},
    {9, ".\\smclib\\advpack.dll", W, "\\System32\\advpack.dll", "advpack.dll", ProgramEnds, Sys},
    {10, ".\\drivers\\winnt4\\orvex.sys", W, "\\system32\\drivers\\orvex.sys", "orvex.sys", ProgramEnds, Own},
    {11, ".\\drivers\\winnt4\\wdusbd.sys", W, "\\system32\\drivers\\wdusbd.sys", "wdusbd.sys", WindowStays, Own},
    {12, ".\\drivers\\winnt4\\windrvr.sys", W, "\\system32\\drivers\\windrvr.sys", "windrvr.sys", ProgramEnds, Own},
    {13, ".\\drivers\\winnt4\\orvexunst.inf", W, "\\inf\\orvexunst.inf", nullptr, NoCheck, Own},
    {14, kReaderInfSource, W, "\\inf\\ORVEX.inf", nullptr, NoCheck, Own},
}};

const CopyRow& CopyTableRow(int number) { return kCopyTable.at(static_cast<std::size_t>(number - 1)); }

CopyPath PathOfRow(const CopyRow& row) {
    if (row.number <= 7) return CopyPath::A;
    if (row.number <= 13) return CopyPath::B;
    return CopyPath::CD;
}

bool KeepsInstalledComponent(FileVersion installed, FileVersion medium) {
    return installed.present && (!medium.present || medium.value < installed.value);
}

bool ReportsCopyFailure(const CopyRow& row, std::int32_t errorCode) {
    constexpr std::int32_t kSharingViolation = 32;
    switch (row.onFailure) {
    case OnCopyFailure::NoCheck: return false;
    case OnCopyFailure::GoOn: return errorCode != kSharingViolation;
    default: return true;
    }
}

std::array<std::u16string, 3> BuildCopyFailureTexts(const std::u16string& fileName, std::int32_t errorCode) {
    constexpr std::int32_t kDiskFull = 112;
    std::u16string code;
    if (errorCode != kDiskFull) {
        char digits[16];  // "-2147483648" is the longest a 32-bit code gets
        const auto written = std::to_chars(digits, digits + sizeof digits, errorCode);
        for (const char* c = digits; c != written.ptr; ++c) code.push_back(static_cast<char16_t>(*c));
    }
    std::array<std::u16string, 3> texts;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        texts[i] = txtCannotCopy[i];
        texts[i] += fileName;
        if (errorCode == kDiskFull) {
            texts[i] += txtErrorDiskFull[i];
        } else {
            texts[i] += txtErrorCodeIs[i];
            texts[i] += code;
        }
    }
    return texts;
}

}  // namespace rs
