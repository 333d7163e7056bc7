// The dialog's settings file: the combo of files, and loading and saving
// the settings of the one being edited.
#pragma once
#include <windows.h>

#include <stdint.h>

#include "shell/settings.h"

void FillSettingsCombo(HWND dialog);
// 1 when the chosen file holds settings of the add-in.
uint32_t SelectSettingsFile(HWND dialog);
// 1 when the file holds KeywordLists.
uint32_t LoadSettings(HWND dialog, const char* iniPath);
// 1 when saved (or nothing to save); 0 when the user was told it could not be.
uint32_t SaveSettings(HWND dialog);
