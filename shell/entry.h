// The add-in's own side of the host protocol (shell/host/hostprotocol.h): its
// option table, its menu item and the body of InstallDll.
#pragma once
#include <windows.h>

#include <stdint.h>

#include "shell/host/hostprotocol.h"

extern const OptionRow OptionTable[5];  // ends with a row of zeros

// Command id of the appended menu item; 0 when there is none.
extern uint32_t MenuItemId;

// InstallDll's body: the first word of the HookMask.
extern "C" uint32_t __stdcall InstallAddin(HWND mainWindow, uint32_t options) noexcept;
