// A DLL whose only content of note is its version resource (versioned.rc).
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
