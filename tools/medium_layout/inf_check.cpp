#include "tools/medium_layout/inf_check.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <unordered_map>

#include "install/binding_rules.h"
#include "release_medium/inf_rules.h"

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

std::string SystemsInWords(const std::vector<std::string>& systems) {
    std::string out;
    for (std::size_t i = 0; i < systems.size(); ++i) {
        std::string name = systems[i];
        if (i && name.rfind("Windows ", 0) == 0) name.erase(0, 8);
        out += (i == 0 ? "" : i + 1 == systems.size() ? " and " : ", ") + name;
    }
    return out;
}

namespace {

// What one system's loader makes of [Manufacturer], when it does not reach
// the ID: what each entry leads it to.
std::string Missed(const std::vector<inf::ModelsChoice>& choices) {
    if (choices.empty()) return "[Manufacturer] lists no models section";
    std::string out = "[Manufacturer] leads to ";
    for (std::size_t i = 0; i < choices.size(); ++i) {
        const inf::ModelsChoice& choice = choices[i];
        out += i ? " and to " : "";
        if (choice.section.empty())
            out += "no models section: no decoration of " + choice.models +
                   " fits, and 64-bit Windows from 5.2 on never uses the undecorated one";
        else
            out += "[" + choice.section + "], which " + (choice.found ? "does not name it" : "the file does not hold");
    }
    return out;
}

// The problems of the INF as the systems read it in one code page.
std::vector<InfProblem> ProblemsAsRead(const inf::File& file, std::string_view bytes, const std::string& mediumPath,
                                       const std::vector<InfReader>& readers, const OnMedium& onMedium) {
    if (!file.refused.empty()) return {{0, file.refused}};
    // Windows 95, 98 and Me read only ANSI INFs signed for them.
    std::vector<std::string> ninetyX;
    for (const InfReader& reader : readers)
        if (reader.facts.version.platformId == 1) ninetyX.push_back(reader.system);
    const std::string oldSystems = SystemsInWords(ninetyX);
    if (!ninetyX.empty() && bytes.substr(0, 2) == "\xFF\xFE")
        return {{0, "saved as UTF-16: " + oldSystems + " read only ANSI INFs"}};
    const inf::Section* version = file.Find("Version");
    if (!version) return {{0, "INF without a [Version] section"}};
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
    // models section its loader uses; systems missing it alike told at once.
    struct Missing {
        int line;
        std::string what;
        std::vector<std::string> systems;
    };
    std::vector<Missing> missing;
    const inf::Section* manufacturers = file.Find("Manufacturer");
    bool takesFiles = false;
    for (const InfReader& reader : readers) {
        if (reader.use == InfUse::Other) continue;
        takesFiles = true;
        const std::vector<inf::ModelsChoice> choices = inf::ChooseModels(file, reader.facts, kReaderHardwareId);
        if (std::any_of(choices.begin(), choices.end(), [](const inf::ModelsChoice& c) { return c.naming; }))
            continue;
        Missing miss{0, "the INF has no [Manufacturer] section", {}};
        if (manufacturers) miss = {choices.empty() ? manufacturers->number : choices[0].line, Missed(choices), {}};
        auto group = std::find_if(missing.begin(), missing.end(), [&](const Missing& m) { return m.what == miss.what; });
        if (group == missing.end()) group = missing.insert(missing.end(), miss);
        group->systems.push_back(reader.system);
    }
    std::vector<InfProblem> problems;
    for (const Missing& miss : missing)
        problems.push_back({miss.line, SystemsInWords(miss.systems) + " would not find the reader's hardware ID " +
                                           kReaderHardwareId + ": " + miss.what});
    if (!takesFiles) return problems;
    const std::string folder = std::filesystem::path(mediumPath).parent_path().generic_string();
    for (const inf::SourceFile& source : inf::SourceFiles(file)) {
        const std::string listed = source.listedIn + " names " + source.name;
        const std::string path = MediumPathFrom(folder, source.folder + "\\" + source.name);
        if (!source.problem.empty())
            problems.push_back({source.line, listed + ", but " + source.problem});
        else if (path.empty())
            problems.push_back({source.line, listed + ", which would lie outside the medium"});
        else if (!onMedium(path))
            problems.push_back({source.line, listed + ", not on the medium at " + path});
    }
    std::stable_sort(problems.begin(), problems.end(),
                     [](const InfProblem& a, const InfProblem& b) { return a.line < b.line; });
    return problems;
}

}  // namespace

std::vector<InfProblem> InfProblems(std::string_view bytes, const std::string& mediumPath,
                                    const std::vector<InfReader>& readers, const OnMedium& onMedium) {
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
        for (InfProblem& problem : ProblemsAsRead(file, bytes, mediumPath, readers, onMedium)) {
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
                                  const std::string& who) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {file.string() + ": cannot be read" + who};
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> messages;
    for (const InfProblem& problem : InfProblems(bytes, mediumPath, readers, onMedium))
        messages.push_back(file.string() + (problem.line ? ", line " + std::to_string(problem.line) : "") + ": " +
                           problem.text + who);
    return messages;
}

}  // namespace rs::medium
