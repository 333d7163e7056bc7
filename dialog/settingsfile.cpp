// Which INI file the dialog edits, and loading and saving the view's settings.
#include <windows.h>
#include <commctrl.h>
// Before shlwapi.h, whose StrCmp macro would rename ours.
#include "common/text.h"
#include <shlwapi.h>

#include "cache/cache.h"
#include "common/errorbox.h"
#include "common/messages.h"
#include "dialog/listview.h"
#include "dialog/settingsfile.h"
#include "dialog/settingstext.h"
#include "resources/resource.h"
#include "shell/tembril.h"

char DialogIni[PathBufferSize];
int32_t DialogEntry;

namespace {

constexpr UINT CheckBoxMask = 0xF000;
constexpr UINT Unchecked = 0x1000;
constexpr UINT Checked = 0x2000;
constexpr uint32_t EntrySize = 128;  // a combo entry as SelectSettingsFile reads it back
constexpr char ListExtension[] = LIST_EXTENSION;

void SetCheck(HWND view, int index, UINT image)
{
    LVITEMA item = {};
    item.stateMask = CheckBoxMask;
    item.state = image;
    SendMessageA(view, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

ListRecord* RecordOf(HWND view, int index)
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    if (!SendMessageA(view, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        return nullptr;
    return reinterpret_cast<ListRecord*>(item.lParam);
}

int ItemCount(HWND view) { return static_cast<int>(SendMessageA(view, LVM_GETITEMCOUNT, 0, 0)); }

}  // namespace

void FillSettingsCombo(HWND dialog)
{
    HWND combo = GetDlgItem(dialog, IDC_SETTINGS_FILE);
    if (SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(MSG_GLOBAL_ENTRY)) == CB_ERR)
        ShowError(0);
    SendMessageA(combo, CB_SETCURSEL, 0, 0);

    char list[AssemblerListSize];
    uint32_t length = ReadSetting(HostData->HostIniPath, ASSEMBLER_KEY, ASSEMBLER_KEY, list, sizeof list,
                                  ASSEMBLER_SECTION);
    NameWalk walk;
    StartFromLast(&walk, list, length);
    const char* name;
    uint32_t nameLength;
    // The last name of a list cut by the read may be a fragment: it would name
    // a file that is not the assembler's.
    if (MayBeCut(length, sizeof list))
        NextFromLast(&walk, &name, &nameLength);
    while (NextFromLast(&walk, &name, &nameLength)) {
        char entry[EntrySize];
        // An entry too long to read back would lose its file name: such an assembler is left out.
        if (FormEntry(entry, sizeof entry, name, nameLength, MSG_ASSEMBLER_SUFFIX))
            SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    }
}

uint32_t SelectSettingsFile(HWND dialog)
{
    HWND combo = GetDlgItem(dialog, IDC_SETTINGS_FILE);
    int index = static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0));
    char entry[EntrySize] = "";
    LRESULT entryLength = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (index >= 0 && entryLength >= 0 && entryLength < static_cast<LRESULT>(sizeof entry))
        SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(entry));

    char fileName[EntrySize];
    DialogIni[0] = 0;
    const char* appDir = HostData->AppDir;
    if (EntryFileName(entry, fileName, sizeof fileName) && fileName[0] != 0 && appDir != nullptr &&
        lstrlenA(appDir) < static_cast<int>(sizeof DialogIni)) {
        lstrcpyA(DialogIni, appDir);
        // A path that would not fit leaves no file to edit rather than the wrong one.
        if (!PathAppendA(DialogIni, fileName))
            DialogIni[0] = 0;
    }
    DialogEntry = index;
    EnableWindow(GetDlgItem(dialog, IDC_RESTORE), index != 0);
    return LoadSettings(dialog, DialogIni);
}

uint32_t LoadSettings(HWND dialog, const char* iniPath)
{
    HWND view = GetDlgItem(dialog, IDC_LIST_VIEW);
    SetCheck(view, -1, Unchecked);

    char lists[DialogListsSize] = ABSENT_VALUE;
    uint32_t length = 0;
    if (iniPath[0] != 0)
        length = ReadSetting(iniPath, KEY_LISTS, ABSENT_VALUE, lists, sizeof lists);
    int count = ItemCount(view);
    if (IsAbsent(lists)) {
        for (int i = count - 1; i >= 0; --i) {
            if (ListRecord* record = RecordOf(view, i))
                record->HelpTarget[0] = 0;
        }
        return 0;
    }

    StrLower(lists);
    NameWalk walk;
    StartFromLast(&walk, lists, length);
    const char* name;
    uint32_t nameLength;
    if (MayBeCut(length, sizeof lists))
        NextFromLast(&walk, &name, &nameLength);  // possibly a fragment
    bool last = true;
    while (NextFromLast(&walk, &name, &nameLength)) {
        // "default" counts as the pseudo-list only as the whole last name.
        if (last && NameIs(name, nameLength, DEFAULT_LIST_NAME)) {
            SetCheck(view, 0, Checked);
        } else if (nameLength != 0) {
            // Room for every name a read can return, and ".kwl".
            char text[DialogListsSize + sizeof ListExtension];
            FormEntry(text, sizeof text, name, nameLength, ListExtension);
            LVFINDINFOA find = {};
            find.flags = LVFI_STRING;
            find.psz = text;
            int found = static_cast<int>(
                SendMessageA(view, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
            if (found >= 0)
                SetCheck(view, found, Checked);
        }
        last = false;
    }

    for (int i = count - 1; i >= 0; --i) {
        ListRecord* record = RecordOf(view, i);
        if (record == nullptr)
            continue;
        ReadSetting(iniPath, record->Name, ABSENT_VALUE, record->HelpTarget, HelpTargetSize);
        if (IsAbsent(record->HelpTarget))
            record->HelpTarget[0] = 0;
    }
    return 1;
}

uint32_t SaveSettings(HWND dialog)
{
    if (DialogIni[0] == 0)
        return 1;
    HWND view = GetDlgItem(dialog, IDC_LIST_VIEW);
    // The item that loses the selection takes the edit's text into its record.
    LVITEMA none = {};
    none.stateMask = LVIS_SELECTED;
    SendMessageA(view, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    int count = ItemCount(view);
    if (count <= 0)
        return 1;

    // The whole value is settled before anything is written: a value that the
    // dialog could not read back whole is not written at all.
    char lists[DialogListsSize] = "";
    for (int i = count - 1; i >= 0; --i) {
        ListRecord* record = RecordOf(view, i);
        if (record == nullptr)
            continue;
        UINT state = static_cast<UINT>(SendMessageA(view, LVM_GETITEMSTATE, static_cast<WPARAM>(i), CheckBoxMask));
        if ((state & CheckBoxMask) == Checked && !AppendListName(lists, sizeof lists, record->Name)) {
            MessageBoxA(dialog, MSG_TOO_MANY_LISTS, MSG_TOO_MANY_LISTS_CAPTION, MB_OK);
            return 0;
        }
    }

    for (int i = count - 1; i >= 0; --i) {
        if (ListRecord* record = RecordOf(view, i))
            WriteSetting(DialogIni, record->Name, record->HelpTarget);
    }
    StrLower(lists);
    WriteSetting(DialogIni, KEY_LISTS, lists[0] == ',' ? lists + 1 : lists);

    CloseCache();
    OpenCache();
    return 1;
}
