// The catalogs that the medium's INFs name, checked as the systems that
// take the INF's files read them (release_medium/catalog_rules.h): a
// signed trust list, of a version those systems read, holding the hash of
// the INF and of every file it copies. The signer's chain is not judged.
#pragma once
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "release_medium/catalog_rules.h"
#include "release_medium/inf_rules.h"

namespace rs::medium {

struct InfProblem;
struct InfReader;

// The medium's catalogs and files as the check reads them, each read and
// hashed once a run; and the notes the check leaves.
class CatalogFiles {
public:
    // `source`: where the file of a medium path lies (any letter case);
    // empty when the medium holds no file there.
    explicit CatalogFiles(std::function<std::filesystem::path(const std::string&)> source)
        : source_(std::move(source)) {}

    // The catalog at a medium path; null when it cannot be read.
    const catalog::Catalog* Read(const std::string& path);
    // The file's hash for a catalog of this version; empty when it cannot be read.
    const std::string& Digest(const std::string& path, int version);
    void Note(const std::string& note) { notes_.insert(note); }
    std::vector<std::string> Notes() const { return {notes_.begin(), notes_.end()}; }

private:
    std::string Bytes(const std::string& path, bool& read);

    std::function<std::filesystem::path(const std::string&)> source_;
    std::map<std::string, std::optional<catalog::Catalog>> catalogs_;
    std::map<std::pair<std::string, int>, std::string> digests_;
    std::set<std::string> notes_;
};

// The problems of the catalogs that the INF at `mediumPath` names, for the
// systems among `readers` that take its files.
std::vector<InfProblem> CatalogProblems(const inf::File& file, const std::string& mediumPath,
                                        const std::vector<InfReader>& readers, CatalogFiles& files);

}  // namespace rs::medium
