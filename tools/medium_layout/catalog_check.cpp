#include "tools/medium_layout/catalog_check.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "tools/medium_layout/file_digest.h"
#include "tools/medium_layout/inf_check.h"

namespace rs::medium {

std::string CatalogFiles::Bytes(const std::string& path, bool& read) {
    const std::filesystem::path file = source_(path);
    std::ifstream in(file, std::ios::binary);
    read = !file.empty() && in.good();
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    read = read && !in.bad();
    return bytes;
}

const catalog::Catalog* CatalogFiles::Read(const std::string& path) {
    const auto [at, added] = catalogs_.try_emplace(path);
    if (added) {
        bool read = false;
        const std::string bytes = Bytes(path, read);
        if (read) at->second = catalog::Parse(bytes);
    }
    return at->second ? &*at->second : nullptr;
}

const std::string& CatalogFiles::Digest(const std::string& path, int version) {
    const auto [at, added] = digests_.try_emplace({path, version});
    if (added) {
        bool read = false;
        const std::string bytes = Bytes(path, read);
        if (read) at->second = CatalogDigest(bytes, version);
    }
    return at->second;
}

namespace {

// Microsoft's New-FileCatalog page: "Catalog version 2 is not supported on
// Windows Server 2008 R2 or Windows 7" (both version 6.1). MakeCat's page,
// where CatalogVersion is described, and the INF pages say nothing of other
// systems: none of them is refused for a version.
bool ReadsVersion(const InfReader& reader, int version) {
    const VersionFacts& v = reader.facts.version;
    return version != 2 || !(v.platformId == 2 && v.major == 6 && v.minor == 1);
}

// A problem and the systems that meet it, told as one.
struct Told {
    int line = 0;
    std::string before, after;  // the text around the systems' names
    std::vector<std::string> systems;
};

void Tell(std::vector<Told>& told, int line, const std::string& before, const std::string& after,
          const std::vector<std::string>& systems) {
    auto at = std::find_if(told.begin(), told.end(), [&](const Told& t) {
        return t.line == line && t.before == before && t.after == after;
    });
    if (at == told.end()) at = told.insert(told.end(), {line, before, after, {}});
    for (const std::string& system : systems)
        if (std::find(at->systems.begin(), at->systems.end(), system) == at->systems.end()) at->systems.push_back(system);
}

}  // namespace

std::vector<InfProblem> CatalogProblems(const inf::File& file, const std::string& mediumPath,
                                        const std::vector<InfReader>& readers, CatalogFiles& files) {
    // The systems that take the INF's files, by processor: they read the same entries.
    std::vector<std::pair<VersionFacts, std::vector<const InfReader*>>> platforms;
    for (const InfReader& reader : readers) {
        if (reader.use == InfUse::Other) continue;
        const VersionFacts& v = reader.facts.version;
        auto at = std::find_if(platforms.begin(), platforms.end(), [&](const auto& p) {
            return p.first.platformId == v.platformId && p.first.architecture == v.architecture;
        });
        if (at == platforms.end()) at = platforms.insert(platforms.end(), {v, {}});
        at->second.push_back(&reader);
    }
    const std::string folder = std::filesystem::path(mediumPath).parent_path().generic_string();
    const std::string infName = std::filesystem::path(mediumPath).filename().string();
    const auto pathOf = [&folder](const inf::SourceFile& source) {
        return source.problem.empty() ? MediumPathFrom(folder, source.folder + "\\" + source.name) : std::string();
    };
    // The package: the INF and every file it lists for any of them.
    std::vector<std::string> package = {infName};
    for (const auto& [platform, who] : platforms)
        for (const inf::SourceFile& source : inf::SourceFiles(file, platform)) package.push_back(source.name);

    std::vector<Told> told;
    for (const auto& [platform, who] : platforms) {
        const std::vector<inf::SourceFile> sources = inf::SourceFiles(file, platform);
        const auto named = std::find_if(sources.begin(), sources.end(), [](const inf::SourceFile& s) {
            return inf::SameName(s.listedIn.substr(0, 11), "CatalogFile");
        });
        if (named == sources.end()) continue;
        const std::string catalogPath = pathOf(*named);
        // Missing, unreadable or out of the medium: the file checks name it.
        const catalog::Catalog* read = catalogPath.empty() ? nullptr : files.Read(catalogPath);
        if (!read) continue;
        const catalog::Catalog& catalog = *read;
        const std::string cat = named->listedIn + " names " + named->name + ": " + catalogPath;
        std::vector<std::string> systems, reading;
        for (const InfReader* reader : who) {
            systems.push_back(reader->system);
            if (ReadsVersion(*reader, catalog.version)) reading.push_back(reader->system);
        }
        if (!catalog.refused.empty()) {
            Tell(told, named->line, cat + " is no catalog that ", " can read: " + catalog.refused, systems);
            continue;
        }
        if (!catalog.signed_) {
            Tell(told, named->line, cat + " is not signed: ", " would refuse it (sign it once it is made)", systems);
            continue;
        }
        if (reading.size() < systems.size()) {
            std::vector<std::string> old;
            for (const std::string& system : systems)
                if (std::find(reading.begin(), reading.end(), system) == reading.end()) old.push_back(system);
            Tell(told, named->line, cat + " is a version 2 catalog (SHA-256), which ",
                 " cannot read (Microsoft's New-FileCatalog page); make a version 1 catalog for them", old);
        }
        if (reading.empty()) continue;
        std::vector<std::pair<int, std::string>> covered = {{named->line, mediumPath}};
        for (const inf::SourceFile& source : sources)
            if (&source != &*named && !pathOf(source).empty()) covered.push_back({source.line, pathOf(source)});
        for (const auto& [line, path] : covered) {
            const std::string& digest = files.Digest(path, catalog.version);
            if (digest.empty()) continue;  // missing or unreadable: named by the file checks
            const bool member = std::any_of(catalog.members.begin(), catalog.members.end(), [&](const catalog::Member& m) {
                return m.digest == digest && m.sha256 == (catalog.version == 2);
            });
            if (!member)
                Tell(told, line,
                     path + ": not covered by the catalog " + catalogPath + " (its " + catalog::AlgorithmOf(catalog.version) +
                         " hash " + HexOf(digest) + " is none of its members'): ",
                     " would refuse it; changed after the catalog was signed?", reading);
        }
        for (const catalog::Member& m : catalog.members)
            if (!m.name.empty() && std::none_of(package.begin(), package.end(),
                                                [&](const std::string& name) { return inf::SameName(name, m.name); }))
                files.Note(catalogPath + ": its member " + m.name + " names no file of the package of " + mediumPath);
    }
    std::vector<InfProblem> problems;
    for (Told& t : told) {
        // In the order the systems are read in, as the release list has them.
        const auto rank = [&readers](const std::string& system) {
            return std::find_if(readers.begin(), readers.end(), [&](const InfReader& r) { return r.system == system; }) -
                   readers.begin();
        };
        std::sort(t.systems.begin(), t.systems.end(),
                  [&rank](const std::string& a, const std::string& b) { return rank(a) < rank(b); });
        problems.push_back({t.line, t.before + SystemsInWords(t.systems) + t.after});
    }
    return problems;
}

}  // namespace rs::medium
