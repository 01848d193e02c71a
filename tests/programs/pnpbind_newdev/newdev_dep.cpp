// A library the stand-in newdev.dll imports, so that the tests can see
// where a process's loader found newdev's own imports: it tells its path.
#include <windows.h>

extern "C" __declspec(dllexport) DWORD WINAPI RsNewdevDepPath(char* buffer, DWORD size) {
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&RsNewdevDepPath), &self))
        return 0;
    return GetModuleFileNameA(self, buffer, size);
}
