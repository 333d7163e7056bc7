// A stand-in for the Varnok host, enough of it to run the add-in for real:
// a main window whose menu bar has eleven submenus (the add-ins' one at
// position 8), a RichEdit editor, the three records at the host's offsets, a
// word-at-caret routine, and the add-in protocol (options, install, the
// hooked messages). It also watches what the add-in opens: WinHelp requests
// through a window of WinHelp's class, programs and H2Viewer.exe through the
// log file their stand-ins append to, boxes and dialogs on its thread.
#pragma once
#include <windows.h>
#include <richedit.h>

#include <stdint.h>

#include <string>
#include <vector>

#include "shell/hostprotocol.h"

// The host's meaning of the hook mask's bits.
constexpr uint32_t HookCommand = 0x0001;  // pass WM_COMMAND to DllProc
constexpr uint32_t HookClose = 0x0004;    // pass WM_CLOSE to DllProc
constexpr uint32_t HookReload = 0x4000;   // pass HM_RELOAD to DllProc

// Host commands of its own menu.
enum HostCommand : UINT {
    CmdOpenFile = 40001,
    CmdReload = 40002,
    CmdExit = 40003,
    CmdSelectAssembler = 40010,  // +0 none, +1.. the assemblers of the INI
};
constexpr UINT DefaultAddinMenuId = 40100;

struct HostConfig {
    std::string AppDir;      // the host's own directory ($R)
    std::string AddinDir;    // $D: the add-in, its lists, H2Viewer.exe
    std::string HelpDir;     // $H
    std::string ToolsDir;    // $A
    std::string HostIni;     // Varnok.ini
    std::string Assembler;   // current assembler's name, empty for none
    std::string DllPath;     // Tembril.dll
    std::string SourceFile;  // shown in the editor, may be empty
    std::string OpenLog;     // where the openers' stand-ins record their command lines
    uint32_t Options = OptEnable;
    uint32_t MenuId = DefaultAddinMenuId;  // what HM_GETMENUID answers
    bool Unattended = false;               // answer boxes and close dialogs, for scripts
};

typedef uint32_t(__stdcall* DllProcFn)(HWND, UINT, WPARAM, LPARAM);
typedef const OptionRow*(__stdcall* GetOptionsFn)();

struct Host {
    HostConfig Config;
    HWND Main = nullptr;
    HMENU Menu = nullptr;
    HWND Editor = nullptr;
    HWND LogView = nullptr;
    HWND WinHelpCatcher = nullptr;
    HACCEL Accelerators = nullptr;

    // The records and the strings they point at; the add-in keeps pointers.
    HostHandlesRecord Handles{};
    HostProcsRecord Procs{};
    HostDataRecord Data{};
    std::string AssemblerIni;

    HMODULE Addin = nullptr;
    void* InstallEntry = nullptr;
    DllProcFn Proc = nullptr;
    GetOptionsFn Options = nullptr;
    HookMask Mask{};
    bool Installed = false;
    std::vector<UINT> Asked;  // HM_* messages received, in order

    // What the watchers saw since the last TakeEvents.
    std::vector<std::string> Events;
    uint32_t DialogsSeen = 0;
    uint32_t BoxesSeen = 0;
    uint32_t WinHelpSeen = 0;
    bool InHelp = false;  // a help command is inside DllProc: trace what the add-in asks the editor
};

// UTF-8 for output, from the ANSI code page or UTF-16.
std::string AnsiToUtf8(const std::string& ansi);
std::string WideToUtf8(const wchar_t* wide);
std::string Utf8ToAnsi(const std::string& utf8);

// Creates the windows and fills the records. Returns false when the editor
// or the main window cannot be made.
bool CreateHost(Host& host, const HostConfig& config);
// Loads the add-in and finds its exports; prints what it found.
bool LoadAddin(Host& host);
// InstallDll with the main window and the option word, called from assembly
// so that all three registers of the result are seen.
HookMask CallInstallDll(void* entry, HWND mainWindow, uint32_t options);
bool InstallAddin(Host& host);

// Passes a message to DllProc when the hook mask asks for it (or always when
// forced); returns DllProc's result, 0 when it was not passed.
uint32_t PassToAddin(Host& host, UINT message, WPARAM wParam, LPARAM lParam, bool force = false);

// Editor helpers: positions are the editor's character positions.
void LoadSource(Host& host, const std::string& path);
void SetEditorText(Host& host, const std::string& ansi);
void SetSelection(Host& host, LONG first, LONG last);
CHARRANGE GetSelection(Host& host);
// Position of the n-th (1-based) occurrence of text in the editor, or -1.
LONG FindInEditor(Host& host, const std::string& ansi, int occurrence = 1);
// The host's word-at-caret routine, as the add-in calls it.
const char* __stdcall HostWordAtCaret(HWND editor);

// Changes AssemblerIniPath in place, as the host does when the user picks
// another assembler; empty name for none.
void SelectAssembler(Host& host, const std::string& name);

// Whether submenu 8 holds an item with the given id, and its text.
bool FindAddinItem(Host& host, uint32_t id, std::string* text);

// Writes one line to stdout and the log pane.
void Print(Host& host, const std::string& line);
// Size of the openers' log file, and the lines appended after an offset.
// The bytes of a file from offset on (empty when it cannot be read); shared
// for writing, so a log still being written can be read.
std::string ReadFileFrom(const std::string& path, uint64_t offset);
uint64_t OpenLogSize(const Host& host);
std::vector<std::string> OpenLogSince(const Host& host, uint64_t offset);

// Runs the thread's pending messages (through the accelerators), so posted
// keys and commands take effect.
void PumpMessages(Host& host, DWORD milliseconds = 0);
int RunMessageLoop(Host& host);
