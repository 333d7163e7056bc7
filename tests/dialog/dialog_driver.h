// Runs the real configuration dialog through its modal loop, from the test
// program's own resource, and plays a script into it: a thread timer, set
// before the dialog starts, runs one step per tick inside the dialog's loop.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

using Step = std::function<void(HWND dialog)>;

// The dialog's result, or -2 when the script ran out before the dialog ended.
// With box steps, the driver answers every box itself with OK, once the next
// box step, if any is left, has run while the box is up.
INT_PTR RunDialog(std::vector<Step> steps, std::vector<Step> boxSteps = {});

// What a user does, sent as the controls themselves would send it.
void Select(HWND dialog, int item);
void SetChecked(HWND dialog, int item, bool checked);  // a check-box click
void TypeHelpTarget(HWND dialog, const char* text);
void ChooseEntry(HWND dialog, int entry);
void Press(HWND dialog, int id);

// What the dialog shows.
std::vector<std::string> ItemTexts(HWND dialog);
std::vector<bool> Checks(HWND dialog);
std::vector<std::string> CheckedItems(HWND dialog);  // in the view's order: their priority, highest first
int ItemOf(HWND dialog, const std::string& text);
std::vector<std::string> ComboEntries(HWND dialog);
std::string ControlText(HWND dialog, int id);
bool Enabled(HWND dialog, int id);
std::vector<std::string> HelpTargets(HWND dialog);  // of every item's record
