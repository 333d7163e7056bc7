// The configuration dialog (template 1000), opened modally on the host's main window.
#pragma once
#include <windows.h>

INT_PTR CALLBACK ConfigDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Its parts, for the dialog's source files and tests.
#include "dialog/dialogstate.h"
#include "dialog/listview.h"
#include "dialog/settingsfile.h"
