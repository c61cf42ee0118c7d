// The DllMain a DLL gets when it defines none (a library member, so the linker takes
// it only then).
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
