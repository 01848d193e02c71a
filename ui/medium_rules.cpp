#include "ui/medium_rules.h"

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
        const bool reader = std::string(row.source) == kReaderInfSource;
        reads.push_back({row.source, inf ? MediumItem::Inf : MediumItem::File,
                         "copy table row " + std::to_string(row.number), false,
                         reader ? InfUse::PlugAndPlay : InfUse::Other});
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
