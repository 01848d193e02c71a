#include "pnpbind/removal.h"

#include <setupapi.h>

#include <string>
#include <vector>

#include "base/handles.h"
#include "base/system_dll.h"
#include "pnpbind/removal_rules.h"

namespace rs::pnpbind {
namespace {

// The setup API's entries, looked up at run time: this library loads on
// systems without it, and the INF ones are newer than Windows 2000.
struct SetupApi {
    explicit SetupApi(HMODULE m) : module(m) {}
    template <typename Fn>
    Fn Entry(const char* name) const {
        return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module.get(), name))) : nullptr;
    }
    unique_hmodule module;
    decltype(&SetupDiGetClassDevsA) classDevs = Entry<decltype(&SetupDiGetClassDevsA)>("SetupDiGetClassDevsA");
    decltype(&SetupDiEnumDeviceInfo) enumDevice = Entry<decltype(&SetupDiEnumDeviceInfo)>("SetupDiEnumDeviceInfo");
    decltype(&SetupDiGetDeviceRegistryPropertyA) property =
        Entry<decltype(&SetupDiGetDeviceRegistryPropertyA)>("SetupDiGetDeviceRegistryPropertyA");
    decltype(&SetupDiGetDeviceInstanceIdA) instanceId =
        Entry<decltype(&SetupDiGetDeviceInstanceIdA)>("SetupDiGetDeviceInstanceIdA");
    decltype(&SetupDiCallClassInstaller) classInstaller =
        Entry<decltype(&SetupDiCallClassInstaller)>("SetupDiCallClassInstaller");
    decltype(&SetupDiDestroyDeviceInfoList) destroy =
        Entry<decltype(&SetupDiDestroyDeviceInfoList)>("SetupDiDestroyDeviceInfoList");
    decltype(&SetupGetInfInformationA) infInformation =
        Entry<decltype(&SetupGetInfInformationA)>("SetupGetInfInformationA");
    decltype(&SetupQueryInfOriginalFileInformationA) originalFile =
        Entry<decltype(&SetupQueryInfOriginalFileInformationA)>("SetupQueryInfOriginalFileInformationA");
    decltype(&SetupUninstallOEMInfA) uninstall = Entry<decltype(&SetupUninstallOEMInfA)>("SetupUninstallOEMInfA");
};

class Reporter {
public:
    Reporter(PnpRemovalReportFn fn, void* context) : fn_(fn), context_(context) {}
    void operator()(bool ok, DWORD error, const std::string& what) const {
        if (fn_ != nullptr) fn_(context_, ok ? TRUE : FALSE, ok ? 0 : error, what.c_str());
    }

private:
    PnpRemovalReportFn fn_;
    void* context_;
};

// Every node of the hardware ID, plugged in or only remembered, removed
// through its class installer. From the end of the list backwards: a
// removal may take its node out of the list.
bool RemoveDeviceNodes(const SetupApi& api, LPCSTR hardwareId, const Reporter& report) {
    if (!api.classDevs || !api.enumDevice || !api.property || !api.classInstaller || !api.destroy) return false;
    HDEVINFO set = api.classDevs(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES);
    if (set == INVALID_HANDLE_VALUE) {
        report(false, GetLastError(), std::string("device nodes of ") + hardwareId);
        return false;
    }
    struct Owner {
        const SetupApi& api;
        HDEVINFO set;
        ~Owner() { api.destroy(set); }
    } owner{api, set};
    DWORD count = 0;
    for (SP_DEVINFO_DATA node{sizeof node, {}, 0, 0}; api.enumDevice(set, count, &node);) ++count;
    bool found = false;
    while (count-- > 0) {
        SP_DEVINFO_DATA node{sizeof node, {}, 0, 0};
        char ids[4096] = {};  // zeroed: a list cut short still ends
        if (!api.enumDevice(set, count, &node) ||
            !api.property(set, &node, SPDRP_HARDWAREID, nullptr, reinterpret_cast<BYTE*>(ids), sizeof ids - 2,
                          nullptr) ||
            !MultiSzHolds(std::string_view(ids, sizeof ids), hardwareId))
            continue;
        found = true;
        char instance[512] = "?";  // the ID, or "?" when it cannot be read
        if (api.instanceId && !api.instanceId(set, &node, instance, sizeof instance, nullptr)) instance[1] = '\0';
        const BOOL removed = api.classInstaller(DIF_REMOVE, set, &node);
        const DWORD error = GetLastError();
        report(removed != FALSE, error, std::string("removed device node \"") + instance + "\"");
    }
    return found;
}

// The INF's original name as the system recorded it at the copy (the
// file's own name where the record cannot be read); empty where the system
// keeps no such record (Windows 2000).
std::string OriginalName(const SetupApi& api, const std::string& path, const char* name) {
    if (!api.infInformation || !api.originalFile) return {};
    DWORD need = 0;
    if (!api.infInformation(path.c_str(), INFINFO_INF_NAME_IS_ABSOLUTE, nullptr, 0, &need) || need == 0) return name;
    std::string buffer(need, '\0');
    auto info = reinterpret_cast<PSP_INF_INFORMATION>(buffer.data());
    SP_ORIGINAL_FILE_INFO_A original{};
    original.cbSize = sizeof original;
    if (!api.infInformation(path.c_str(), INFINFO_INF_NAME_IS_ABSOLUTE, info, need, nullptr) ||
        !api.originalFile(info, 0, nullptr, &original))
        return name;
    return original.OriginalInfName;
}

bool NamesHardwareId(const std::string& path, LPCSTR hardwareId) {
    unique_hfile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    // INF files are small; a megabyte holds any driver's.
    std::string bytes(1 << 20, '\0');
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)) return false;
    bytes.resize(got);
    return InfTextNames(bytes, hardwareId);
}

// Removes one package by the system's own call, forced, so that a device
// still bound to it does not keep it. Without that call (Windows 2000) the
// INF and its precompiled form are deleted; the catalog stays. The plain
// copy of the INF under its own name, which Windows may refuse as no package
// of its making, goes the same way.
void RemovePackage(const SetupApi& api, const std::string& folder, const char* name, const Reporter& report) {
    const std::string path = folder + name;
    std::string what = "removed driver package \"" + path + "\"";
    // A copy made from a disc may keep the disc's read-only attribute, which
    // refuses the delete.
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (api.uninstall && api.uninstall(name, SUOI_FORCEDELETE, nullptr)) {
        report(true, 0, what);
        return;
    }
    const DWORD refused = GetLastError();
    if (api.uninstall && IsOemInfName(name)) {
        report(false, refused, what);
        return;
    }
    if (!api.uninstall) what += " (no SetupUninstallOEMInf here: INF and PNF deleted, catalog kept)";
    const BOOL deleted = DeleteFileA(path.c_str());
    const DWORD error = GetLastError();
    std::string pnf = path;
    pnf.replace(pnf.size() - 3, 3, "pnf");
    DeleteFileA(pnf.c_str());  // none there is fine
    report(deleted != FALSE, error, what);
}

bool RemovePackages(const SetupApi& api, LPCSTR hardwareId, LPCSTR originalInf, const Reporter& report) {
    char windows[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    const std::string folder = std::string(windows, length) + "\\inf\\";
    // Windows names its package copies oem<N>.inf; a copy under the INF's
    // own name is looked at too, as some systems' copies keep it. Where no
    // original name is recorded, the hardware ID alone tells.
    std::vector<std::string> packages;
    WIN32_FIND_DATAA entry{};
    unique_hfind search(FindFirstFileA((folder + "*.inf").c_str(), &entry));
    if (!search) return false;
    do {
        const char* name = entry.cFileName;
        if (!IsOemInfName(name) && !SameTextNoCase(name, originalInf)) continue;
        const std::string path = folder + name;
        const std::string original = OriginalName(api, path, name);
        if ((original.empty() || SameTextNoCase(original, originalInf)) && NamesHardwareId(path, hardwareId))
            packages.push_back(name);
    } while (FindNextFileA(search.get(), &entry));
    search.reset();  // removed once the folder has been read through
    for (const std::string& name : packages) RemovePackage(api, folder, name.c_str(), report);
    return !packages.empty();
}

}  // namespace

bool RemoveDriverHere(LPCSTR hardwareId, LPCSTR originalInf, PnpRemovalReportFn report, void* context) {
    const SetupApi api(LoadSystemDll("setupapi.dll"));
    if (!api.module) return false;
    const Reporter reporter(report, context);
    // Nodes first, so that no device holds on to a package being removed.
    const bool nodes = RemoveDeviceNodes(api, hardwareId, reporter);
    const bool packages = RemovePackages(api, hardwareId, originalInf, reporter);
    return nodes || packages;
}

}  // namespace rs::pnpbind
