// What the shell tests read back through the platform: shortcut properties
// from the shell link object (files and folders: win_test_support.h).
#pragma once
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "tests/win/win_test_support.h"

namespace rs::shelltest {

using namespace wintest;

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

}  // namespace rs::shelltest
