#include "shell/shortcut.h"

#include <shlobj.h>

#include "base/handles.h"
#include "base/system_api.h"
#include "app/language.h"
#include "shell/shortcut_rules.h"
#include "toolkit/error.h"

namespace rs {
namespace {

// Display names come back in one of three forms; the wide one is the
// shell's to free.
std::wstring TakeDisplayName(STRRET& name, LPCITEMIDLIST item, IMalloc* alloc) {
    switch (name.uType) {
        case STRRET_WSTR: {
            std::wstring text = name.pOleStr ? std::wstring(name.pOleStr) : std::wstring();
            if (name.pOleStr) alloc->Free(name.pOleStr);
            return text;
        }
        case STRRET_OFFSET:
            return WideFromAnsi(reinterpret_cast<const char*>(item) + name.uOffset);
        case STRRET_CSTR:
            return WideFromAnsi(name.cStr);
        default:
            return std::wstring();
    }
}

bool IsEmptyItemList(LPCITEMIDLIST list) { return list && list->mkid.cb == 0; }

// Path of the last non-folder item whose in-folder name is exactly `name`;
// empty when none.
std::wstring FindExistingItem(HWND owner, LPCITEMIDLIST folder, IMalloc* alloc, const std::wstring& name) {
    com_ptr<IShellFolder> desktop;
    if (FAILED(sysapi::SHGetDesktopFolder(desktop.put())) || !desktop) return std::wstring();
    com_ptr<IShellFolder> bound;
    if (FAILED(desktop->BindToObject(folder, nullptr, IID_IShellFolder, bound.put_void())) || !bound) {
        // The Desktop's own list is empty and cannot be bound: its folder
        // object is the Desktop one.
        if (!IsEmptyItemList(folder)) return std::wstring();
        bound.reset(desktop.get());
        bound->AddRef();
    }
    com_ptr<IEnumIDList> items;
    if (bound->EnumObjects(owner, SHCONTF_NONFOLDERS, items.put()) != S_OK || !items) return std::wstring();

    std::wstring found;
    for (;;) {
        unique_pidl item;
        if (items->Next(1, item.put(alloc), nullptr) != S_OK) break;
        STRRET shown{};
        if (FAILED(bound->GetDisplayNameOf(item.get(), SHGDN_INFOLDER, &shown))) break;
        if (TakeDisplayName(shown, item.get(), alloc) != name) continue;
        STRRET parsing{};
        if (FAILED(bound->GetDisplayNameOf(item.get(), SHGDN_FORPARSING, &parsing))) continue;
        std::wstring path = TakeDisplayName(parsing, item.get(), alloc);
        if (!path.empty()) found = std::move(path);  // the last match wins
    }
    return found;
}

std::string SystemErrorText(DWORD code) {
    char* text = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, code,
                                  MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0,
                                  nullptr);
    unique_hlocal owned(text);
    if (length == 0 || !text) return std::string();
    return std::string(text, length);
}

std::string OpenExistingLink(const std::wstring& path) {
    com_ptr<IShellLinkA> link;
    HRESULT hr = sysapi::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put_void());
    if (FAILED(hr) || !link) {
        DWORD error = GetLastError();
        throw tk::Error(ExistingLinkFailureMessage(static_cast<std::uint32_t>(hr),
                                                   reinterpret_cast<std::uintptr_t>(link.get()),
                                                   SystemErrorText(error)));
    }
    com_ptr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())) || !file)
        throw tk::Error("Couldn't get a persist-file interface to the IShellLink for existing file");
    if (FAILED(file->Load(path.c_str(), STGM_SHARE_DENY_WRITE)))
        throw tk::Error("Error loading the existing IShellLink");
    return AnsiFromWide(path);
}

std::string WriteNewLink(const std::wstring& path, const std::string& target, const std::string& arguments,
                         const std::string& iconFile, int iconIndex) {
    const auto workingDirectory = ShortcutWorkingDirectory(target);
    com_ptr<IShellLinkA> link;
    HRESULT hr = sysapi::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put_void());
    if (FAILED(hr) || !link) throw tk::Error("Unable to create shortcut file");
    // The setters' results are not looked at: a shortcut with fewer
    // properties is still worth saving.
    if (!target.empty()) link->SetPath(target.c_str());
    link->SetDescription("");
    if (!arguments.empty()) link->SetArguments(arguments.c_str());
    if (!iconFile.empty()) link->SetIconLocation(iconFile.c_str(), iconIndex);
    if (workingDirectory) link->SetWorkingDirectory(workingDirectory->c_str());
    com_ptr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())) || !file)
        throw tk::Error("Unable to get IPersistFile interface on shortcut just created");
    file->Save(path.c_str(), FALSE);  // a folder that cannot be written to is not reported
    return AnsiFromWide(path);
}

}  // namespace

std::string CreateShellShortcut(HWND owner, const std::string& target, const std::string& arguments,
                                const std::string& iconFile, int iconIndex, const std::string& name, int folderId) {
    // Declared first so that every shell object is released before COM goes.
    com_apartment apartment;
    com_ptr<IMalloc> alloc;
    std::wstring folderPath;
    std::wstring found;
    if (SUCCEEDED(sysapi::SHGetMalloc(alloc.put())) && alloc) {
        unique_pidl folder;
        if (SUCCEEDED(sysapi::SHGetSpecialFolderLocation(owner, folderId, folder.put(alloc.get()))) && folder) {
            char path[MAX_PATH] = {};
            if (sysapi::SHGetPathFromIDListA(folder.get(), path)) folderPath = WideFromAnsi(path);
            found = FindExistingItem(owner, folder.get(), alloc.get(), WideFromAnsi(name));
        }
    }
    if (!found.empty()) return OpenExistingLink(found);
    // Without a file-system folder the new file would land relative to the
    // current drive: refuse instead.
    if (folderPath.empty()) throw tk::Error("Unable to create shortcut file");
    // A file the search did not match is the user's: ours goes beside it.
    const std::wstring path = FreeShortcutFilePath(folderPath, WideFromAnsi(name), [](const std::wstring& p) {
        // The narrow call: Windows 95 has only a failing stub of the wide one.
        return GetFileAttributesA(AnsiFromWide(p).c_str()) != INVALID_FILE_ATTRIBUTES;
    });
    if (path.empty()) throw tk::Error("Unable to create shortcut file");
    return WriteNewLink(path, target, arguments, iconFile, iconIndex);
}

}  // namespace rs
