// The DLL's own entry. The C++ runtime's start-up code runs first and then
// calls DllMain, so static objects and the heap are ready; DllMain hands over
// to DllEntry, which only keeps the module handle.
#include "shell/host/tembril.h"

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

// The exports live in the core library, and Tembril.def alone does not make
// the linker take them out of the archive: naming them here does.
#include "shell/entry.h"

extern "C" __attribute__((used)) const void* const LinkedExports[] = {
    reinterpret_cast<const void*>(&InstallDll),
    reinterpret_cast<const void*>(&DllProc),
    reinterpret_cast<const void*>(&GetOptions),
};
