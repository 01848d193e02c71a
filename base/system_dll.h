// System DLLs loaded at run time by their full path in the system folder,
// never by a bare name that the loader would also look for in the
// program's own or the current folder.
#pragma once
#include <windows.h>

#include <string>

namespace rs {

// Nullptr when the system folder cannot be read or the DLL is missing.
inline HMODULE LoadSystemDll(const char* name) {
    char folder[MAX_PATH];
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    const std::string path = std::string(folder, length) + "\\" + name;
    // The DLL's own imports are looked for in its folder first, not in this
    // program's folder (the installation medium) as a plain load would.
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// An entry of a system DLL that stays loaded until the process ends, as an
// import would (callers look each entry up once); nullptr when the DLL or
// the entry is missing.
template <typename Fn>
Fn KeptSystemEntry(const char* dll, const char* entry) {
    HMODULE module = LoadSystemDll(dll);
    if (module == nullptr) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, entry)));
}

}  // namespace rs
