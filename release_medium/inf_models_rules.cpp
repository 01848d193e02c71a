#include "release_medium/inf_models.h"

#include <algorithm>
#include <array>
#include <optional>
#include <tuple>

namespace rs::inf {
namespace {

constexpr std::uint16_t kArchX86 = 0, kArchIa64 = 6, kArchAmd64 = 9;
constexpr const char* kForItsBuild = ", which names a build: only Windows 10 1607 and later read such a decoration";
constexpr const char* kForItsProcessor =
    ", which names no processor: from 5.2 on, 64-bit Windows takes only a decoration naming its own";

// A TargetOSVersion decoration; a number not given is empty.
struct Decoration {
    std::optional<std::uint16_t> architecture;  // empty: plain NT
    std::array<std::optional<std::uint32_t>, 5> numbers;
    bool buildField = false;  // written with a build field, even an empty one
};
enum Field { kMajor, kMinor, kProductType, kSuiteMask, kBuild };

// Decimal, or hexadecimal after 0x; false when it is neither.
bool ParseNumber(std::string_view text, std::optional<std::uint32_t>& number) {
    if (text.empty()) return true;
    std::uint32_t base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    std::uint64_t value = 0;
    for (char c : text) {
        const char lower = static_cast<char>(c | 0x20);
        std::uint32_t digit = base;
        if (c >= '0' && c <= '9') digit = static_cast<std::uint32_t>(c - '0');
        else if (lower >= 'a' && lower <= 'f') digit = static_cast<std::uint32_t>(lower - 'a' + 10);
        if (digit >= base) return false;
        value = value * base + digit;
        if (value > 0xFFFFFFFFu) return false;
    }
    number = static_cast<std::uint32_t>(value);
    return true;
}

// Empty for what no system here takes: no "NT", an unknown architecture
// (NTfoo), a number that is none.
std::optional<Decoration> Parse(std::string_view text) {
    Decoration decoration;
    const std::size_t dot = std::min(text.find('.'), text.size());
    const std::string_view platform = text.substr(0, dot);
    if (platform.size() < 2 || !SameName(platform.substr(0, 2), "NT")) return std::nullopt;
    const std::string_view architecture = platform.substr(2);
    if (SameName(architecture, "x86")) decoration.architecture = kArchX86;
    else if (SameName(architecture, "amd64")) decoration.architecture = kArchAmd64;
    else if (SameName(architecture, "ia64")) decoration.architecture = kArchIa64;
    else if (!architecture.empty()) return std::nullopt;
    std::size_t at = dot;
    for (std::optional<std::uint32_t>& number : decoration.numbers) {
        if (at >= text.size()) break;
        const std::size_t end = std::min(text.find('.', at + 1), text.size());
        if (!ParseNumber(text.substr(at + 1, end - at - 1), number)) return std::nullopt;
        at = end;
    }
    if (at < text.size()) return std::nullopt;  // more fields than the format has
    decoration.buildField = std::count(text.begin(), text.end(), '.') == kBuild + 1;
    return decoration;
}

bool AtLeast(const VersionFacts& v, std::uint32_t major, std::uint32_t minor) {
    return v.platformId == 2 && std::make_tuple(v.major, v.minor) >= std::make_tuple(major, minor);
}

enum class Fit { Yes, NoProcessor, BuildField, No };

Fit Fits(const Decoration& d, const LoaderFacts& system) {
    const VersionFacts& v = system.version;
    const auto& n = d.numbers;
    const auto given = [](const std::optional<std::uint32_t>& number) { return number.value_or(0); };
    const auto version = std::make_tuple(given(n[kMajor]), given(n[kMinor]));
    // INF Manufacturer section: from Server 2003 SP1 on, a section for a
    // processor other than x86 must name it; one without holds x86's.
    const bool architecture = d.architecture ? *d.architecture == v.architecture
                                             : v.architecture == kArchX86 || !AtLeast(v, 5, 2);
    // The same page: the build field is parsed from Windows 10 1607 (build
    // 14310) on, and earlier systems ignore a decoration that has one. It is
    // weighed only when the system's major.minor equals the decoration's;
    // a later major.minor takes the section whatever its build.
    const bool parsesBuild = AtLeast(v, 10, 0) && system.build >= 14310;
    const bool build = !d.buildField || (parsesBuild && (version < std::make_tuple(v.major, v.minor) ||
                                                         given(n[kBuild]) <= system.build));
    // A version is the lowest the section is for; product type exact; every suite bit present.
    const bool rest = version <= std::make_tuple(v.major, v.minor) &&
                      (!n[kProductType] || *n[kProductType] == v.productType) &&
                      (given(n[kSuiteMask]) & system.suiteMask) == given(n[kSuiteMask]);
    if (!rest || (d.architecture && !architecture)) return Fit::No;
    if (!architecture) return Fit::NoProcessor;
    return build ? Fit::Yes : parsesBuild ? Fit::No : Fit::BuildField;
}

// The most specific fit wins: the highest version first, then an
// architecture, a product type, a suite mask named.
auto Rank(const Decoration& d) {
    const auto& n = d.numbers;
    return std::make_tuple(n[kMajor].value_or(0), n[kMinor].value_or(0), n[kBuild].value_or(0),
                           d.architecture.has_value(), n[kProductType].has_value(), n[kSuiteMask].has_value());
}

}  // namespace

std::vector<ModelsChoice> ChooseModels(const File& file, const LoaderFacts& system, std::string_view id) {
    std::vector<ModelsChoice> choices;
    const Section* manufacturers = file.Find("Manufacturer");
    if (!manufacturers) return choices;
    // Decorations are read from XP (5.1) on; before, only the undecorated name.
    const bool decorations = AtLeast(system.version, 5, 1);
    const bool undecorated = !AtLeast(system.version, 5, 2) || system.version.architecture == kArchX86;
    for (const Line& entry : manufacturers->lines) {
        // models[,TargetOSVersion...]
        ModelsChoice choice;
        choice.line = entry.number;
        choice.models = entry.fields.empty() ? "" : file.Resolved(entry.fields[0]);
        std::optional<decltype(Rank(Decoration{}))> best;
        for (std::size_t i = 1; decorations && i < entry.fields.size(); ++i) {
            const std::string text = file.Resolved(entry.fields[i]);
            const std::optional<Decoration> decoration = Parse(text);
            const Fit fit = decoration ? Fits(*decoration, system) : Fit::No;
            if (choice.passedOver.empty() && (fit == Fit::NoProcessor || fit == Fit::BuildField))
                choice.passedOver = text + (fit == Fit::BuildField ? kForItsBuild : kForItsProcessor);
            if (fit != Fit::Yes || (best && Rank(*decoration) <= *best)) continue;
            best = Rank(*decoration);
            choice.section = choice.models + "." + text;
        }
        if (!best && undecorated) choice.section = choice.models;
        if (!choice.section.empty()) choice.found = file.Find(choice.section);
        // description=install-section,hardware-ID[,compatible-ID...]
        for (std::size_t l = 0; choice.found && !choice.naming && l < choice.found->lines.size(); ++l)
            for (std::size_t i = 1; i < choice.found->lines[l].fields.size(); ++i)
                if (SameName(file.Resolved(choice.found->lines[l].fields[i]), id)) choice.naming = &choice.found->lines[l];
        if (choice.naming && !choice.naming->fields[0].empty()) {
            choice.install = file.Resolved(choice.naming->fields[0]);
            choice.installNames = PlatformNames(choice.install, system.version);
            for (const std::string& name : choice.installNames)
                if (!choice.installs) choice.installs = file.Find(name);
        }
        choices.push_back(std::move(choice));
    }
    return choices;
}

}  // namespace rs::inf
