// What the add-in and its host agree on: the host's records (read at the
// host's byte offsets, 32-bit pointers), the option bits, the messages, the
// hook mask, the option table's rows and the exports. A host, or a tool that
// plays one, needs nothing else of the add-in.
#pragma once
#include <windows.h>

#include <stddef.h>
#include <stdint.h>

#include "common/options.h"

#ifndef _WIN64  // the 64-bit test build lays the records out for itself
static_assert(sizeof(void*) == 4, "the host's records hold 32-bit pointers");
#endif

// The host's records: owned by the host, never written or copied by us, and
// read field by field at every use so that changes the host makes in place
// take effect at once. Words we do not use are padding.
struct HostHandlesRecord {
    HWND MainWindow;  // 0
    HMENU MainMenu;   // 4
    uint32_t Unused8[4];
    HWND EditWindow;  // 24: 0 when no editor is active
};

typedef const char*(__stdcall* GetWordAtCaretProc)(HWND editor);

struct HostProcsRecord {
    uint32_t Unused0[6];
    GetWordAtCaretProc GetWordAtCaret;  // 24
};

struct HostDataRecord {
    uint32_t Unused0[2];
    const char* HostIniPath;  // 8
    uint32_t Unused12[3];
    const char* ToolsDir;  // 24
    uint32_t Unused28;
    const char* AddinDir;  // 32
    const char* HelpDir;   // 36
    uint32_t Unused40[6];
    const char* AssemblerIniPath;  // 64: null when there is no current assembler
    uint32_t Unused68;
    const char* AppDir;  // 72
};

#ifndef _WIN64  // the host's 32-bit layout; the 64-bit test build has its own
static_assert(offsetof(HostHandlesRecord, MainWindow) == 0, "host record layout");
static_assert(offsetof(HostHandlesRecord, MainMenu) == 4, "host record layout");
static_assert(offsetof(HostHandlesRecord, EditWindow) == 24, "host record layout");
static_assert(offsetof(HostProcsRecord, GetWordAtCaret) == 24, "host record layout");
static_assert(offsetof(HostDataRecord, HostIniPath) == 8, "host record layout");
static_assert(offsetof(HostDataRecord, ToolsDir) == 24, "host record layout");
static_assert(offsetof(HostDataRecord, AddinDir) == 32, "host record layout");
static_assert(offsetof(HostDataRecord, HelpDir) == 36, "host record layout");
static_assert(offsetof(HostDataRecord, AssemblerIniPath) == 64, "host record layout");
static_assert(offsetof(HostDataRecord, AppDir) == 72, "host record layout");
#endif

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
