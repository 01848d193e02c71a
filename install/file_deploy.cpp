#include "install/file_deploy.h"

#include "app/language.h"
#include "app/run_context.h"
#include "base/handles.h"
#include "base/run_log.h"
#include "base/system_api.h"

namespace rs {

namespace {

// Asks again with the size the system names, so no folder is cut short.
std::string SystemFolder(UINT(WINAPI* query)(LPSTR, UINT)) {
    std::string folder(MAX_PATH, '\0');
    for (;;) {
        UINT length = query(folder.data(), static_cast<UINT>(folder.size()));
        if (length == 0) return std::string();
        if (length < folder.size()) {
            folder.resize(length);
            return folder;
        }
        folder.assign(length, '\0');
    }
}

// The file version of a file's version resource.
FileVersion VersionOf(const char* path) {
    DWORD ignored = 0;
    const DWORD size = sysapi::GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0) return {};
    std::string data(size, '\0');
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!sysapi::GetFileVersionInfoA(path, 0, size, data.data()) ||
        !sysapi::VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &length) || !info ||
        length < sizeof *info)
        return {};
    return {true, (std::uint64_t{info->dwFileVersionMS} << 32) | info->dwFileVersionLS};
}

// "a.b.c.d" (in text), or "no version".
const char* VersionText(FileVersion v, char (&text)[24]) {
    if (!v.present) return "no version";
    const auto part = [&v](int shift) { return static_cast<unsigned>((v.value >> shift) & 0xFFFF); };
    wsprintfA(text, "%u.%u.%u.%u", part(48), part(32), part(16), part(0));
    return text;
}

}  // namespace

BOOL InstallRow(const CopyRow& row) {
    const std::string destination = DestinationOf(row);
    if (row.systemComponent) {
        const FileVersion installed = VersionOf(destination.c_str());
        const FileVersion medium = VersionOf(row.source);
        if (KeepsInstalledComponent(installed, medium)) {
            char kept[24], offered[24];
            runlog::Line("kept \"%s\", version %s (the medium's \"%s\": %s)", destination.c_str(),
                         VersionText(installed, kept), row.source, VersionText(medium, offered));
            return TRUE;
        }
    }
    return InstallFile(row.source, destination);
}

BOOL InstallFile(const char* source, const char* destination) {
    // Read-only copies of an earlier installation are to be overwritten; the
    // destination may not exist yet, so the result is not looked at.
    SetFileAttributesA(destination, FILE_ATTRIBUTE_NORMAL);
    const BOOL copied = CopyFileA(source, destination, FALSE);
    const DWORD error = copied ? 0 : GetLastError();
    runlog::Step(copied, error, "copy \"%s\" to \"%s\"", source, destination);
    if (!copied) {
        SetLastError(error);  // the caller's message tells it
        return FALSE;
    }
    // The copy takes the source's attributes, and every file on a pressed
    // disc is read-only: left so, later driver updates, the uninstaller and
    // the user could neither replace nor delete it. Only that bit goes.
    const DWORD attributes = GetFileAttributesA(destination);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        const DWORD rest = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
        SetFileAttributesA(destination, rest != 0 ? rest : FILE_ATTRIBUTE_NORMAL);
    }
    WIN32_FIND_DATAA copy;
    const unique_hfind found(FindFirstFileA(destination, &copy));
    if (found) Outcome().installedBytes += (std::uint64_t{copy.nFileSizeHigh} << 32) | copy.nFileSizeLow;
    return TRUE;
}

std::string CopyFailureText(const std::string& fileName, DisplayLanguage language, std::int32_t errorCode) {
    std::wstring wideName = WideFromAnsi(fileName);
    std::u16string name(wideName.begin(), wideName.end());
    std::array<std::u16string, 3> texts = BuildCopyFailureTexts(name, errorCode);
    const std::u16string& text = texts.at(static_cast<std::size_t>(language));
    // The Traditional Chinese message is kept in code page 950 whatever the system's.
    return ToCodePage(text, language == 1 ? 950 : CP_ACP);
}

std::string CopyFailureText(const std::string& fileName, DisplayLanguage language) {
    const auto code = static_cast<std::int32_t>(GetLastError());
    std::string text = CopyFailureText(fileName, language, code);
    SetLastError(static_cast<DWORD>(code));  // still there for the next language asked
    return text;
}

std::string CurrentDirectory() {
    std::string dir(MAX_PATH, '\0');
    for (;;) {
        const DWORD n = GetCurrentDirectoryA(static_cast<DWORD>(dir.size()), dir.data());
        if (n == 0) return std::string();
        if (n < dir.size()) {
            dir.resize(n);
            return dir;
        }
        dir.assign(n, '\0');  // longer than the buffer: n is the size it needs
    }
}

std::string WindowsDirectory() { return SystemFolder(GetWindowsDirectoryA); }
std::string SystemDirectory() { return SystemFolder(GetSystemDirectoryA); }

std::string DestinationOf(const CopyRow& row) {
    return (row.base == DestinationBase::Windows ? WindowsDirectory() : SystemDirectory()) + row.tail;
}

}  // namespace rs
