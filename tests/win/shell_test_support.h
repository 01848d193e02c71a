// What the shell tests read back through the platform: shortcut properties
// from the shell link object, files and folders from the file API.
#pragma once
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <set>
#include <string>
#include <vector>

namespace rs::shelltest {

inline std::string FolderPath(int csidl) {
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return std::string();
    return path;
}

struct LinkFacts {
    bool loaded = false;
    std::string target, workingDirectory, arguments, iconFile, description;
    int iconIndex = -1;
};

inline LinkFacts ReadLink(const std::string& path) {
    LinkFacts facts;
    CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        std::wstring wide(path.begin(), path.end());
        if (SUCCEEDED(file->Load(wide.c_str(), STGM_READ))) {
            char text[1024];
            facts.loaded = true;
            text[0] = 0;
            link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH);
            facts.target = text;
            text[0] = 0;
            link->GetWorkingDirectory(text, sizeof text);
            facts.workingDirectory = text;
            text[0] = 0;
            link->GetArguments(text, sizeof text);
            facts.arguments = text;
            text[0] = 0;
            link->GetIconLocation(text, sizeof text, &facts.iconIndex);
            facts.iconFile = text;
            text[0] = 0;
            link->GetDescription(text, sizeof text);
            facts.description = text;
        }
    }
    if (file) file->Release();
    if (link) link->Release();
    CoUninitialize();
    return facts;
}

inline bool WriteLink(const std::string& path, const std::string& target) {
    CoInitialize(nullptr);
    bool ok = false;
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        link->SetPath(target.c_str());
        std::wstring wide(path.begin(), path.end());
        ok = SUCCEEDED(file->Save(wide.c_str(), TRUE));
    }
    if (file) file->Release();
    if (link) link->Release();
    CoUninitialize();
    return ok;
}

inline bool WriteWholeFile(const std::string& path, const std::string& content) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
              written == content.size();
    CloseHandle(h);
    return ok;
}

inline std::string ReadWholeFile(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<missing>";
    std::string content;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(h, chunk, sizeof chunk, &got, nullptr) && got > 0) content.append(chunk, got);
    CloseHandle(h);
    return content;
}

inline bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline bool IsFolder(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

inline void RemoveFile(const std::string& path) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
}

// Entry names directly inside a folder, "." and ".." left out.
inline std::set<std::string> ListFolder(const std::string& folder) {
    std::set<std::string> names;
    WIN32_FIND_DATAA entry{};
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        std::string n = entry.cFileName;
        if (n != "." && n != "..") names.insert(n);
    } while (FindNextFileA(h, &entry));
    FindClose(h);
    return names;
}

inline void RemoveTree(const std::string& folder) {
    for (const auto& name : ListFolder(folder)) {
        const std::string path = folder + "\\" + name;
        if (IsFolder(path))
            RemoveTree(path);
        else
            RemoveFile(path);
    }
    RemoveDirectoryA(folder.c_str());
}

}  // namespace rs::shelltest
