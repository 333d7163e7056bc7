// Which INI file the dialog edits, and loading and saving the view's settings.
#include <windows.h>
#include <commctrl.h>
// Before shlwapi.h, whose StrCmp macro would rename ours.
#include "common/text.h"
#include <shlwapi.h>

#include "cache/cache.h"
#include "common/errorbox.h"
#include "common/messages.h"
#include "common/owners.h"
#include "dialog/dialogstate.h"
#include "dialog/listview.h"
#include "dialog/settingsfile.h"
#include "dialog/settingstext.h"
#include "resources/resource.h"
#include "shell/host/tembril.h"

namespace {

constexpr uint32_t EntrySize = 128;  // a combo entry as SelectSettingsFile reads it back
constexpr char ListExtension[] = LIST_EXTENSION;

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

namespace {

// Reads the lists' help targets, or empties them all when the file holds no settings.
void ReadHelpTargets(HWND view, const char* iniPath, bool present)
{
    for (int i = ItemCount(view) - 1; i >= 0; --i) {
        ListRecord* record = RecordOf(view, i);
        if (record == nullptr)
            continue;
        record->HelpTarget[0] = 0;
        // A file "default.kwl" shows the target that help takes for it, the pseudo-list's.
        if (!present || IsOwnSettingsKey(record->Name))
            continue;
        char value[HelpTargetReadSize];
        ReadSetting(iniPath, record->Name, ABSENT_VALUE, value, sizeof value);
        if (!IsAbsent(value))
            lstrcpynA(record->HelpTarget, value, HelpTargetSize);
    }
}

// Checks the named lists and puts them first in the view, in their priority:
// a later name wins over an earlier one, so the later stands higher. The
// lists not named keep their order below them; "(default)" stays item 0.
void CheckNamedLists(HWND view, char* lists, uint32_t length, int* places, int count)
{
    for (int i = 0; i < count; ++i)
        places[i] = i == 0 ? 0 : count + i;
    int rank = 1;
    NameWalk walk;
    StartFromLast(&walk, lists, length);
    const char* name;
    uint32_t nameLength;
    if (MayBeCut(length, DialogListsSize))
        NextFromLast(&walk, &name, &nameLength);  // possibly a fragment
    bool last = true;
    bool bare = false;
    while (NextFromLast(&walk, &name, &nameLength, &bare)) {
        if (last && bare) {
            SetCheck(view, 0, Checked);
        } else {
            // Room for every name a read can return, and ".kwl". An empty
            // name stands for the file ".kwl", as the cache's open takes it.
            char text[DialogListsSize + sizeof ListExtension];
            FormEntry(text, sizeof text, name, nameLength, ListExtension);
            LVFINDINFOA find = {};
            find.flags = LVFI_STRING;
            find.psz = text;
            int found = static_cast<int>(
                SendMessageA(view, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
            if (found > 0 && found < count && places[found] > count) {
                SetCheck(view, found, Checked);
                places[found] = rank++;
            }
        }
        last = false;
    }
}

// The name the save writes for a record, such that the open reads it back
// as that record's file; the view holds only files the settings can name.
const char* SavedName(const ListRecord* record, char* name)
{
    uint32_t length = StrLen(record->Name);
    const char* suffix = record != &DefaultListRecord && NeedsExtension(record->Name, length) ? ListExtension : "";
    FormEntry(name, ListHeaderRoom + sizeof ListExtension, record->Name, length, suffix);
    return name;
}

}  // namespace

uint32_t LoadSettings(HWND dialog, const char* iniPath)
{
    HWND view = GetDlgItem(dialog, IDC_LIST_VIEW);
    SetCheck(view, -1, Unchecked);

    char lists[DialogListsSize] = ABSENT_VALUE;
    uint32_t length = 0;
    if (iniPath[0] != 0)
        length = ReadSetting(iniPath, KEY_LISTS, ABSENT_VALUE, lists, sizeof lists);
    bool present = !IsAbsent(lists);
    int count = ItemCount(view);
    if (present && count > 0) {
        StrLower(lists);
        HeapBlock<int> places = AllocateZeroed<int>(count);
        if (places.valid()) {
            CheckNamedLists(view, lists, length, places.get(), count);
            ArrangeItems(view, places.get(), count);
        }
    }
    ReadHelpTargets(view, iniPath, present);
    // The panel showed the targets that were replaced: an edit of them would
    // go into the records of this file.
    ShowSelectedRecord(dialog);
    return present ? 1 : 0;
}

uint32_t SaveSettings(HWND dialog)
{
    if (DialogIni[0] == 0)
        return 1;
    HWND view = GetDlgItem(dialog, IDC_LIST_VIEW);
    // The selection stays, and so does the panel: what is typed there after
    // the save goes into the same record.
    StoreSelectedEdit(dialog);
    int count = ItemCount(view);
    if (count <= 0)
        return 1;

    // The whole value is settled before anything is written: a value that the
    // dialog could not read back whole is not written at all.
    char lists[DialogListsSize] = "";
    char name[ListHeaderRoom + sizeof ListExtension];
    for (int i = count - 1; i >= 0; --i) {
        ListRecord* record = RecordOf(view, i);
        if (record == nullptr)
            continue;
        if (IsChecked(view, i) && !AppendListName(lists, sizeof lists, SavedName(record, name))) {
            MessageBoxA(dialog, MSG_TOO_MANY_LISTS, MSG_TOO_MANY_LISTS_CAPTION, MB_OK);
            return 0;
        }
    }

    for (int i = count - 1; i >= 0; --i) {
        ListRecord* record = RecordOf(view, i);
        // A list named like one of our own keys would overwrite it.
        if (record == nullptr || !HasTargetKey(record))
            continue;
        char value[HelpTargetSize + 2];  // room for the quotes
        FormHelpTargetValue(record->HelpTarget, value, sizeof value);
        WriteSetting(DialogIni, record->Name, value);
    }
    StrLower(lists);
    WriteSetting(DialogIni, KEY_LISTS, lists[0] == ',' ? lists + 1 : lists);

    CloseCache();
    OpenCache();
    return 1;
}
