#include "tools/medium_layout/inf_check.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <unordered_map>

#include "install/binding_rules.h"
#include "install/inf_rules.h"

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

namespace {

// The problems of the INF as one system reads it.
std::vector<InfProblem> ProblemsAsRead(const inf::File& file, const std::string& mediumPath, InfUse use,
                                       const OnMedium& onMedium) {
    if (!file.refused.empty()) return {{0, file.refused}};
    const inf::Section* version = file.Find("Version");
    if (!version) return {{0, "INF without a [Version] section"}};
    const inf::Line* signature = nullptr;
    for (const inf::Line& line : version->lines)
        if (inf::SameName(line.key, "Signature")) signature = &line;
    if (!signature) return {{version->number, "[Version] without a Signature"}};
    const std::string value = signature->fields.empty() ? "" : signature->fields[0];
    if (!inf::IsKnownSignature(value))
        return {{signature->number, "Signature \"" + value + "\" is none of $Windows NT$, $Chicago$, $Windows 95$"}};

    std::vector<InfProblem> problems;
    if (use != InfUse::Other && !inf::ModelNaming(file, kReaderHardwareId)) {
        const inf::Section* manufacturers = file.Find("Manufacturer");
        problems.push_back({manufacturers ? manufacturers->number : 0,
                            std::string(manufacturers ? "no models section reached from [Manufacturer]"
                                                      : "no [Manufacturer] section, so nothing") +
                                " names the reader's hardware ID " + kReaderHardwareId});
    }
    if (use != InfUse::Binding) return problems;
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

std::vector<InfProblem> InfProblems(std::string_view bytes, const std::string& mediumPath, InfUse use,
                                    const OnMedium& onMedium) {
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
        for (InfProblem& problem : ProblemsAsRead(file, mediumPath, use, onMedium)) {
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

std::vector<std::string> CheckInf(const std::filesystem::path& file, const std::string& mediumPath, InfUse use,
                                  const OnMedium& onMedium, const std::string& who) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {file.string() + ": cannot be read" + who};
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> messages;
    for (const InfProblem& problem : InfProblems(bytes, mediumPath, use, onMedium))
        messages.push_back(file.string() + (problem.line ? ", line " + std::to_string(problem.line) : "") + ": " +
                           problem.text + who);
    return messages;
}

}  // namespace rs::medium
