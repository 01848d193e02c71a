#include "release_medium/medium_rules.h"

#include "install/copy_table.h"
#include "pnpbind/pnpbind_rules.h"
#include "shell/utilities_rules.h"
#include "ui/license_rules.h"
#include "ui/setup_pass_rules.h"

namespace rs {
namespace {

constexpr const char* kLanguageNames[] = {"English", "Traditional Chinese", "Korean"};

bool EndsWithInf(const std::string& name) {
    return name.size() >= 4 && UpperAscii(name.substr(name.size() - 4)) == ".INF";
}

void AddCopyRows(std::vector<MediumRead>& reads, CopyPath path) {
    for (const CopyRow& row : kCopyTable) {
        if (PathOfRow(row) != path) continue;
        // The reader's INF is stored under another extension: the installed
        // name tells what it is.
        const bool inf = EndsWithInf(row.source) || EndsWithInf(row.tail);
        // On path A nothing else gives the reader its driver: Plug and Play
        // matches it by the reader's INF. Later paths bind it by the binding
        // INF or the platform's installer; their copy is not even checked.
        const bool matches = std::string(row.source) == kReaderInfSource && path == CopyPath::A;
        reads.push_back({row.source, inf ? MediumItem::Inf : MediumItem::File,
                         "copy table row " + std::to_string(row.number), false,
                         matches ? InfUse::PlugAndPlay : InfUse::Other,
                         inf ? "installed into the Windows inf folder" : ""});
    }
}

void AddUtilitiesAndGuide(std::vector<MediumRead>& reads, PlatformCode platform) {
    for (const UtilityCopy& program : kUtilityCopies)
        reads.push_back({program.source, MediumItem::File, "utility program"});
    for (DisplayLanguage language = 0; language < 3; ++language) {
        const std::string name = kLanguageNames[language];
        reads.push_back({kGuideSource + GuidePageName(language, platform), MediumItem::File, "guide page, " + name});
        reads.push_back(
            {kGuideSource + GuideFolderName(language, platform), MediumItem::Folder, "guide folder, " + name});
    }
}

}  // namespace

bool MayBe64Bit(PlatformCode platform) {
    // The versions Windows came in 64-bit: 5.1 (Itanium) and 5.2 to 10.0.
    constexpr std::uint32_t kVersions[][2] = {{5, 1}, {5, 2}, {6, 0}, {6, 1}, {6, 2}, {6, 3}, {10, 0}};
    constexpr std::uint16_t kArchIa64 = 6, kArchAmd64 = 9;
    for (const auto& version : kVersions)
        for (std::uint16_t productType = 1; productType <= 3; ++productType)
            for (std::uint16_t arch : {kArchIa64, kArchAmd64})
                if (ClassifyPlatform({version[0], version[1], 2, productType, arch}) == platform) return true;
    return false;
}

const std::vector<WindowsRelease>& WindowsReleases() {
    constexpr std::uint32_t k9x = 1, kNt = 2;
    constexpr std::uint16_t kClient = 1, kServer = 3, kX86 = 0, kX64 = 9;
    static const std::vector<WindowsRelease> releases = {
        {"Windows 95", {4, 0, k9x, 0, kX86}, 950},
        {"Windows 98", {4, 10, k9x, 0, kX86}, 1998},
        {"Windows Me", {4, 90, k9x, 0, kX86}, 3000},
        {"Windows NT 4.0", {4, 0, kNt, kClient, kX86}, 1381},
        {"Windows 2000", {5, 0, kNt, kClient, kX86}, 2195},
        {"Windows XP (32-bit)", {5, 1, kNt, kClient, kX86}, 2600},
        {"Windows XP x64 (64-bit)", {5, 2, kNt, kClient, kX64}, 3790},
        {"Windows Server 2003 (32-bit)", {5, 2, kNt, kServer, kX86}, 3790},
        {"Windows Server 2003 x64 (64-bit)", {5, 2, kNt, kServer, kX64}, 3790},
        {"Windows Vista (32-bit)", {6, 0, kNt, kClient, kX86}, 6000},
        {"Windows Vista (64-bit)", {6, 0, kNt, kClient, kX64}, 6000},
        {"Windows 7 (32-bit)", {6, 1, kNt, kClient, kX86}, 7600},
        {"Windows 7 (64-bit)", {6, 1, kNt, kClient, kX64}, 7600},
        {"Windows 8 (32-bit)", {6, 2, kNt, kClient, kX86}, 9200},
        {"Windows 8 (64-bit)", {6, 2, kNt, kClient, kX64}, 9200},
        {"Windows 8.1 (32-bit)", {6, 3, kNt, kClient, kX86}, 9600},
        {"Windows 8.1 (64-bit)", {6, 3, kNt, kClient, kX64}, 9600},
        {"Windows 10 (32-bit)", {10, 0, kNt, kClient, kX86}, 10240},
        {"Windows 10 (64-bit)", {10, 0, kNt, kClient, kX64}, 10240},
        {"Windows 11 (64-bit)", {10, 0, kNt, kClient, kX64}, 22000},  // never 32-bit
    };
    return releases;
}

std::vector<MediumRead> MediumReadsOn(const WindowsRelease& release) {
    std::vector<MediumRead> reads;
    for (MediumRead& read : MediumReadsOn(ClassifyPlatform(release.version)))
        if (!read.only64Bit || release.version.architecture != 0) reads.push_back(std::move(read));
    return reads;
}

std::vector<MediumRead> MediumReadsOn(PlatformCode platform) {
    const std::string here = ".\\";
    const std::string library(pnpbind::kLibraryName);
    // The library is imported at load time: every start needs it.
    std::vector<MediumRead> reads = {
        {here + kSetupProgramName, MediumItem::File, "the setup program"},
        {here + library, MediumItem::File, "binding library, loaded with setup.exe"},
    };
    switch (PathForPlatform(platform)) {
        case InstallPath::A:
            AddCopyRows(reads, CopyPath::A);
            AddUtilitiesAndGuide(reads, platform);
            reads.push_back({BaseComponentsInfPath(platform, "."), MediumItem::Inf, "base components INF"});
            break;
        case InstallPath::B:
            AddCopyRows(reads, CopyPath::B);
            reads.push_back({BaseComponentsInfPath(platform, "."), MediumItem::Inf, "base components INF"});
            break;
        case InstallPath::C:
        case InstallPath::E:
            reads.push_back({BindingInfPath(platform, "."), MediumItem::Inf, "binding INF", false, InfUse::Binding});
            // Under 64-bit Windows the library binds through its helper.
            if (MayBe64Bit(platform))
                reads.push_back({pnpbind::HelperPathBeside(here + library), MediumItem::File, "64-bit binding helper",
                                 true});
            AddUtilitiesAndGuide(reads, platform);
            AddCopyRows(reads, CopyPath::CD);
            break;
        case InstallPath::D:
            AddCopyRows(reads, CopyPath::CD);
            reads.push_back({FolderOfModule(here + kSetupProgramName) + ExternalInstallerName(platform),
                             MediumItem::File, "external installer"});
            break;
        case InstallPath::F:
            break;
    }
    return reads;
}

}  // namespace rs
