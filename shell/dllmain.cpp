// The DLL's own entry. The C++ runtime's start-up code runs first and then
// calls DllMain, so static objects and the heap are ready; DllMain hands over
// to DllEntry, which only keeps the module handle.
#include "shell/tembril.h"

extern "C" BOOL __stdcall DllEntry(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reason;
    (void)reserved;
    ModuleHandle = instance;
    return TRUE;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    return DllEntry(instance, reason, reserved);
}
