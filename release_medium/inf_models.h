// Which models section of an INF a system's loader uses for each
// [Manufacturer] entry, and which install section for the device's line in
// it: Windows 95/98/Me, NT 4.0 and 2000 the undecorated models section; XP
// and later the best matching TargetOSVersion decoration
// (NT[arch][.major[.minor[.productType[.suiteMask[.build]]]]]), else the
// undecorated one, which 64-bit Windows from 5.2 on never uses. No Windows here.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/platform_rules.h"
#include "release_medium/inf_rules.h"

namespace rs::inf {

// What the loader knows of the system it runs on.
struct LoaderFacts {
    VersionFacts version;
    std::uint32_t build = 0;
    std::uint32_t suiteMask = 0;
};

// The loader's choice for one [Manufacturer] entry.
struct ModelsChoice {
    int line = 0;                    // the entry's line
    std::string models;              // the undecorated name the entry gives
    std::string section;             // the name the loader uses; empty: none
    const Section* found = nullptr;  // that section; null when the file lacks it
    const Line* naming = nullptr;    // its line naming the ID; null when none does
    // The first decoration that would fit but for a processor it does not
    // name or a build field the system does not read, with why; empty: none.
    std::string passedOver;
    std::string install;             // the install section that line names
    std::vector<std::string> installNames;  // the names the loader tries for it, in turn
    const Section* installs = nullptr;      // the first of them the file holds; null: none
};

std::vector<ModelsChoice> ChooseModels(const File& file, const LoaderFacts& system, std::string_view id);

}  // namespace rs::inf
