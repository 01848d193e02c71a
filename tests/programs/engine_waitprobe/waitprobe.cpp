// Started by the external-installer tests: sleeps a while, then writes its
// current directory into "waitprobe.out" there, so a caller that returned
// before it ended finds no file.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    Sleep(700);
    char folder[1024] = {};
    DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
    HANDLE out = CreateFileA("waitprobe.out", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(out, folder, length < sizeof folder ? length : 0, &written, nullptr);
    CloseHandle(out);
    return 0;
}
