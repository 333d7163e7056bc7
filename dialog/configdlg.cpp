// The configuration dialog's procedure: opening, the buttons, the questions.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <stddef.h>

#include "cache/cache.h"
#include "common/messages.h"
#include "dialog/configdlg.h"
#include "resources/resource.h"
#include "shell/settings.h"
#include "shell/tembril.h"

namespace {

// The 76-byte form of the open-file record, which every version of the common dialogs takes.
constexpr DWORD OpenFileRecordSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
#ifndef _WIN64  // the 64-bit test build's record is longer
static_assert(OpenFileRecordSize == 76, "the open-file record of the 76-byte form");
#endif

// The dialog's questions: owned by it, captions of their own, no icon, the
// first button the default; never suppressed.
int Ask(HWND dialog, const char* text, const char* caption, UINT buttons)
{
    return MessageBoxA(dialog, text, caption, buttons | MB_DEFBUTTON1);
}

void EnableFileCommands(HWND dialog, bool enable)
{
    static const int ids[] = {IDC_SETTINGS_FILE, IDC_OK, IDC_CANCEL};
    for (int id : ids)
        EnableWindow(GetDlgItem(dialog, id), enable);
    EnableWindow(GetDlgItem(dialog, IDC_RESTORE), enable && DialogEntry > 0);
    EnableWindow(GetDlgItem(dialog, IDC_APPLY), enable && DialogModified);
}

// Saves what the dialog shows. 1 when all of it is in the file; 0 when the
// save was refused, or when the user changed something while the save's
// boxes were up: those changes are not in the file, and stay marked.
uint32_t SaveNow(HWND dialog)
{
    DialogModified = 0;
    Saving = true;
    EnableFileCommands(dialog, false);
    uint32_t saved = SaveSettings(dialog);
    Saving = false;
    if (!saved)
        DialogModified = 1;
    EnableFileCommands(dialog, true);
    return saved && !DialogModified;
}

void BackToGlobal(HWND dialog)
{
    SendDlgItemMessageA(dialog, IDC_SETTINGS_FILE, CB_SETCURSEL, 0, 0);
    SelectSettingsFile(dialog);
}

void ChangeSettingsFile(HWND dialog)
{
    if (DialogModified && Ask(dialog, MSG_SAVE_CHANGES, MSG_SAVE_CHANGES_CAPTION, MB_YESNO) == IDYES &&
        !SaveNow(dialog)) {
        // Changes not saved: stay on their file rather than lose them.
        SendDlgItemMessageA(dialog, IDC_SETTINGS_FILE, CB_SETCURSEL, static_cast<WPARAM>(DialogEntry), 0);
        return;
    }
    if (SelectSettingsFile(dialog))
        return;
    if (Ask(dialog, MSG_CREATE_SETTINGS, MSG_CREATE_SETTINGS_CAPTION, MB_YESNOCANCEL) == IDYES)
        LoadSettings(dialog, HostData->HostIniPath);  // DialogIni still names the assembler's file
    else
        BackToGlobal(dialog);
}

void BrowseHelpFile(HWND dialog)
{
    char file[MAX_PATH] = "";
    OPENFILENAMEA open;
    ZeroMemory(&open, sizeof open);
    open.lStructSize = OpenFileRecordSize;
    open.hwndOwner = dialog;
    open.hInstance = ModuleHandle;
    open.lpstrFilter = MSG_OPEN_HELP_FILTER;
    open.lpstrFile = file;
    open.nMaxFile = sizeof file;
    open.lpstrTitle = MSG_OPEN_HELP_TITLE;
    open.Flags = OFN_FILEMUSTEXIST | OFN_LONGNAMES;
    // The edit's EN_CHANGE marks the dialog modified.
    if (GetOpenFileNameA(&open))
        SendDlgItemMessageA(dialog, IDC_HELP_TARGET, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(file));
}

void RestoreGlobalSettings(HWND dialog)
{
    // Only an assembler's own settings are deleted, never the global ones.
    if (DialogEntry <= 0 || DialogIni[0] == 0)
        return;
    if (Ask(dialog, MSG_DELETE_SETTINGS, MSG_DELETE_SETTINGS_CAPTION, MB_YESNOCANCEL) != IDYES)
        return;
    // The deleted settings named a cache file of their own that nothing names
    // now; left, one would pile up with every restore.
    char cacheFile[CachePathSize];
    ReadSetting(DialogIni, KEY_CACHE_FILE, ABSENT_VALUE, cacheFile, sizeof cacheFile);
    DeleteSettings(DialogIni);
    if (!IsAbsent(cacheFile))
        DiscardCacheFile(cacheFile);
    BackToGlobal(dialog);
}

void OnInitDialog(HWND dialog)
{
    DialogModified = 0;
    DialogFilling = 1;
    InitListView(dialog);
    FillSettingsCombo(dialog);
    SelectSettingsFile(dialog);
    DialogFilling = 0;
}

void OnCommand(HWND dialog, WORD id, WORD code)
{
    if (Saving &&
        (id == IDC_SETTINGS_FILE || id == IDC_OK || id == IDC_APPLY || id == IDC_CANCEL || id == IDC_RESTORE)) {
        // The combo box has moved already: back to the file being saved.
        if (id == IDC_SETTINGS_FILE && code == CBN_SELCHANGE)
            SendDlgItemMessageA(dialog, IDC_SETTINGS_FILE, CB_SETCURSEL, static_cast<WPARAM>(DialogEntry), 0);
        return;
    }
    switch (id) {
    case IDC_SETTINGS_FILE:
        if (code == CBN_SELCHANGE)
            ChangeSettingsFile(dialog);
        break;
    case IDC_HELP_TARGET:
        if (code == EN_CHANGE && !DialogFilling)
            MarkModified(dialog);
        break;
    case IDC_BROWSE:
        BrowseHelpFile(dialog);
        break;
    case IDC_OK:
        if (!DialogModified || SaveNow(dialog))
            EndDialog(dialog, 0);
        break;
    case IDC_APPLY:
        SaveNow(dialog);
        break;
    case IDC_CANCEL:
        SendMessageA(dialog, WM_CLOSE, 0, 0);
        break;
    case IDC_RESTORE:
        RestoreGlobalSettings(dialog);
        break;
    default:
        break;  // IDCANCEL (the Esc key) among them
    }
}

void OnClose(HWND dialog)
{
    if (Saving)
        return;
    if (DialogModified) {
        int answer = Ask(dialog, MSG_SAVE_CHANGES, MSG_SAVE_CHANGES_CAPTION, MB_YESNOCANCEL);
        if (answer == IDCANCEL || (answer == IDYES && !SaveNow(dialog)))
            return;
    }
    EndDialog(dialog, 0);
}

}  // namespace

INT_PTR CALLBACK ConfigDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETFONT: {
        // Comes before the controls are made: the list view's class must exist by then.
        INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&classes);
        return 0;
    }
    case WM_INITDIALOG:
        OnInitDialog(dialog);
        return 1;
    case WM_COMMAND:
        OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
        return 1;
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 0);
        if (header->idFrom == IDC_LIST_VIEW)
            OnListViewNotify(dialog, header);
        return 1;
    }
    case WM_CLOSE:
        OnClose(dialog);
        return 1;
    case WM_DESTROY:
        // The records go with their items; none is left for the next opening.
        ClearListView(dialog);
        return 0;
    default:
        return 0;
    }
}
