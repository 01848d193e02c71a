#include "install/registry_io.h"

#include <array>

#include "base/run_log.h"

namespace rs {
namespace {

// A key to be written to that cannot be reached leaves its values
// unwritten: that is the step's failure.
MachineKey Reached(LONG rc, unique_hkey& key, const char* path, bool toWrite) {
    if (rc != ERROR_SUCCESS) {
        key.release();
        if (toWrite) runlog::Step(false, static_cast<unsigned long>(rc), "registry: key HKLM\\%s", path);
    }
    return MachineKey(std::move(key), path);
}

// Registry errors come back as the call's result.
LONG Logged(StepKind kind, LONG rc, const char* what, const MachineKey& key, const char* name) {
    runlog::Result(kind, rc == ERROR_SUCCESS, static_cast<unsigned long>(rc), "registry: %s HKLM\\%s \"%s\"", what,
                   key.path(), name);
    return rc;
}

LONG DeleteTree(HKEY parent, const char* child) {
    unique_hkey key;
    LONG rc = RegOpenKeyA(parent, child, key.put());
    if (rc != ERROR_SUCCESS) {
        key.release();
        return rc;
    }
    // Subkeys that refuse deletion are stepped over so the walk ends.
    DWORD index = 0;
    for (;;) {
        std::array<char, 256> name{};  // key names have at most 255 characters
        DWORD length = static_cast<DWORD>(name.size());
        rc = RegEnumKeyExA(key.get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (rc != ERROR_SUCCESS) break;
        if (DeleteTree(key.get(), name.data()) != ERROR_SUCCESS) ++index;
    }
    key.reset();
    return RegDeleteKeyA(parent, child);
}

}  // namespace

MachineKey OpenMachineKey(const char* path, bool toWrite) {
    unique_hkey key;
    const LONG rc = RegOpenKeyA(HKEY_LOCAL_MACHINE, path, key.put());
    return Reached(rc, key, path, toWrite);
}

MachineKey CreateMachineKey(const char* path) {
    unique_hkey key;
    const LONG rc = RegCreateKeyA(HKEY_LOCAL_MACHINE, path, key.put());
    return Reached(rc, key, path, true);
}

LONG SetValue(const MachineKey& key, const char* name, DWORD type, const void* data, DWORD size) {
    return Logged(StepKind::Do, RegSetValueExA(key.get(), name, 0, type, static_cast<const BYTE*>(data), size), "set",
                  key, name);
}

LONG DeleteValue(const MachineKey& key, const char* name) {
    return Logged(StepKind::Remove, RegDeleteValueA(key.get(), name), "removed", key, name);
}

bool ReadValue99(HKEY key, const char* name, std::string& text) {
    constexpr DWORD kOffered = 99;
    // One byte more than offered, so data stored without a terminator still end.
    std::array<char, kOffered + 1> buffer{};
    DWORD size = kOffered;
    LONG rc = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &size);
    if (rc != ERROR_SUCCESS) return false;
    text.assign(buffer.data());
    return true;
}

LONG DeleteKeyTree(const MachineKey& parent, const char* child) {
    const LONG rc = DeleteTree(parent.get(), child);
    if (rc == ERROR_FILE_NOT_FOUND) return rc;  // nothing there to remove
    runlog::Step(rc == ERROR_SUCCESS, static_cast<unsigned long>(rc), "registry: removed key HKLM\\%s\\%s",
                 parent.path(), child);
    return rc;
}

}  // namespace rs
