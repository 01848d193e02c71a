#include "toolkit/layout_rules.h"

namespace tk {

int CenteredOrigin(int screen, int window) { return (screen - window) / 2; }

Point CenteredPosition(int screenWidth, int screenHeight, int windowWidth, int windowHeight) {
    return Point{CenteredOrigin(screenWidth, windowWidth), CenteredOrigin(screenHeight, windowHeight)};
}

bool TicksElapsed(std::uint32_t start, std::uint32_t now, std::uint32_t ms) {
    return static_cast<std::uint32_t>(now - start) >= ms;
}

std::string ExceptionReportText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.')) {
        return message + ".";
    }
    return message;
}

std::string TitleFromModulePath(const std::string& path) {
    std::string::size_type slash = path.find_last_of("\\/:");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string::size_type dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

char AcceleratorOf(const std::string& caption) {
    for (std::string::size_type i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        char next = caption[i + 1];
        if (next == '&') {
            ++i;
            continue;
        }
        if (next >= 'a' && next <= 'z') next = static_cast<char>(next - 'a' + 'A');
        return next;
    }
    return 0;
}

}  // namespace tk
