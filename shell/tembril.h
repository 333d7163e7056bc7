// What the add-in shares with its host and across its own parts: the host's
// records (read at the host's byte offsets, 32-bit pointers), the option word,
// the module handle and the keyword buffer of one help command.
#pragma once
#include <windows.h>

#include <stddef.h>
#include <stdint.h>

static_assert(sizeof(void*) == 4, "the host's records hold 32-bit pointers");

// Bits of the option word handed to InstallDll.
enum OptionBits : uint32_t {
    OptEnable = 1,        // host option: install anything at all
    OptQuiet = 2,         // host option: hide error messages
    OptDefaultList = 4,   // ours: the pseudo-list "default" is enabled (OpenCache)
    OptErrorsToHelp = 8,  // host option: offered, not acted on
};

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

constexpr uint32_t KeywordBufferSize = 128;  // the terminating zero included

// Process-wide state, zero when the library loads.
extern HINSTANCE ModuleHandle;
extern uint32_t OptionFlags;
extern HostHandlesRecord* HostHandles;
extern HostProcsRecord* HostProcs;
extern HostDataRecord* HostData;
extern char KeywordBuffer[KeywordBufferSize];
