#include "app/platform.h"

#include <windows.h>

#include <cstring>

namespace rs {

PlatformCode DetectPlatform() {
    SYSTEM_INFO si;
    OSVERSIONINFOEXA vi;
    std::memset(&si, 0, sizeof si);
    std::memset(&vi, 0, sizeof vi);
    static_assert(sizeof(OSVERSIONINFOEXA) == 156 && sizeof(OSVERSIONINFOA) == 148);

    vi.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
    if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&vi))) {
        // Older systems know only the short record; the product type stays 0.
        vi.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&vi))) return 12;
    }

    // The native processor is what tells a 32-bit program it runs on 64-bit Windows.
    using NativeInfoFn = void(WINAPI*)(LPSYSTEM_INFO);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto native = kernel ? reinterpret_cast<NativeInfoFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "GetNativeSystemInfo"))) : nullptr;
    if (native != nullptr)
        native(&si);
    else
        GetSystemInfo(&si);

    VersionFacts f;
    f.major = vi.dwMajorVersion;
    f.minor = vi.dwMinorVersion;
    f.platformId = vi.dwPlatformId;
    f.productType = vi.wProductType;
    f.architecture = si.wProcessorArchitecture;
    return ClassifyPlatform(f);
}

}  // namespace rs
