#include "app/switches_rules.h"

#include <cstring>

namespace rs {
namespace {

enum class Switch : unsigned char {
    Quiet, Passive, NoRestart, ForceRestart, Log, AcceptLicense, AllUsers, InstallerArgs, Help, Uninstall
};

struct SwitchName {
    char name[14];  // lower case; in place, so that the table holds no address
    Switch which;
};

constexpr SwitchName kSwitches[] = {
    {"quiet", Switch::Quiet},
    {"q", Switch::Quiet},
    // Other installers' silent switches, as administrators type them from habit.
    {"qn", Switch::Quiet},
    {"s", Switch::Quiet},
    {"silent", Switch::Quiet},
    {"verysilent", Switch::Quiet},
    {"passive", Switch::Passive},
    {"qb", Switch::Passive},
    {"norestart", Switch::NoRestart},
    {"forcerestart", Switch::ForceRestart},
    {"log", Switch::Log},
    {"acceptlicense", Switch::AcceptLicense},
    {"allusers", Switch::AllUsers},
    {"installerargs", Switch::InstallerArgs},
    {"?", Switch::Help},
    {"help", Switch::Help},
    {"uninstall", Switch::Uninstall},
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
    unsigned seen = 0;  // bit 1 << Switch of each switch given
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
            (known->which == Switch::Log ? s.logPath : s.installerArgs) = value;
        } else if (value) {
            problem("This switch takes no value: ", arg);
        }
        seen |= 1u << static_cast<unsigned>(known->which);
    }
    auto given = [seen](Switch which) { return (seen >> static_cast<unsigned>(which) & 1u) != 0; };
    s.acceptLicense = given(Switch::AcceptLicense);
    s.help = given(Switch::Help);
    s.uninstall = given(Switch::Uninstall);
    // A removal is for deployment tools only: no window and no box.
    const bool quiet = given(Switch::Quiet) || s.uninstall, passive = given(Switch::Passive);
    // Nobody's own profile is the place for a deployment tool's shortcuts
    // (the system account's is nobody's).
    s.allUsers = given(Switch::AllUsers) || quiet || passive;
    const bool noRestart = given(Switch::NoRestart), forceRestart = given(Switch::ForceRestart);
    if (quiet && passive)
        problem("These switches exclude each other: ", s.uninstall ? "/uninstall /passive" : "/quiet /passive");
    if (noRestart && forceRestart) problem("These switches exclude each other: ", "/norestart /forcerestart");
    s.mode = quiet ? RunMode::Quiet : passive ? RunMode::Passive : RunMode::Interactive;
    // Unattended runs never restart unless told to.
    s.restart = forceRestart                       ? RestartChoice::Force
                : noRestart || quiet || passive ? RestartChoice::Never
                                                 : RestartChoice::Ask;
    return s;
}

std::size_t CommandLineForLog(int count, const char* const* args, char* line, std::size_t size) {
    std::size_t length = 0;
    for (int i = 0; i < count; ++i) {
        const char* arg = args[i];
        const char* value = nullptr;
        const SwitchName* known = Known(arg, &value);
        // The argument's pieces: a blank before it, a quote around it where
        // blanks would split it, and how much of it is shown.
        const char* separator = i > 0 ? " " : "";
        const char* quote = "";
        std::size_t shown = size;
        const char* hidden = "";
        if (known && known->which == Switch::InstallerArgs) {
            // The value, after '=' or ':' or as the next argument, is not shown.
            if (value) {
                shown = static_cast<std::size_t>(value - arg);
                hidden = "<not logged>";
            } else if (i + 1 < count) {
                ++i;
                hidden = " <not logged>";
            }
        } else {
            for (const char* c = arg; *c; ++c)
                if (*c == ' ' || *c == '\t') quote = "\"";
        }
        const char* const pieces[] = {separator, quote, arg, quote, hidden};
        for (const char* piece : pieces) {
            for (std::size_t n = piece == arg ? shown : size; n > 0 && *piece && length + 1 < size; --n)
                line[length++] = *piece++;
        }
    }
    line[length] = '\0';
    return length;
}

void DefaultLogPath(char* path, std::size_t length, unsigned long alternative) {
    static constexpr char kName[] = "ORVEX-Setup";
    char* end = path + length;
    if (length > 0 && end[-1] != '\\') *end++ = '\\';
    std::memcpy(end, kName, sizeof kName - 1);
    end += sizeof kName - 1;
    if (alternative) {
        char digits[10];
        int n = 0;
        for (; alternative; alternative /= 10) digits[n++] = static_cast<char>('0' + alternative % 10);
        *end++ = '-';
        while (n > 0) *end++ = digits[--n];
    }
    std::memcpy(end, ".log", 5);
}

bool PersonCanSee(const ScreenFacts& f) {
    if (f.stationKnown && !f.stationVisible) return false;
    return !(f.sessionKnown && f.session == 0 && f.majorVersion >= 6);
}

}  // namespace rs
