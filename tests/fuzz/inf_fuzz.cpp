// libFuzzer target: any bytes as a binding INF on the medium, checked as
// each language's system reads it, as a path the INF names (a folder on
// the first line, the path from it after), through the medium's path rules
// and the names and lengths Windows cannot hold, and as a driver catalog
// and a PE file whose image hash it holds. A crash, a hang, a leak or
// undefined behaviour fails.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "release_medium/catalog_rules.h"
#include "tools/medium_layout/inf_check.h"
#include "tools/medium_layout/medium_layout.h"
#include "tools/medium_layout/windows_names.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    // Some files are on the medium, some not: both branches of the check.
    const auto onMedium = [](const std::string& path) { return path.size() % 2 == 0; };
    // A 9x reader and an x86 and a 64-bit NT one: each loader's rules and
    // each processor's sections, with every use.
    const rs::InfUse uses[] = {rs::InfUse::Binding, rs::InfUse::PlugAndPlay, rs::InfUse::Other};
    const std::vector<rs::medium::InfReader> readers = {
        {"Windows 98", {{4, 10, 1, 0, 0}, 1998, 0}, uses[size % 3]},
        {"Windows 7 (32-bit)", {{6, 1, 2, 1, 0}, 7600, 0x110}, uses[(size / 9) % 3]},
        {"Windows 10 (64-bit)", {{10, 0, 2, 1, 9}, 19045, 0x110}, uses[(size / 3) % 3]}};
    rs::medium::InfProblems(bytes, "Setup/drivers/winxp/orvex.inf", readers, onMedium);
    const std::size_t split = bytes.find('\n');
    const std::string folder = split == std::string::npos ? "" : bytes.substr(0, split);
    const std::string path = rs::medium::MediumPathFrom(folder, bytes.substr(split == std::string::npos ? 0 : split + 1));
    rs::medium::WindowsPathProblem(path);
    rs::medium::WindowsNameProblem(path.substr(path.rfind('/') + 1));
    try {
        rs::medium::MediumPath(bytes);
    } catch (const std::runtime_error&) {  // a path out of the medium: refused, as it should be
    }
    const rs::catalog::Catalog catalog = rs::catalog::Parse(bytes);
    if (catalog.refused.empty() != (catalog.version == 1 || catalog.version == 2)) __builtin_trap();
    std::size_t end = 0;  // the image hash's parts lie in the file, in order
    for (const rs::catalog::Span& span : rs::catalog::ImageHashSpans(bytes)) {
        if (span.at < end || span.at > size || span.size > size - span.at) __builtin_trap();
        end = span.at + span.size;
    }
    return 0;
}
