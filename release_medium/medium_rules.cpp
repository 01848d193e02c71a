#include "release_medium/medium_rules.h"

#include <tuple>
#include <unordered_map>

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

constexpr std::uint32_t k9x = 1, kNt = 2;
constexpr std::uint16_t kClient = 1, kController = 2, kServer = 3, kX86 = 0, kX64 = 9;
// OSVERSIONINFOEX: VER_SUITE_TERMINAL (0x10) is always set;
// VER_SUITE_SINGLEUSERTS (0x100) is set unless the system runs as an
// application server, which the servers here, as installed, do not. Windows
// 2000 and earlier read no suite mask from an INF.
constexpr std::uint32_t kSuite = 0x110;

std::vector<WindowsRelease> MakeReleases() {
    std::vector<WindowsRelease> list = {
        {"Windows 95", {4, 0, k9x, 0, kX86}, 950, 0},
        {"Windows 98", {4, 10, k9x, 0, kX86}, 1998, 0},
        {"Windows Me", {4, 90, k9x, 0, kX86}, 3000, 0},
        {"Windows NT 4.0", {4, 0, kNt, kClient, kX86}, 1381, 0},
        {"Windows 2000", {5, 0, kNt, kClient, kX86}, 2195, 0},
        {"Windows XP (32-bit)", {5, 1, kNt, kClient, kX86}, 2600, kSuite},
        {"Windows XP x64 (64-bit)", {5, 2, kNt, kClient, kX64}, 3790, kSuite},
        {"Windows Vista (32-bit)", {6, 0, kNt, kClient, kX86}, 6000, kSuite},
        {"Windows Vista (64-bit)", {6, 0, kNt, kClient, kX64}, 6000, kSuite},
        {"Windows 7 (32-bit)", {6, 1, kNt, kClient, kX86}, 7600, kSuite},
        {"Windows 7 (64-bit)", {6, 1, kNt, kClient, kX64}, 7600, kSuite},
        {"Windows 8 (32-bit)", {6, 2, kNt, kClient, kX86}, 9200, kSuite},
        {"Windows 8 (64-bit)", {6, 2, kNt, kClient, kX64}, 9200, kSuite},
        {"Windows 8.1 (32-bit)", {6, 3, kNt, kClient, kX86}, 9600, kSuite},
        {"Windows 8.1 (64-bit)", {6, 3, kNt, kClient, kX64}, 9600, kSuite},
    };
    // Windows 10 and 11 at each release's build (Microsoft's Windows 10 and
    // Windows 11 release information pages); 11 came in 64-bit only.
    const std::pair<const char*, std::uint32_t> ten[] = {
        {"1507", 10240}, {"1511", 10586}, {"1607", 14393}, {"1703", 15063}, {"1709", 16299},
        {"1803", 17134}, {"1809", 17763}, {"1903", 18362}, {"1909", 18363}, {"2004", 19041},
        {"20H2", 19042}, {"21H1", 19043}, {"21H2", 19044}, {"22H2", 19045}};
    const std::pair<const char*, std::uint32_t> eleven[] = {{"21H2", 22000}, {"22H2", 22621}, {"23H2", 22631},
                                                            {"24H2", 26100}, {"25H2", 26200}, {"26H1", 28000},
                                                            {"26H2", 26300}};
    // The servers by version (the OSVERSIONINFOEX and INF Manufacturer
    // section pages), from 2008 R2 on in 64-bit only.
    const std::tuple<const char*, std::uint32_t, std::uint32_t, std::uint32_t> servers[] = {
        {"2008 R2", 6, 1, 7600}, {"2012", 6, 2, 9200},   {"2012 R2", 6, 3, 9600}, {"2016", 10, 0, 14393},
        {"2019", 10, 0, 17763},  {"2022", 10, 0, 20348}, {"2025", 10, 0, 26100}};
    for (const std::uint16_t width : {kX86, kX64})
        for (const auto& [release, build] : ten)
            list.push_back({std::string("Windows 10 ") + release + (width == kX86 ? " (32-bit)" : " (64-bit)"),
                            {10, 0, kNt, kClient, width}, build, kSuite});
    for (const auto& [release, build] : eleven)
        list.push_back({std::string("Windows 11 ") + release + " (64-bit)", {10, 0, kNt, kClient, kX64}, build, kSuite});
    const std::string role[] = {"member server", "domain controller"};
    for (const std::uint16_t type : {kServer, kController}) {
        const std::string& as = role[type == kServer ? 0 : 1];
        list.push_back({"Windows Server 2003 (32-bit, " + as + ")", {5, 2, kNt, type, kX86}, 3790, kSuite});
        list.push_back({"Windows Server 2003 x64 (" + as + ")", {5, 2, kNt, type, kX64}, 3790, kSuite});
    }
    for (const std::uint16_t type : {kServer, kController})
        for (const auto& [release, major, minor, build] : servers)
            list.push_back({std::string("Windows Server ") + release + " (" + role[type == kServer ? 0 : 1] + ")",
                            {major, minor, kNt, type, kX64}, build, kSuite});
    return list;
}

std::vector<std::string> Words(const std::string& name) {
    std::vector<std::string> words;
    for (std::size_t at = 0; at <= name.size();) {
        const std::size_t end = std::min(name.find(' ', at), name.size());
        words.push_back(name.substr(at, end - at));
        at = end + 1;
    }
    return words;
}

// The one word in which two names differ; -1 when they differ otherwise.
int OneWordApart(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    int apart = -1;
    for (std::size_t i = 0; a.size() == b.size() && i < a.size(); ++i)
        if (a[i] != b[i]) apart = apart < 0 ? static_cast<int>(i) : -2;
    return a.size() == b.size() && apart >= 0 ? apart : -1;
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
    static const std::vector<WindowsRelease> releases = MakeReleases();
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

std::string ReleasesInWords(const std::vector<std::string>& systems) {
    static const std::unordered_map<std::string, std::size_t> order = [] {
        std::unordered_map<std::string, std::size_t> at;
        for (const WindowsRelease& release : WindowsReleases()) at.emplace(release.name, at.size());
        return at;
    }();
    const auto next = [&](std::size_t i) {
        const auto a = order.find(systems[i - 1]), b = order.find(systems[i]);
        return a != order.end() && b != order.end() && b->second == a->second + 1;
    };
    std::vector<std::string> names;
    for (std::size_t i = 0; i < systems.size();) {
        const std::vector<std::string> first = Words(systems[i]);
        std::size_t end = i + 1;
        const int word = end < systems.size() && next(end) ? OneWordApart(first, Words(systems[end])) : -1;
        while (word >= 0 && end < systems.size() && next(end) && OneWordApart(first, Words(systems[end])) == word) ++end;
        if (end - i < 4) end = i + 1;
        std::string name = systems[i];
        if (end - i >= 4) {
            std::vector<std::string> range = first;
            range[static_cast<std::size_t>(word)] += " to " + Words(systems[end - 1])[static_cast<std::size_t>(word)];
            name.clear();
            for (const std::string& w : range) name += (name.empty() ? "" : " ") + w;
        }
        names.push_back(name);
        i = end;
    }
    std::string out;
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::string name = names[i];
        if (i && name.rfind("Windows ", 0) == 0) name.erase(0, 8);
        out += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + name;
    }
    return out;
}

}  // namespace rs
