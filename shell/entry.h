// The add-in's side of the host protocol: the exports the host calls, the
// messages it answers and sends, the option table and the hook mask.
#pragma once
#include <windows.h>

#include <stdint.h>

// Sent by InstallDll to the host's main window, wParam 0 and lParam 0.
constexpr UINT HM_GETHANDLES = 1074;  // answer: HostHandlesRecord*
constexpr UINT HM_GETPROCS = 1075;    // answer: HostProcsRecord*
constexpr UINT HM_GETDATA = 1076;     // answer: HostDataRecord*
constexpr UINT HM_GETMENUID = 1077;   // answer: a command id reserved for the add-in
// Sent by the host to DllProc: settings changed, read them again.
constexpr UINT HM_RELOAD = 1135;

// The host's help command, WM_COMMAND with this id in the low word.
constexpr uint32_t HelpCommandId = 41902;

// What InstallDll returns, in EAX, ECX and EDX. The first word asks the host
// for WM_COMMAND, WM_CLOSE and HM_RELOAD; the host defines the bits.
struct HookMask {
    uint32_t Messages;
    uint32_t Second;
    uint32_t Third;
};
constexpr uint32_t InstalledHookMessages = 0x4005;

// One option the host offers the user: the text (code page 936) and the
// option's bit twice; the host decides what each number means.
struct OptionRow {
    const char* Text;
    uint32_t Mask;
    uint32_t Value;
};
extern const OptionRow OptionTable[5];  // ends with a row of zeros

// Command id of the appended menu item; 0 when there is none.
extern uint32_t MenuItemId;

// The position in the host's menu bar of the submenu that gets our item.
constexpr int MenuPosition = 8;

extern "C" {
// The exports, stdcall, exported undecorated through Tembril.def. InstallDll
// is an assembly stub that returns the whole HookMask in EAX, ECX and EDX; a
// C++ caller sees EAX only.
uint32_t __stdcall InstallDll(HWND mainWindow, uint32_t options) noexcept;
uint32_t __stdcall DllProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
const OptionRow* __stdcall GetOptions() noexcept;
}

// InstallDll's body: the first word of the HookMask.
extern "C" uint32_t __stdcall InstallAddin(HWND mainWindow, uint32_t options) noexcept;
