// Opening an expanded help target: WinHelp, HTML Help, the HTML Help 2
// viewer, the shell for URLs, or a program.
#include <windows.h>

#include <shellapi.h>
// Only the path functions: its string macros would rename our StrCmp.
#define NO_SHLWAPI_STRFCNS
#include <shlwapi.h>

#include "common/errorbox.h"
#include "common/messages.h"
#include "common/owners.h"
#include "common/text.h"
#include "help/expand.h"
#include "help/showhelp.h"
#include "shell/tembril.h"

namespace {

constexpr UINT HtmlHelpDisplayTopic = 0x0000;   // HH_DISPLAY_TOPIC
constexpr UINT HtmlHelpKeywordLookup = 0x000D;  // HH_KEYWORD_LOOKUP

// The platform's HH_AKLINK, in its field order.
struct KeywordLink {
    int StructSize;
    BOOL Reserved;
    const char* Keywords;
    const char* Url;
    const char* MessageText;
    const char* MessageTitle;
    const char* Window;
    BOOL IndexOnFail;
};
#ifndef _WIN64  // 32-bit sizes; the 64-bit test build's are larger
static_assert(sizeof(KeywordLink) == 32, "HH_AKLINK is 32 bytes");
static_assert(sizeof(STARTUPINFOA) == 68, "STARTUPINFO is 68 bytes");
#endif

typedef HWND(WINAPI* HtmlHelpProc)(HWND caller, const char* file, UINT command, DWORD_PTR data);

// Kept for the life of the library: hhctrl.ocx stays loaded once found, and
// is released here only when it lacks its entry. The window is the one the
// last display returned; it is replaced, never cleared.
struct HtmlHelpState {
    HMODULE Module;
    HtmlHelpProc Entry;
    HWND Window;
};
HtmlHelpState HtmlHelp;

constexpr char Help2Program[] = "H2Viewer.exe";

// Compares at most the prefix's length, stopping at text's terminator.
bool StartsWith(const char* text, const char* prefix)
{
    for (; *prefix != 0; ++text, ++prefix) {
        if (*text != *prefix)
            return false;
    }
    return true;
}

bool IsUnset(const char* path) { return path[0] == 0 || StartsWith(path, "(non"); }

// CreateProcessA makes the command line wide in the ANSI code page.
bool IsAnsiLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

// Starts program with commandLine as given: the caller's own buffer, since
// CreateProcessA may write into it. Handles are closed at once.
void StartProgram(const char* program, char* commandLine)
{
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started;
    if (CreateProcessA(program, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
        KernelHandle process(started.hProcess);  // closed at once: we never wait for it
        KernelHandle thread(started.hThread);
    }
}

}  // namespace

HelpOpener ClassifyHelpPath(const char* path)
{
    if (PathIsURLA(path))
        return StartsWith(path, "ms-help:") ? HelpOpener::Help2Viewer : HelpOpener::Shell;
    const char* extension = PathFindExtensionA(path);
    if (extension == nullptr || *extension == 0)
        return IsUnset(path) ? HelpOpener::NotSet : HelpOpener::NoExtension;
    if (StartsWith(extension, ".hlp"))
        return HelpOpener::WinHelp;
    if (StartsWith(extension, ".exe"))
        return HelpOpener::Program;
    if (StartsWith(extension, ".chm") || StartsWith(extension, ".col"))
        return HelpOpener::HtmlHelp;
    return StartsWith(path, "(non") ? HelpOpener::NotSet : HelpOpener::UnknownExtension;
}

uint32_t ExpandForOpening(const char* keyword, const char* helpTarget, char* work, char** arguments)
{
    HelpDirs dirs = {};
    if (HostData != nullptr)
        dirs = {HostData->ToolsDir, HostData->AddinDir, HostData->HelpDir, HostData->AppDir};
    // An expansion that does not fit is refused: a cut path or URL would open
    // something other than what was configured.
    if (!ExpandHelpTarget(helpTarget, dirs, keyword, work, HelpWorkSize, arguments, false, IsAnsiLeadByte))
        return 0;
    // A URL gets the keyword escaped where it would break out of it; whether the
    // target is a URL is known only once it is expanded.
    if (PathIsURLA(work) &&
        !ExpandHelpTarget(helpTarget, dirs, keyword, work, HelpWorkSize, arguments, true, IsAnsiLeadByte))
        return 0;
    return 1;
}

namespace {

void OpenHelpPath(const char* path, const char* arguments, const char* keyword)
{
    switch (ClassifyHelpPath(path)) {
    case HelpOpener::Help2Viewer:
        ShowHelp2(path, keyword);
        break;
    case HelpOpener::Shell:
        ShellExecuteA(nullptr, nullptr, path, nullptr, nullptr, SW_SHOWDEFAULT);
        break;
    case HelpOpener::NotSet:
        ShowFailure(MSG_HELP_NOT_SET);
        break;
    case HelpOpener::NoExtension:
        MessageBoxA(nullptr, path, MSG_NO_EXTENSION_CAPTION, MB_OK);  // shown even when quiet
        break;
    case HelpOpener::WinHelp:
        WinHelpA(nullptr, path, HELP_KEY, reinterpret_cast<ULONG_PTR>(keyword));
        break;
    case HelpOpener::Program:
        RunProgram(path, arguments);
        break;
    case HelpOpener::HtmlHelp:
        ShowHtmlHelp(path, keyword);
        break;
    case HelpOpener::UnknownExtension:
        ShowFailure(MSG_UNKNOWN_EXTENSION);
        break;
    }
}

}  // namespace

uint32_t ShowHelp(const char* keyword, const char* helpTarget)
{
    // The per-request work buffer, from the process heap, released on every path.
    HeapBlock<char> work(static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, HelpWorkSize)));
    if (work.get() == nullptr)
        return 1;
    if (keyword == nullptr)
        keyword = "";
    char* arguments = nullptr;
    if (!ExpandForOpening(keyword, helpTarget, work.get(), &arguments))
        return 1;
    OpenHelpPath(work.get(), arguments, keyword);
    return 1;
}

void RunProgram(const char* program, const char* arguments)
{
    // A path holds no quote, so quoting it is enough for the program-name rule
    // by which runtimes read the first token. Every expansion fits; a longer
    // line is not started rather than cut.
    char line[MAX_PATH + 3 + HelpWorkSize];
    uint32_t programLength = StrLen(program);
    uint32_t argumentsLength = arguments != nullptr ? StrLen(arguments) : 0;
    if (programLength + 3 + argumentsLength >= sizeof line)
        return;
    line[0] = '"';
    lstrcpyA(line + 1, program);
    lstrcpyA(line + 1 + programLength, "\"");
    if (arguments != nullptr) {
        lstrcatA(line, " ");
        lstrcatA(line, arguments);
    }
    StartProgram(program, line);
}

void ShowHtmlHelp(const char* path, const char* keyword)
{
    KeywordLink link = {sizeof(KeywordLink), FALSE, keyword, nullptr, nullptr, nullptr, nullptr, FALSE};
    if (HtmlHelp.Module == nullptr || HtmlHelp.Entry == nullptr) {
        LoadedModule module(LoadLibraryA("hhctrl.ocx"));
        FARPROC entry = module.valid() ? GetProcAddress(module.get(), "HtmlHelpA") : nullptr;
        HtmlHelp.Entry = reinterpret_cast<HtmlHelpProc>(reinterpret_cast<void (*)()>(entry));
        if (HtmlHelp.Entry == nullptr) {
            HtmlHelp.Module = nullptr;
            ShowFailure(MSG_NO_HHCTRL);
            return;
        }
        HtmlHelp.Module = module.release();  // kept for the life of the library
    }
    // 0: never opened, or closed by the user since.
    if (GetWindowThreadProcessId(HtmlHelp.Window, nullptr) == 0)
        HtmlHelp.Window = HtmlHelp.Entry(nullptr, path, HtmlHelpDisplayTopic, 0);
    HtmlHelp.Entry(nullptr, path, HtmlHelpKeywordLookup, reinterpret_cast<DWORD_PTR>(&link));
}

void ShowHelp2(const char* url, const char* keyword)
{
    const char* addinDir = HostData != nullptr && HostData->AddinDir != nullptr ? HostData->AddinDir : "";
    // Refused rather than cut when it does not fit: a cut path starts
    // another program, a cut command line asks for another page.
    char program[MAX_PATH];
    if (StrLen(addinDir) >= sizeof program)
        return;
    lstrcpyA(program, addinDir);
    if (PathAddBackslashA(program) == nullptr)
        return;
    if (StrLen(program) + sizeof Help2Program > sizeof program)
        return;
    lstrcatA(program, Help2Program);
    char commandLine[Help2CommandLineSize];
    if (!BuildHelp2CommandLine(url, keyword, commandLine, sizeof commandLine, IsAnsiLeadByte))
        return;
    // H2Viewer.exe's documented line has no program name in front.
    StartProgram(program, commandLine);
}
