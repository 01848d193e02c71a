#include "shell/shortcut_rules.h"

#include <cstdio>

namespace rs {

std::wstring ShortcutFilePath(const std::wstring& folder, const std::wstring& name) {
    return folder + L"\\" + name + L".lnk";
}

std::wstring FreeShortcutFilePath(const std::wstring& folder, const std::wstring& name,
                                  const std::function<bool(const std::wstring&)>& taken) {
    std::wstring path = ShortcutFilePath(folder, name);
    for (int n = 2; taken(path); ++n) {
        if (n > 99) return std::wstring();
        path = ShortcutFilePath(folder, name + L" (" + std::to_wstring(n) + L")");
    }
    return path;
}

std::optional<std::string> ShortcutWorkingDirectory(const std::string& target) {
    const std::string::size_type slash = target.rfind('\\');
    if (target.empty() || slash == std::string::npos) return std::nullopt;
    return target.substr(0, slash);
}

std::string ExistingLinkFailureMessage(std::uint32_t hresult, std::uintptr_t object, const std::string& systemText) {
    // The codes part has a fixed shape; 300 characters always hold it.
    char codes[300];
    std::snprintf(codes, sizeof codes, "Couldn't get IShellLink to existing file. hres=%lx %lu. psl=%lx. ",
                  static_cast<unsigned long>(hresult), static_cast<unsigned long>(hresult),
                  static_cast<unsigned long>(object));
    constexpr std::string::size_type kSystemTextLimit = 499;
    return std::string(codes) + ": " + systemText.substr(0, kSystemTextLimit);
}

}  // namespace rs
