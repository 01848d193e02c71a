// The medium's INF files checked as the systems that read them will
// (release_medium/inf_rules.h): their encoding and [Version] Signature, by
// the rules of Windows 95/98/Me where those read it; the reader's hardware
// ID in the models section that each system matching or binding the reader
// by it uses (release_medium/inf_models.h); the driver files and catalog it
// lists.
#pragma once
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "release_medium/inf_models.h"
#include "release_medium/medium_rules.h"

namespace rs::medium {

class CatalogFiles;

// Whether the medium holds a file at this medium-relative, '/'-separated
// path, in any letter case (Windows reads the medium so).
using OnMedium = std::function<bool(const std::string& path)>;

// `relative` ('\' or '/' separated, "." and ".." resolved) from the medium
// folder `folder`, as a medium path; empty when it climbs out of the medium.
std::string MediumPathFrom(const std::string& folder, const std::string& relative);

struct InfProblem {
    int line = 0;  // 0: the file as a whole
    std::string text;
};

// A system that reads the INF, and what it does with it.
struct InfReader {
    std::string system;  // "Windows XP x64 (64-bit)"
    inf::LoaderFacts facts;
    InfUse use = InfUse::Other;
};

// "Windows 95, 98 and Me"
std::string SystemsInWords(const std::vector<std::string>& systems);

// The problems of the INF that lies at `mediumPath` on the medium. An INF
// that a system would not read at all gets that one problem only. With
// `catalogs`, the catalogs it names too (catalog_check.h).
std::vector<InfProblem> InfProblems(std::string_view bytes, const std::string& mediumPath,
                                    const std::vector<InfReader>& readers, const OnMedium& onMedium,
                                    CatalogFiles* catalogs = nullptr);

// The same for the INF read from `file`, each problem as "FILE, line N:
// text" followed by `who`.
std::vector<std::string> CheckInf(const std::filesystem::path& file, const std::string& mediumPath,
                                  const std::vector<InfReader>& readers, const OnMedium& onMedium,
                                  const std::string& who, CatalogFiles* catalogs = nullptr);

}  // namespace rs::medium
