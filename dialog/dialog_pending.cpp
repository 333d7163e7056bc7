// Placeholder until the dialog is built.
#include "dialog/dialog.h"

INT_PTR CALLBACK ConfigDlgProc(HWND, UINT, WPARAM, LPARAM) { return 0; }
