// A hhctrl.ocx that loads but has no HtmlHelpA.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

extern "C" __declspec(dllexport) int __cdecl NotHtmlHelp() { return 0; }
