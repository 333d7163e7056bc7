// The dialog's keyword-list view and the dialog-wide state it keeps,
// shared by the dialog's source files (and visible to its tests).
#pragma once
#include <windows.h>

#include <stdint.h>

#include "cache/listheader.h"
#include "shell/settings.h"

// 1 while the dialog holds changes that are not saved.
extern uint32_t DialogModified;
// 1 while the program itself fills controls: their changes are not the user's.
extern uint32_t DialogFilling;
// The record of the pseudo-list "default" (item 0); static, never released.
extern ListRecord DefaultListRecord;

// The keyword-list view: set up and fill it (once per opening).
void InitListView(HWND dialog);
// WM_NOTIFY from the view: details panel, user's check-box changes, release of the records.
void OnListViewNotify(HWND dialog, const NMHDR* header);
// Deletes every item, which releases the records (at WM_DESTROY).
void ClearListView(HWND dialog);

// A user change: remember it and offer Apply.
void MarkModified(HWND dialog);
