#include "app/switches_rules.h"

namespace rs {
namespace {

enum class Switch { Quiet, Passive, NoRestart, ForceRestart, Log, AcceptLicense, AllUsers, InstallerArgs, Help };

struct SwitchName {
    const char* name;  // lower case
    Switch which;
};

constexpr SwitchName kSwitches[] = {
    {"quiet", Switch::Quiet},
    {"q", Switch::Quiet},
    {"passive", Switch::Passive},
    {"norestart", Switch::NoRestart},
    {"forcerestart", Switch::ForceRestart},
    {"log", Switch::Log},
    {"acceptlicense", Switch::AcceptLicense},
    {"allusers", Switch::AllUsers},
    {"installerargs", Switch::InstallerArgs},
    {"?", Switch::Help},
    {"help", Switch::Help},
};

bool TakesValue(Switch s) { return s == Switch::Log || s == Switch::InstallerArgs; }

// "/log=x", "-LOG:x", "/log": the switch named, and where a value given with
// '=' or ':' begins (nullptr: none). Nullptr for anything else.
const SwitchName* Known(const char* arg, const char** value) {
    *value = nullptr;
    if (*arg != '/' && *arg != '-') return nullptr;
    ++arg;
    std::size_t length = 0;
    while (arg[length] && arg[length] != '=' && arg[length] != ':') ++length;
    if (arg[length]) *value = arg + length + 1;
    for (const SwitchName& s : kSwitches) {
        std::size_t i = 0;
        while (i < length && s.name[i] && (arg[i] | 0x20) == s.name[i]) ++i;
        if (i == length && !s.name[i]) return &s;
    }
    return nullptr;
}

}  // namespace

SetupSwitches ParseSwitches(int count, const char* const* args) {
    SetupSwitches s;
    s.given = count > 0;
    bool quiet = false, passive = false, noRestart = false, forceRestart = false;
    // The first problem is the one named; the rest is still read, so that a
    // quiet run stays quiet whatever else is wrong.
    auto problem = [&s](const char* text, const char* argument) {
        if (s.problem) return;
        s.problem = text;
        s.problemArgument = argument;
    };
    for (int i = 0; i < count; ++i) {
        const char* arg = args[i];
        const char* value = nullptr;
        const SwitchName* known = Known(arg, &value);
        if (!known) {
            problem("Unknown switch: ", arg);
            continue;
        }
        if (TakesValue(known->which)) {
            const char* unused = nullptr;
            // An installer's own switches are its value; a log file is never
            // named like one of ours ("/log /quiet" lacks the file).
            if (!value && i + 1 < count && (known->which == Switch::InstallerArgs || !Known(args[i + 1], &unused)))
                value = args[++i];
            if (!value || !*value) {
                problem("This switch needs a value: ", arg);
                value = "";
            }
        } else if (value) {
            problem("This switch takes no value: ", arg);
        }
        switch (known->which) {
            case Switch::Quiet: quiet = true; break;
            case Switch::Passive: passive = true; break;
            case Switch::NoRestart: noRestart = true; break;
            case Switch::ForceRestart: forceRestart = true; break;
            case Switch::Log: s.logPath = value; break;
            case Switch::AcceptLicense: s.acceptLicense = true; break;
            case Switch::AllUsers: s.allUsers = true; break;
            case Switch::InstallerArgs: s.installerArgs = value; break;
            case Switch::Help: s.help = true; break;
        }
    }
    if (quiet && passive) problem("These switches exclude each other: ", "/quiet /passive");
    if (noRestart && forceRestart) problem("These switches exclude each other: ", "/norestart /forcerestart");
    s.mode = quiet ? RunMode::Quiet : passive ? RunMode::Passive : RunMode::Interactive;
    if (forceRestart) {
        s.restart = RestartChoice::Force;
    } else if (noRestart || Unattended(s)) {
        s.restart = RestartChoice::Never;
    }
    return s;
}

std::string CommandLineForLog(int count, const char* const* args) {
    std::string line;
    for (int i = 0; i < count; ++i) {
        const char* value = nullptr;
        const SwitchName* known = Known(args[i], &value);
        if (i > 0) line += ' ';
        if (!known || known->which != Switch::InstallerArgs) {
            // Quoted again where blanks would split it.
            const bool blank = std::string_view(args[i]).find_first_of(" \t") != std::string_view::npos;
            if (blank) line += '"';
            line += args[i];
            if (blank) line += '"';
            continue;
        }
        // The value, after '=' or ':' or as the next argument, is not shown.
        if (value) {
            line.append(args[i], static_cast<std::size_t>(value - args[i]));
            line += "<not logged>";
        } else {
            line += args[i];
            if (i + 1 < count) {
                line += " <not logged>";
                ++i;
            }
        }
    }
    return line;
}

std::string DefaultLogPath(std::string_view tempFolder) {
    std::string path(tempFolder);
    if (!path.empty() && path.back() != '\\') path += '\\';
    return path + "ORVEX-Setup.log";
}

}  // namespace rs
