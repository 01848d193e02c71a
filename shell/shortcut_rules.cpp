#include "shell/shortcut_rules.h"

#include <charconv>

namespace rs {

std::wstring ShortcutFilePath(const std::wstring& folder, const std::wstring& name) {
    return folder + L"\\" + name + L".lnk";
}

std::wstring FreeShortcutFilePath(const std::wstring& folder, const std::wstring& name,
                                  const std::function<bool(const std::wstring&)>& taken) {
    std::wstring path = ShortcutFilePath(folder, name);
    for (int n = 2; taken(path); ++n) {
        if (n > 99) return std::wstring();
        // Two digits by hand: std::to_wstring brings in the C library's
        // whole wide printf.
        std::wstring number;
        if (n >= 10) number += static_cast<wchar_t>(L'0' + n / 10);
        number += static_cast<wchar_t>(L'0' + n % 10);
        path = ShortcutFilePath(folder, name + L" (" + number + L")");
    }
    return path;
}

std::optional<std::string> ShortcutWorkingDirectory(const std::string& target) {
    const std::string::size_type slash = target.rfind('\\');
    if (target.empty() || slash == std::string::npos) return std::nullopt;
    return target.substr(0, slash);
}

std::string ExistingLinkFailureMessage(std::uint32_t hresult, std::uintptr_t object, const std::string& systemText) {
    // The codes as "%lx %lu" and "%lx" would print them.
    auto number = [](unsigned long value, int base) {
        char digits[24];
        const auto written = std::to_chars(digits, digits + sizeof digits, value, base);
        return std::string(digits, written.ptr);
    };
    const auto code = static_cast<unsigned long>(hresult);
    std::string text = "Couldn't get IShellLink to existing file. hres=" + number(code, 16) + " " + number(code, 10) +
                       ". psl=" + number(static_cast<unsigned long>(object), 16) + ". ";
    constexpr std::string::size_type kSystemTextLimit = 499;
    return text + ": " + systemText.substr(0, kSystemTextLimit);
}

}  // namespace rs
