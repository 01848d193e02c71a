// The medium's INF files checked as the system will read them
// (install/inf_rules.h): their encoding and [Version] Signature, the
// reader's hardware ID in those that match or bind the reader, and the
// driver files and catalog that a binding INF copies from the medium.
#pragma once
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/medium_rules.h"

namespace rs::medium {

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

// The problems of the INF that lies at `mediumPath` on the medium. An INF
// that the system would not read at all gets that one problem only.
std::vector<InfProblem> InfProblems(std::string_view bytes, const std::string& mediumPath, InfUse use,
                                    const OnMedium& onMedium);

// The same for the INF read from `file`, each problem as "FILE, line N:
// text" followed by `who`.
std::vector<std::string> CheckInf(const std::filesystem::path& file, const std::string& mediumPath, InfUse use,
                                  const OnMedium& onMedium, const std::string& who);

}  // namespace rs::medium
