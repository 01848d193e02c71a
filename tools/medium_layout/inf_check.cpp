#include "tools/medium_layout/inf_check.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>
#include <unordered_map>

#include "install/binding_rules.h"
#include "release_medium/inf_rules.h"
#include "tools/medium_layout/catalog_check.h"

namespace rs::medium {

std::string MediumPathFrom(const std::string& folder, const std::string& relative) {
    std::vector<std::string> parts;
    const std::string all = folder + "/" + relative;
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t end = all.find_first_of("/\\", start);
        if (end == std::string::npos) end = all.size();
        const std::string part = all.substr(start, end - start);
        if (part == "..") {
            if (parts.empty()) return {};
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string path;
    for (const std::string& part : parts) path += (path.empty() ? "" : "/") + part;
    return path;
}

std::string SystemsInWords(const std::vector<std::string>& systems) { return ReleasesInWords(systems); }

namespace {

std::string Folded(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// A problem before the systems that meet it are named.
struct Miss {
    int line = 0;
    std::string what;
};

// Why the file lacks [name] when the system misses its header: after a
// Ctrl-Z, or joined to a line ending in '\'. The line is the one that hides
// it; 0 and nothing when the file has no such header at all.
Miss Lacking(const inf::File& file, const std::string& name) {
    const auto found = file.hidden.find(Folded(name));
    if (found == file.hidden.end()) return {};
    const inf::HiddenHeader& h = found->second;
    const std::string cause = std::to_string(h.cause), line = std::to_string(h.line);
    if (h.ctrlZ && h.line == h.cause) return {h.cause, " (a Ctrl-Z before its header on line " + line + " ends the file)"};
    if (h.ctrlZ) return {h.cause, " (the Ctrl-Z on line " + cause + " ends the file before its header on line " + line + ")"};
    return {h.cause, " (the \\ that ends line " + cause + " joins its header on line " + line + " to that line)"};
}

// A section the system needs and the file does not hold, with where it hides.
Miss Absent(const inf::File& file, int line, const std::string& what, const std::string& section) {
    const Miss lack = Lacking(file, section);
    return {lack.line ? lack.line : line, what + lack.what};
}

// What one system's loader makes of [Manufacturer], when it does not reach
// the ID: what each entry leads it to.
Miss Missed(const inf::File& file, const std::vector<inf::ModelsChoice>& choices, int manufacturers) {
    if (choices.empty()) return {manufacturers, "[Manufacturer] lists no models section"};
    Miss miss{choices[0].line, "[Manufacturer] leads to "};
    bool hidden = false;  // told at the line that hides the first header it misses
    for (std::size_t i = 0; i < choices.size(); ++i) {
        const inf::ModelsChoice& choice = choices[i];
        miss.what += i ? " and to " : "";
        if (choice.section.empty()) {
            miss.what += "no models section: no decoration of " + choice.models +
                         " fits, and 64-bit Windows from 5.2 on never uses the undecorated one";
        } else if (choice.found) {
            miss.what += "[" + choice.section + "], which does not name it";
        } else {
            const Miss lack = Lacking(file, choice.section);
            if (lack.line && !hidden) miss.line = lack.line;
            hidden = hidden || lack.line;
            miss.what += "[" + choice.section + "], which the file does not hold" + lack.what;
        }
        if (!choice.passedOver.empty()) miss.what += " (passing over " + choice.passedOver + ")";
    }
    return miss;
}

// The install section of the ID's line, which the loader does not find.
Miss InstallMissed(const inf::File& file, const inf::ModelsChoice& choice) {
    const std::string models = "[" + choice.section + "]";
    if (choice.install.empty()) return {choice.naming->number, models + " gives it no install section"};
    std::string names;
    Miss lack;
    for (std::size_t i = 0; i < choice.installNames.size(); ++i) {
        const std::string& name = choice.installNames[i];
        names += (i == 0 ? "" : i + 1 == choice.installNames.size() ? " and " : ", ") + ("[" + name + "]");
        if (!lack.line) lack = Lacking(file, name);
    }
    return {lack.line ? lack.line : choice.naming->number,
            models + " names " + choice.install + ", and the file holds " +
                (choice.installNames.size() == 1 ? "no " : "none of ") + names + lack.what};
}

// The problems of the INF as the systems read it in one code page.
std::vector<InfProblem> ProblemsAsRead(const inf::File& file, std::string_view bytes, const std::string& mediumPath,
                                       const std::vector<InfReader>& readers, const OnMedium& onMedium,
                                       CatalogFiles* catalogs) {
    if (!file.refused.empty()) return {{0, file.refused}};
    // Windows 95, 98 and Me read only ANSI INFs signed for them.
    std::vector<std::string> ninetyX;
    for (const InfReader& reader : readers)
        if (reader.facts.version.platformId == 1) ninetyX.push_back(reader.system);
    const std::string oldSystems = SystemsInWords(ninetyX);
    if (!ninetyX.empty() && bytes.substr(0, 2) == "\xFF\xFE")
        return {{0, "saved as UTF-16: " + oldSystems + " read only ANSI INFs"}};
    const inf::Section* version = file.Find("Version");
    if (!version) {
        const Miss miss = Absent(file, 0, "INF without a [Version] section", "Version");
        return {{miss.line, miss.what}};
    }
    const inf::Line* signature = nullptr;
    for (const inf::Line& line : version->lines)
        if (inf::SameName(line.key, "Signature")) signature = &line;
    if (!signature) return {{version->number, "[Version] without a Signature"}};
    const std::string value = signature->fields.empty() ? "" : signature->fields[0];
    if (!inf::IsKnownSignature(value))
        return {{signature->number, "Signature \"" + value + "\" is none of $Windows NT$, $Chicago$, $Windows 95$"}};
    if (!ninetyX.empty() && inf::SameName(value, "$Windows NT$"))
        return {{signature->number, "Signature \"" + value + "\": " + oldSystems +
                                        " read only INFs signed $Chicago$ or $Windows 95$"}};

    // Each system that matches or binds the reader by this INF, by the
    // models section its loader uses and the install section it names;
    // systems missing it alike told at once.
    struct Missing {
        Miss miss;
        std::vector<std::string> systems;
    };
    std::vector<Missing> missing;
    const inf::Section* manufacturers = file.Find("Manufacturer");
    const std::string id = std::string(" the reader's hardware ID ") + kReaderHardwareId + ": ";
    std::vector<VersionFacts> platforms;  // of the systems that take the INF's files
    for (const InfReader& reader : readers) {
        if (reader.use == InfUse::Other) continue;
        const VersionFacts& v = reader.facts.version;
        if (std::none_of(platforms.begin(), platforms.end(), [&](const VersionFacts& p) {
                return p.platformId == v.platformId && p.architecture == v.architecture;
            }))
            platforms.push_back(v);
        const std::vector<inf::ModelsChoice> choices = inf::ChooseModels(file, reader.facts, kReaderHardwareId);
        if (std::any_of(choices.begin(), choices.end(), [](const inf::ModelsChoice& c) { return c.installs; }))
            continue;
        const auto named = std::find_if(choices.begin(), choices.end(), [](const inf::ModelsChoice& c) { return c.naming; });
        Miss miss;
        if (!manufacturers) {
            miss = Absent(file, 0, "the INF has no [Manufacturer] section", "Manufacturer");
            miss.what = " would not find" + id + miss.what;
        } else if (named == choices.end()) {
            miss = Missed(file, choices, manufacturers->number);
            miss.what = " would not find" + id + miss.what;
        } else {
            miss = InstallMissed(file, *named);
            miss.what = " would not find the install section for" + id + miss.what;
        }
        auto group = std::find_if(missing.begin(), missing.end(),
                                  [&](const Missing& m) { return m.miss.what == miss.what && m.miss.line == miss.line; });
        if (group == missing.end()) group = missing.insert(missing.end(), {miss, {}});
        group->systems.push_back(reader.system);
    }
    std::vector<InfProblem> problems;
    for (const Missing& m : missing) problems.push_back({m.miss.line, SystemsInWords(m.systems) + m.miss.what});
    // The files each platform's systems take, each problem once.
    std::set<std::pair<int, std::string>> told;
    const std::string folder = std::filesystem::path(mediumPath).parent_path().generic_string();
    for (const VersionFacts& platform : platforms) {
        for (const inf::SourceFile& source : inf::SourceFiles(file, platform)) {
            const std::string listed = source.listedIn + " names " + source.name;
            const std::string path = MediumPathFrom(folder, source.folder + "\\" + source.name);
            std::string problem;
            if (!source.problem.empty())
                problem = listed + ", but " + source.problem;
            else if (path.empty())
                problem = listed + ", which would lie outside the medium";
            else if (!onMedium(path))
                problem = listed + ", not on the medium at " + path;
            if (!problem.empty() && told.emplace(source.line, problem).second)
                problems.push_back({source.line, problem});
        }
    }
    if (catalogs)
        for (InfProblem& problem : CatalogProblems(file, mediumPath, readers, *catalogs))
            problems.push_back(std::move(problem));
    std::stable_sort(problems.begin(), problems.end(),
                     [](const InfProblem& a, const InfProblem& b) { return a.line < b.line; });
    return problems;
}

}  // namespace

std::vector<InfProblem> InfProblems(std::string_view bytes, const std::string& mediumPath,
                                    const std::vector<InfReader>& readers, const OnMedium& onMedium,
                                    CatalogFiles* catalogs) {
    // Each problem once, with the systems that meet it unless all of them do.
    struct Found {
        InfProblem problem;
        std::vector<std::string> readers;
    };
    std::vector<Found> found;
    std::unordered_map<std::string, std::size_t> foundAt;  // "line:text"
    const bool alike = inf::SameInEveryCodePage(bytes);
    inf::File file;
    for (const inf::Reader& reader : inf::kReaders) {
        // Read once when the code pages read it alike; each locale still resolves its own strings.
        if (alike && &reader != inf::kReaders)
            file.locale = reader.locale;
        else
            file = inf::Read(bytes, reader);
        for (InfProblem& problem : ProblemsAsRead(file, bytes, mediumPath, readers, onMedium, catalogs)) {
            const auto [at, added] = foundAt.try_emplace(std::to_string(problem.line) + ":" + problem.text, found.size());
            if (added) found.push_back({std::move(problem), {}});
            found[at->second].readers.push_back(inf::ReaderName(reader));
        }
    }
    std::vector<InfProblem> problems;
    for (Found& f : found) {
        if (f.readers.size() < std::size(inf::kReaders)) {
            f.problem.text += ", as " + f.readers[0];
            for (std::size_t i = 1; i < f.readers.size(); ++i) f.problem.text += " and " + f.readers[i];
            f.problem.text += f.readers.size() == 1 ? " reads it" : " read it";
        }
        problems.push_back(std::move(f.problem));
    }
    std::stable_sort(problems.begin(), problems.end(),
                     [](const InfProblem& a, const InfProblem& b) { return a.line < b.line; });
    return problems;
}

std::vector<std::string> CheckInf(const std::filesystem::path& file, const std::string& mediumPath,
                                  const std::vector<InfReader>& readers, const OnMedium& onMedium,
                                  const std::string& who, CatalogFiles* catalogs) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {file.string() + ": cannot be read" + who};
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> messages;
    for (const InfProblem& problem : InfProblems(bytes, mediumPath, readers, onMedium, catalogs))
        messages.push_back(file.string() + (problem.line ? ", line " + std::to_string(problem.line) : "") + ": " +
                           problem.text + who);
    return messages;
}

}  // namespace rs::medium
