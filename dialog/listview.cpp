// The keyword-list view: one item per ".kwl" file in the add-in directory plus
// "(default)", each carrying its ListRecord, and the details panel beside it.
#include <windows.h>
#include <commctrl.h>
// Before shlwapi.h, whose StrCmp macro would rename ours.
#include "cache/cacheformat.h"
#include "common/text.h"
#include <shlwapi.h>

#include "common/messages.h"
#include "common/owners.h"
#include "dialog/listview.h"
#include "dialog/settingsfile.h"
#include "resources/resource.h"
#include "shell/tembril.h"

uint32_t DialogModified;
uint32_t DialogFilling;

namespace {

char DefaultName[] = DEFAULT_LIST_NAME;
char DefaultPath[] = MSG_DEFAULT_PATH;
char DefaultTitle[] = MSG_DEFAULT_TITLE;
char DefaultDescription[] = MSG_DEFAULT_DESCRIPTION;
char DefaultHelpTarget[HelpTargetSize];

constexpr UINT CheckBoxMask = 0xF000;  // LVIS_STATEIMAGEMASK
constexpr int AppendPosition = 1000;

int InsertListItem(HWND view, const char* text, ListRecord* record)
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = AppendPosition;
    item.pszText = const_cast<char*>(text);
    item.lParam = reinterpret_cast<LPARAM>(record);
    return static_cast<int>(SendMessageA(view, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

// "*.kwl" also matches longer extensions through short names: take ".kwl" files only.
bool IsListFile(const WIN32_FIND_DATAA& found)
{
    return !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
           lstrcmpiA(PathFindExtensionA(found.cFileName), LIST_EXTENSION) == 0;
}

void ShowRecord(HWND dialog, const ListRecord* record)
{
    SendDlgItemMessageA(dialog, IDC_LIST_PATH, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(record->Path));
    SendDlgItemMessageA(dialog, IDC_LIST_TITLE, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(record->Title));
    SendDlgItemMessageA(dialog, IDC_LIST_DESCRIPTION, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(record->Description));
    DialogFilling = 1;
    SendDlgItemMessageA(dialog, IDC_HELP_TARGET, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(record->HelpTarget));
    DialogFilling = 0;
}

void OnItemChanged(HWND dialog, const NMLISTVIEW* change)
{
    if (change->uChanged != LVIF_STATE)
        return;
    ListRecord* record = reinterpret_cast<ListRecord*>(change->lParam);
    UINT changed = change->uNewState ^ change->uOldState;
    if (changed & LVIS_SELECTED) {
        if (record == nullptr)
            return;
        if (change->uNewState & LVIS_SELECTED)
            ShowRecord(dialog, record);
        else
            SendDlgItemMessageA(dialog, IDC_HELP_TARGET, WM_GETTEXT, HelpTargetSize,
                                reinterpret_cast<LPARAM>(record->HelpTarget));
    } else if ((changed & CheckBoxMask) && !DialogFilling) {
        MarkModified(dialog);
    }
}

}  // namespace

ListRecord DefaultListRecord = {DefaultName, DefaultPath, DefaultTitle, DefaultDescription, DefaultHelpTarget, {}};

void InitListView(HWND dialog)
{
    HWND view = GetDlgItem(dialog, IDC_LIST_VIEW);
    const LPARAM extended = LVS_EX_CHECKBOXES | LVS_EX_INFOTIP;
    SendMessageA(view, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
    HWND tips = reinterpret_cast<HWND>(SendMessageA(view, LVM_GETTOOLTIPS, 0, 0));
    if (tips != nullptr) {
        SendMessageA(tips, TTM_SETDELAYTIME, TTDT_AUTOMATIC, MAKELPARAM(1, 0));
        SendMessageA(tips, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(5000, 0));
    }

    RECT client = {};
    GetClientRect(view, &client);
    LVCOLUMNA column = {};
    column.mask = LVCF_WIDTH;
    column.cx = client.right - client.left - 20;  // room for the vertical scroll bar
    SendMessageA(view, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));

    InsertListItem(view, MSG_DEFAULT_ITEM, &DefaultListRecord);

    static const char pattern[] = "\\*" LIST_EXTENSION;
    const char* addinDir = HostData->AddinDir;
    char search[MAX_PATH];
    if (addinDir == nullptr || lstrlenA(addinDir) + sizeof pattern > sizeof search)
        return;
    uint32_t length = CopyDir(search, addinDir);
    lstrcpyA(search + length, pattern);

    WIN32_FIND_DATAA found;
    FindHandle find(FindFirstFileA(search, &found));
    if (find.get() == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!IsListFile(found))
            continue;
        ListRecord* record = ReadListHeader(found.cFileName);
        if (record == nullptr)
            continue;
        if (InsertListItem(view, found.cFileName, record) == -1) {
            FreeListRecord(record);  // no item carries it
            break;
        }
    } while (FindNextFileA(find.get(), &found));
}

void OnListViewNotify(HWND dialog, const NMHDR* header)
{
    switch (header->code) {
    case LVN_ITEMCHANGED:
        OnItemChanged(dialog, reinterpret_cast<const NMLISTVIEW*>(header));
        break;
    case LVN_DELETEALLITEMS:
        // 0: send LVN_DELETEITEM for every item, so that each record is released.
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, FALSE);
        break;
    case LVN_DELETEITEM: {
        // The item goes now; its record goes with it. Item 0's record is static.
        ListRecord* record = reinterpret_cast<ListRecord*>(reinterpret_cast<const NMLISTVIEW*>(header)->lParam);
        if (record != &DefaultListRecord)
            FreeListRecord(record);
        break;
    }
    default:
        break;
    }
}

void ClearListView(HWND dialog) { SendDlgItemMessageA(dialog, IDC_LIST_VIEW, LVM_DELETEALLITEMS, 0, 0); }

void MarkModified(HWND dialog)
{
    DialogModified = 1;
    EnableWindow(GetDlgItem(dialog, IDC_APPLY), TRUE);
}
