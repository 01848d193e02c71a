// A stand-in platform installer of the sample medium. As real installers
// do, it first tells every top-level window that a setting changed, with a
// plain SendMessage that waits for each of them to answer (a program that
// does not answer hangs it). Then it appends to "<name>.installer-ran.txt" in
// its current directory (one record a start: as wineboot it is started at a
// session's start too), holding its own name, the current directory, its
// command line and the show command it was started with (-1: none given),
// and exits with 0, or with
// the code named in a file "<name>.exitcode" of its current directory
// (a test's way to make the installer fail).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char self[MAX_PATH] = {};
    if (!GetModuleFileNameA(nullptr, self, MAX_PATH)) return 1;
    std::string name = self;
    name = name.substr(name.find_last_of("\\/") + 1);
    std::string stem = name.substr(0, name.rfind('.'));
    char cwd[MAX_PATH] = {};
    if (!GetCurrentDirectoryA(MAX_PATH, cwd)) return 1;

    SendMessageA(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("Environment"));

    std::string marker = stem + ".installer-ran.txt";
    FILE* f = std::fopen(marker.c_str(), "ab");
    if (!f) return 1;
    STARTUPINFOA start{};
    start.cb = sizeof start;
    GetStartupInfoA(&start);
    const int show = (start.dwFlags & STARTF_USESHOWWINDOW) ? start.wShowWindow : -1;
    std::fprintf(f, "program=%s\r\ncurrent-directory=%s\r\ncommand-line=%s\r\nshow-command=%d\r\n", name.c_str(),
                 cwd, GetCommandLineA(), show);
    std::fclose(f);

    int code = 0;
    if (FILE* c = std::fopen((stem + ".exitcode").c_str(), "rb")) {
        if (std::fscanf(c, "%d", &code) != 1) code = 0;
        std::fclose(c);
    }
    return code;
}
