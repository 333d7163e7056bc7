// The dialog's keyword-list view, shared by the dialog's source files (and
// visible to its tests).
#pragma once
#include <windows.h>

#include <stdint.h>

#include "cache/cacheformat.h"
#include "cache/listheader.h"
#include "shell/settings.h"

// The record of the pseudo-list "default" (item 0); static, never released.
extern ListRecord DefaultListRecord;

// Whether a list's help target is its own to edit and save: not when the list
// is named like one of the add-in's own keys, nor for a file "default.kwl",
// whose key is the pseudo-list's.
inline bool HasTargetKey(const ListRecord* record)
{
    return record == &DefaultListRecord ||
           (!IsOwnSettingsKey(record->Name) && lstrcmpiA(record->Name, DEFAULT_LIST_NAME) != 0);
}

// The keyword-list view: set up and fill it (once per opening).
void InitListView(HWND dialog);
// WM_NOTIFY from the view: details panel, user's check-box changes, release of the records.
void OnListViewNotify(HWND dialog, const NMHDR* header);
// Shows the selected item's record in the details panel again, after a load
// has replaced what the panel showed.
void ShowSelectedRecord(HWND dialog);
// Takes the edit's text into the selected item's record, which keeps the selection.
void StoreSelectedEdit(HWND dialog);
// Puts the items in a new order: places[i] is where item i goes, smaller first.
// Each record, check box and selection goes with its item.
void ArrangeItems(HWND view, const int* places, int count);
// Deletes every item, which releases the records (at WM_DESTROY).
void ClearListView(HWND dialog);

// A user change: remember it and offer Apply.
void MarkModified(HWND dialog);

// One-line wrappers over the view's messages, for each item by its index.
constexpr UINT CheckBoxMask = 0xF000;  // LVIS_STATEIMAGEMASK
constexpr UINT Unchecked = 0x1000;     // its two state images
constexpr UINT Checked = 0x2000;
int ItemCount(HWND view);
// -1 when none is selected.
int SelectedItem(HWND view);
// The item's record; null for an index that holds no item.
ListRecord* RecordOf(HWND view, int index);
bool IsChecked(HWND view, int index);
// Sets the check box's image; index -1 sets every item's.
void SetCheck(HWND view, int index, UINT image);
