#include "ui/license_rules.h"

namespace rs {

std::string BaseComponentsInfPath(PlatformCode platform, const std::string& currentDirectory) {
    const std::string inf = "\\smclib\\scbase.inf";
    return platform == 3 ? currentDirectory + inf : "." + inf;
}

std::string BaseComponentsCommand(PlatformCode platform, const std::string& windowsDirectory,
                                  const std::string& currentDirectory, bool askBeforeRestart) {
    const std::string inf = (askBeforeRestart ? "132 " : "128 ") + BaseComponentsInfPath(platform, currentDirectory);
    switch (platform) {
        case 1:
        case 2:
        case 3:
            return windowsDirectory + "\\rundll.exe setupx.dll,InstallHinfSection DefaultInstall " + inf;
        case 4:
            return windowsDirectory + "\\system32\\rundll32.exe setupapi,InstallHinfSection DefaultInstall " + inf;
        default:
            return std::string();
    }
}

bool BaseComponentsWaitOver(std::uint32_t startTick, std::uint32_t nowTick) {
    return nowTick - startTick >= kBaseComponentsWaitMs;
}

std::string UpperAscii(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

bool IsSmartCardServiceMarker(const std::string& value, const std::string& systemDirectory) {
    return UpperAscii(value) == UpperAscii(systemDirectory + "\\SCardSvr.exe");
}

std::string CompanionRunValue(const std::string& systemDirectory) { return systemDirectory + "\\TkpSvc.exe"; }

std::string ToMemoLineBreaks(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}

}  // namespace rs
