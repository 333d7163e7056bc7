// A stand-in for the Varnok host, enough of it to run the add-in for real:
// a main window whose menu bar has eleven submenus (the add-ins' one is the
// ninth, position 8), a RichEdit editor, the three records at the host's
// offsets, a word-at-caret routine, and the add-in protocol (options,
// install, the hooked messages). It also watches what the add-in opens:
// WinHelp requests through a window of WinHelp's class, programs, H2Viewer.exe
// and the browser through the records their stand-in leaves, boxes and
// dialogs on its thread. It knows the add-in only through its exports.
//
// By job: protocol.cpp (load, install, pass messages, records), editor.cpp,
// watchers.cpp (what was opened, boxes, dialogs), text.cpp (conversions),
// window.cpp (main window, menu, log, message loop).
#pragma once
#include <windows.h>
#include <richedit.h>

#include <stdint.h>

#include <string>
#include <vector>

#include "shell/hostprotocol.h"
#include "support/msgbox_capture.h"
#include "support/winhelp_catcher.h"
#include "testhost/text.h"

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
constexpr int ToolsMenuPosition = 7;  // 工具(&T): reload, the assemblers
constexpr UINT MaxAssemblers = 19;

struct HostConfig {
    std::string AppDir;      // the host's own directory ($R)
    std::string AddinDir;    // $D: the add-in, its lists, H2Viewer.exe
    std::string HelpDir;     // $H
    std::string ToolsDir;    // $A
    std::string HostIni;     // Varnok.ini
    std::string Assembler;   // current assembler's name, empty for none
    std::string DllPath;     // Tembril.dll
    std::string SourceFile;  // shown in the editor, may be empty
    std::string OpenLog;     // the directory where the openers' stand-in leaves its records
    uint32_t Options = OptEnable;
    uint32_t MenuId = DefaultAddinMenuId;  // what HM_GETMENUID answers
    bool Unattended = false;               // answer boxes and close dialogs, for scripts
    bool Silent = false;                   // print and log nothing: a benchmark times the add-in, not the log
};

typedef uint32_t(__stdcall* DllProcFn)(HWND, UINT, WPARAM, LPARAM);
typedef const OptionRow*(__stdcall* GetOptionsFn)();

struct Host {
    HostConfig Config;
    HWND Main = nullptr;
    HMENU Menu = nullptr;
    HWND Editor = nullptr;
    HWND LogView = nullptr;
    HACCEL Accelerators = nullptr;
    WinHelpCatcher* WinHelp = nullptr;  // from CreateHost on
    BoxCapture* Boxes = nullptr;        // unattended only: answers boxes, closes dialogs

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
    size_t RecordsReported = 0;  // the openers' records already in the log (interactive)
    bool InHelp = false;         // a help command is inside DllProc: trace what the add-in asks the editor
    // The add-in's popup menu, when unattended: the item to choose (from 1),
    // 0 to close it with Escape, -1 to leave it open.
    int PopupChoice = 0;
    // An action run once while the next popup menu is open, before its item is taken.
    std::string PopupAction;
    HWND PopupSeen = nullptr;
};

// The host of this process, once CreateHost has made it.
Host* CurrentHost();

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
// The editor's word breaks from now on: "punctuation" (a run of it is a word
// of its own, as Windows' RichEdit has it, the default) or "blanks" (only
// blanks end a word). False for another name.
bool SetWordBreak(const std::string& name);
// Position of the n-th (1-based) occurrence of text in the editor, or -1.
LONG FindInEditor(Host& host, const std::string& ansi, int occurrence = 1);
// The host's word-at-caret routine, as the add-in calls it.
const char* __stdcall HostWordAtCaret(HWND editor);

// The assemblers the host's INI file lists (section and key "Assembler").
std::vector<std::string> AssemblerNames(const Host& host);
// Changes AssemblerIniPath in place, as the host does when the user picks
// another assembler; empty name for none.
void SelectAssembler(Host& host, const std::string& name);

// Whether the add-ins' submenu (MenuPosition) holds an item with the given id, and its text.
bool FindAddinItem(Host& host, uint32_t id, std::string* text);

// Writes one line to stdout and the log pane.
void Print(Host& host, const std::string& line);
// The editor window with the host's own word breaks and the trace of what the
// add-in asks it during a help command.
HWND CreateEditor(Host& host);
// The watchers: WinHelp, and, unattended, boxes and dialogs.
void StartWatchers(Host& host);
// How many records the openers' stand-in has left, and, as "NAME cmdline=[...]"
// lines, those after the first count of them, oldest first.
uint64_t OpenLogSize(const Host& host);
std::vector<std::string> OpenLogSince(const Host& host, uint64_t count);
// Interactive: puts the records that arrived since the last call in the log;
// WatchRecords starts (from the records there are now) or stops doing so as they come.
void ReportNewRecords(Host& host);
void WatchRecords(Host& host, bool on);

// Runs the thread's pending messages (through the accelerators), so posted
// keys and commands take effect.
void PumpMessages(Host& host, DWORD milliseconds = 0);
int RunMessageLoop(Host& host);
