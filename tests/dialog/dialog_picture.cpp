// Shows the configuration dialog with a few keyword lists, for a screenshot:
// writes the dialog's screen rectangle to the file named first once it is
// drawn, and ends when the file named second appears (or after 30 seconds).
#include <windows.h>
#include <commctrl.h>

#include <stdio.h>

#include <string>

#include "dialog/configdlg.h"
#include "resources/resource.h"
#include "shell/tembril.h"
#include "support/fake_host.h"
#include "support/temp_dir.h"

namespace {

const char* readyFile;
const char* doneFile;
HWND dialog;
int ticks;

BOOL CALLBACK FindDialog(HWND window, LPARAM)
{
    if (GetDlgItem(window, IDC_LIST_VIEW) == nullptr)
        return TRUE;
    dialog = window;
    return FALSE;
}

VOID CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
{
    ++ticks;
    if (dialog == nullptr) {
        EnumThreadWindows(GetCurrentThreadId(), FindDialog, 0);
        if (dialog == nullptr)
            return;
        LVFINDINFOA find = {};
        find.flags = LVFI_STRING;
        find.psz = "win32api.kwl";
        WPARAM shown = SendDlgItemMessageA(dialog, IDC_LIST_VIEW, LVM_FINDITEMA, static_cast<WPARAM>(-1),
                                           reinterpret_cast<LPARAM>(&find));
        LVITEMA state = {};
        state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendDlgItemMessageA(dialog, IDC_LIST_VIEW, LVM_SETITEMSTATE, shown, reinterpret_cast<LPARAM>(&state));
        SetFocus(GetDlgItem(dialog, IDC_LIST_VIEW));
        ticks = 0;
        return;
    }
    if (ticks == 10) {  // a second to draw
        RECT box;
        GetWindowRect(dialog, &box);
        FILE* ready = fopen(readyFile, "w");
        fprintf(ready, "%ldx%ld+%ld+%ld\n", box.right - box.left, box.bottom - box.top, box.left, box.top);
        fclose(ready);
    }
    if (ticks > 300 || (ticks > 10 && GetFileAttributesA(doneFile) != INVALID_FILE_ATTRIBUTES))
        EndDialog(dialog, 0);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    readyFile = argv[1];
    doneFile = argv[2];
    TempDir app, addin;
    addin.Write("masm32.kwl", "MASM32 宏与库\r\nMASM32 SDK 的宏和库函数\r\nszcopy\r\n");
    addin.Write("win32api.kwl", "Win32 API 函数\r\nWindows 应用程序接口的函数与结构\r\nbeginpaint\r\n");
    addin.Write("opcodes.kwl", "x86 指令\r\n处理器指令, 包括 FPU, MMX 和 SSE\r\nmov\r\n");
    addin.Write("directives.kwl", "汇编伪指令\r\n汇编器的伪指令与运算符\r\n.model\r\n");
    FakeHost host(addin, app, 0);
    WriteFileBytes(host.HostIni, "[Assembler]\r\nAssembler=masm,fasm,goasm\r\n[Tembril]\r\n"
                                 "KeywordLists=win32api,opcodes,default\r\nwin32api=$H\\win32.hlp\r\n"
                                 "opcodes=$D\\opcodes.chm\r\ndefault=https://example.com/search?q=$K\r\n");
    ModuleHandle = GetModuleHandleA(nullptr);

    UINT_PTR timer = SetTimer(nullptr, 0, 100, Tick);
    INT_PTR result = DialogBoxParamA(ModuleHandle, MAKEINTRESOURCEA(IDD_CONFIG), nullptr, ConfigDlgProc, 0);
    KillTimer(nullptr, timer);
    return result == 0 ? 0 : 1;
}
