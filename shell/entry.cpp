#include "shell/entry.h"

#include "cache/cache.h"
#include "common/messages.h"
#include "dialog/configdlg.h"
#include "help/help.h"
#include "resources/resource.h"
#include "shell/host/tembril.h"

const OptionRow OptionTable[5] = {
    {MSG_OPTION_ENABLE, OptEnable, OptEnable},
    {MSG_OPTION_QUIET, OptQuiet, OptQuiet},
    {MSG_OPTION_ERRORS_TO_HELP, OptErrorsToHelp, OptErrorsToHelp},
    {MSG_OPTION_SUGGEST, OptSuggestOnMiss, OptSuggestOnMiss},
    {nullptr, 0, 0},
};

uint32_t MenuItemId;

// The host reads the two further words of the mask from ECX and EDX, which a
// C++ return leaves holding whatever the body last put there: the stub calls
// the body and clears both before returning to the host.
#ifndef _WIN64
asm(".text\n"
    ".globl _InstallDll@8\n"
    ".def _InstallDll@8; .scl 2; .type 32; .endef\n"
    "_InstallDll@8:\n"
    "    pushl 8(%esp)\n"  // options
    "    pushl 8(%esp)\n"  // mainWindow
    "    call _InstallAddin@8\n"
    "    xorl %ecx, %ecx\n"
    "    xorl %edx, %edx\n"
    "    ret $8\n");
#else
// The 64-bit test build: the arguments come and stay in RCX and RDX, and the
// stub clears them the same way after the body.
asm(".text\n"
    ".globl InstallDll\n"
    ".def InstallDll; .scl 2; .type 32; .endef\n"
    "InstallDll:\n"
    "    subq $40, %rsp\n"
    "    call InstallAddin\n"
    "    xorl %ecx, %ecx\n"
    "    xorl %edx, %edx\n"
    "    addq $40, %rsp\n"
    "    ret\n");
#endif

namespace {

void RemoveMenuItem()
{
    if (MenuItemId != 0 && HostHandles != nullptr)
        DeleteMenu(HostHandles->MainMenu, MenuItemId, MF_BYCOMMAND);
    MenuItemId = 0;
}

uint32_t Install(HWND mainWindow, uint32_t options)
{
    // A host that installs us again gets a fresh start, not a second item and
    // a cache opened over an open one.
    RemoveMenuItem();
    CloseCache();

    OptionFlags = options;
    HostHandles = reinterpret_cast<HostHandlesRecord*>(SendMessageA(mainWindow, HM_GETHANDLES, 0, 0));
    HostProcs = reinterpret_cast<HostProcsRecord*>(SendMessageA(mainWindow, HM_GETPROCS, 0, 0));
    HostData = reinterpret_cast<HostDataRecord*>(SendMessageA(mainWindow, HM_GETDATA, 0, 0));
    if ((options & OptEnable) == 0)
        return 0;

    // 0 marks "no item", so an item with id 0 could never be removed or told
    // from a stray WM_COMMAND 0: without an id there is no item.
    MenuItemId = static_cast<uint32_t>(SendMessageA(mainWindow, HM_GETMENUID, 0, 0));
    if (MenuItemId != 0 && HostHandles != nullptr)
        AppendMenuA(GetSubMenu(HostHandles->MainMenu, MenuPosition), MF_STRING, MenuItemId, MSG_MENU_ITEM);

    // A failure reports itself and leaves help unavailable until the next open.
    if (HostHandles != nullptr && HostProcs != nullptr && HostData != nullptr)
        OpenCache();
    return InstalledHookMessages;
}

bool Installed() { return HostHandles != nullptr && HostProcs != nullptr && HostData != nullptr; }

uint32_t HelpRequest()
{
    uint32_t bareFrom = 0;
    if (!Installed() || GetKeyword(KeywordBuffer, &bareFrom) == nullptr)
        return 0;
    // A list saved since the cache was built is used from this command on.
    RefreshCache();
    const char* target = LookupKeyword(KeywordBuffer, bareFrom);
    if (target == nullptr)
        return (OptionFlags & OptSuggestOnMiss) != 0 ? OfferSuggestions(KeywordBuffer, bareFrom) : 0;
    return ShowHelp(KeywordBuffer, target);
}

uint32_t Dispatch(UINT message, WPARAM wParam)
{
    switch (message) {
    case WM_COMMAND:
        // The item's own command only: an accelerator or a control
        // notification (high word not 0) with the same id goes on below.
        if (MenuItemId != 0 && LOWORD(wParam) == MenuItemId && HIWORD(wParam) == 0) {
            if (Installed())
                DialogBoxParamA(ModuleHandle, MAKEINTRESOURCEA(IDD_CONFIG), HostHandles->MainWindow, ConfigDlgProc, 0);
            return 0;
        }
        if (LOWORD(wParam) == HelpCommandId)
            return HelpRequest();
        return 0;
    case WM_CLOSE:
        RemoveMenuItem();
        return 0;
    case HM_RELOAD:
        if (Installed()) {
            CloseCache();
            OpenCache();
        }
        return 0;
    default:
        return 0;
    }
}

}  // namespace

// No C++ exception may reach the host: each export's body catches everything
// and answers as for a failure (an install counts as made once asked for).

extern "C" uint32_t __stdcall InstallAddin(HWND mainWindow, uint32_t options) noexcept
{
    try {
        return Install(mainWindow, options);
    } catch (...) {
        return (options & OptEnable) != 0 ? InstalledHookMessages : 0;
    }
}

extern "C" uint32_t __stdcall DllProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    (void)window;
    (void)lParam;
    try {
        return Dispatch(message, wParam);
    } catch (...) {
        return 0;
    }
}

extern "C" const OptionRow* __stdcall GetOptions() noexcept { return OptionTable; }
