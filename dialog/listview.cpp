// The keyword-list view: one item per ".kwl" file in the add-in directory plus
// "(default)", each carrying its ListRecord, and the details panel beside it.
#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>
// Before shlwapi.h, whose StrCmp macro would rename ours.
#include "cache/cacheformat.h"
#include "common/text.h"
#include <shlwapi.h>

#include "common/messages.h"
#include "common/owners.h"
#include "dialog/dialogstate.h"
#include "dialog/listview.h"
#include "dialog/settingsfile.h"
#include "dialog/settingstext.h"
#include "resources/resource.h"
#include "shell/host/tembril.h"

namespace {

char DefaultName[] = DEFAULT_LIST_NAME;
char DefaultPath[] = MSG_DEFAULT_PATH;
char DefaultTitle[] = MSG_DEFAULT_TITLE;
char DefaultDescription[] = MSG_DEFAULT_DESCRIPTION;
char DefaultHelpTarget[HelpTargetSize];

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

// "*.kwl" also matches longer extensions through short names: take ".kwl"
// files only. A file whose name the settings can't hold would be saved as
// some other list's name, so it is not offered.
bool IsListFile(const WIN32_FIND_DATAA& found)
{
    const char* extension = PathFindExtensionA(found.cFileName);
    return !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && lstrcmpiA(extension, LIST_EXTENSION) == 0 &&
           SettingsCanName(found.cFileName, static_cast<uint32_t>(extension - found.cFileName));
}

void SetText(HWND dialog, int id, const char* text)
{
    SendDlgItemMessageA(dialog, id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

// The details panel shows the selected list, or nothing when none is: text
// typed with no list selected would belong to none, so the edit takes none.
// A list named like one of the add-in's own keys has no help target to edit.
void ShowRecord(HWND dialog, const ListRecord* record)
{
    SetText(dialog, IDC_LIST_PATH, record ? record->Path : "");
    SetText(dialog, IDC_LIST_TITLE, record ? record->Title : "");
    SetText(dialog, IDC_LIST_DESCRIPTION, record ? record->Description : "");
    uint32_t filling = DialogFilling;
    DialogFilling = 1;
    SetText(dialog, IDC_HELP_TARGET, record ? record->HelpTarget : "");
    DialogFilling = filling;
    BOOL editable = record != nullptr && HasTargetKey(record);
    EnableWindow(GetDlgItem(dialog, IDC_HELP_TARGET), editable);
    EnableWindow(GetDlgItem(dialog, IDC_BROWSE), editable);
}

void StoreEdit(HWND dialog, ListRecord* record)
{
    if (HasTargetKey(record))
        SendDlgItemMessageA(dialog, IDC_HELP_TARGET, WM_GETTEXT, HelpTargetSize,
                            reinterpret_cast<LPARAM>(record->HelpTarget));
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
        if (change->uNewState & LVIS_SELECTED) {
            ShowRecord(dialog, record);
        } else {
            StoreEdit(dialog, record);
            ShowRecord(dialog, nullptr);
        }
    } else if ((changed & CheckBoxMask) && !DialogFilling) {
        MarkModified(dialog);
    }
}

void ItemText(HWND view, int index, char* text, int size)
{
    LVITEMA item = {};
    item.pszText = text;
    item.cchTextMax = size;
    text[0] = 0;
    SendMessageA(view, LVM_GETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

// Where each record goes while the view sorts its items: places in item order.
struct Placing {
    ListRecord** Records;
    const int* Places;
    int Count;
};

int PlaceOf(const Placing* placing, LPARAM record)
{
    for (int i = 0; i < placing->Count; ++i) {
        if (reinterpret_cast<LPARAM>(placing->Records[i]) == record)
            return placing->Places[i];
    }
    return placing->Count;
}

int CALLBACK ComparePlaces(LPARAM first, LPARAM second, LPARAM context)
{
    const Placing* placing = reinterpret_cast<const Placing*>(context);
    return PlaceOf(placing, first) - PlaceOf(placing, second);
}

// The selected list one place up (towards "(default)") or down. Among the
// checked lists the view's order is their priority, so the move changes the
// settings only when it passes another checked list.
void MoveSelectedList(HWND dialog, int step)
{
    HWND view = GetDlgItem(dialog, IDC_LIST_VIEW);
    int count = ItemCount(view);
    int from = SelectedItem(view);
    int to = from + step;
    if (from < 1 || to < 1 || to >= count)
        return;  // "(default)" stays first
    HeapBlock<int> places = AllocateZeroed<int>(count);
    if (!places.valid())
        return;
    for (int i = 0; i < count; ++i)
        places.get()[i] = i;
    places.get()[from] = to;
    places.get()[to] = from;
    ArrangeItems(view, places.get(), count);
    SendMessageA(view, LVM_ENSUREVISIBLE, static_cast<WPARAM>(to), FALSE);
    if (IsChecked(view, from) && IsChecked(view, to))
        MarkModified(dialog);
}

void ShowMoveMenu(HWND dialog, LPARAM where)
{
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr)
        return;
    AppendMenuA(menu, MF_STRING, 1, MSG_MOVE_UP);
    AppendMenuA(menu, MF_STRING, 2, MSG_MOVE_DOWN);
    POINT at = {GET_X_LPARAM(where), GET_Y_LPARAM(where)};
    if (where == -1) {  // from the keyboard: at the view
        RECT rect = {};
        GetWindowRect(GetDlgItem(dialog, IDC_LIST_VIEW), &rect);
        at.x = rect.left;
        at.y = rect.top;
    }
    int chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, dialog, nullptr);
    DestroyMenu(menu);
    if (chosen != 0)
        MoveSelectedList(dialog, chosen == 1 ? -1 : 1);
}

// The view's own keys and menu for the order of the lists: Alt+Up, Alt+Down.
LRESULT CALLBACK OrderKeysProc(HWND view, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SYSKEYDOWN && (wParam == VK_UP || wParam == VK_DOWN)) {
        MoveSelectedList(GetParent(view), wParam == VK_UP ? -1 : 1);
        return 0;
    }
    if (message == WM_CONTEXTMENU) {
        ShowMoveMenu(GetParent(view), lParam);
        return 0;
    }
    return CallWindowProcA(ViewProc, view, message, wParam, lParam);
}

// The tip of a checked list names the checked lists it wins over: those below it.
void FillInfoTip(HWND view, NMLVGETINFOTIPA* tip)
{
    if (tip->pszText == nullptr || tip->cchTextMax <= 0 || tip->iItem < 1 || !IsChecked(view, tip->iItem))
        return;
    uint32_t room = static_cast<uint32_t>(tip->cchTextMax);
    char name[MAX_PATH];
    ItemText(view, tip->iItem, name, sizeof name);
    tip->pszText[0] = 0;
    AppendText(tip->pszText, room, name);
    const char* separator = MSG_WINS_OVER;
    int count = ItemCount(view);
    for (int i = tip->iItem + 1; i < count; ++i) {
        if (!IsChecked(view, i))
            continue;
        ItemText(view, i, name, sizeof name);
        // Names that do not fit are left out whole.
        if (AppendText(tip->pszText, room, separator))
            AppendText(tip->pszText, room, name);
        separator = ", ";
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
    ShowRecord(dialog, nullptr);
    ViewProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(view, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OrderKeysProc)));

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
    case LVN_GETINFOTIPA:
        FillInfoTip(header->hwndFrom, reinterpret_cast<NMLVGETINFOTIPA*>(const_cast<NMHDR*>(header)));
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

void ShowSelectedRecord(HWND dialog)
{
    HWND view = GetDlgItem(dialog, IDC_LIST_VIEW);
    ShowRecord(dialog, RecordOf(view, SelectedItem(view)));
}

void StoreSelectedEdit(HWND dialog)
{
    HWND view = GetDlgItem(dialog, IDC_LIST_VIEW);
    if (ListRecord* record = RecordOf(view, SelectedItem(view)))
        StoreEdit(dialog, record);
}

void ArrangeItems(HWND view, const int* places, int count)
{
    HeapBlock<ListRecord*> records = AllocateZeroed<ListRecord*>(count);
    if (!records.valid())
        return;
    for (int i = 0; i < count; ++i)
        records.get()[i] = RecordOf(view, i);
    Placing placing = {records.get(), places, count};
    SendMessageA(view, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&placing), reinterpret_cast<LPARAM>(ComparePlaces));
}

void ClearListView(HWND dialog) { SendDlgItemMessageA(dialog, IDC_LIST_VIEW, LVM_DELETEALLITEMS, 0, 0); }

void MarkModified(HWND dialog)
{
    DialogModified = 1;
    EnableWindow(GetDlgItem(dialog, IDC_APPLY), TRUE);
}

int ItemCount(HWND view) { return static_cast<int>(SendMessageA(view, LVM_GETITEMCOUNT, 0, 0)); }

int SelectedItem(HWND view)
{
    return static_cast<int>(SendMessageA(view, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

ListRecord* RecordOf(HWND view, int index)
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    if (index < 0 || !SendMessageA(view, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        return nullptr;
    return reinterpret_cast<ListRecord*>(item.lParam);
}

bool IsChecked(HWND view, int index)
{
    return (SendMessageA(view, LVM_GETITEMSTATE, static_cast<WPARAM>(index), CheckBoxMask) & CheckBoxMask) == Checked;
}

void SetCheck(HWND view, int index, UINT image)
{
    LVITEMA item = {};
    item.stateMask = CheckBoxMask;
    item.state = image;
    SendMessageA(view, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}
