#include "dialog_driver.h"

#include <commctrl.h>
#include <stdio.h>

#include <algorithm>
#include <gtest/gtest.h>

#include "cache/listheader.h"
#include "dialog/configdlg.h"
#include "resources/resource.h"
#include "shell/host/tembril.h"

namespace {

struct Script {
    std::vector<Step> Steps;
    size_t Next = 0;
    HWND Dialog = nullptr;
    bool Busy = false;  // a step's message box runs a loop that may tick again
    int Waited = 0;
    int Stuck = 0;
    std::vector<Step> BoxSteps;
    size_t NextBox = 0;
    bool AnswerBoxes = false;
    std::vector<HWND> Answered;
};
Script* current = nullptr;

BOOL CALLBACK FindDialog(HWND window, LPARAM found)
{
    if (GetDlgItem(window, IDC_LIST_VIEW) != nullptr) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// A message box of this thread, shown and not yet answered.
BOOL CALLBACK FindBox(HWND window, LPARAM found)
{
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    const std::vector<HWND>& answered = current->Answered;
    if (lstrcmpA(name, "#32770") != 0 || GetDlgItem(window, 0xFFFF) == nullptr || !IsWindowVisible(window) ||
        std::find(answered.begin(), answered.end(), window) != answered.end())
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

VOID CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
{
    Script* script = current;
    if (script == nullptr)
        return;
    if (script->Busy && script->AnswerBoxes) {
        HWND box = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
        if (box == nullptr)
            return;
        script->Answered.push_back(box);
        if (script->NextBox < script->BoxSteps.size())
            script->BoxSteps[script->NextBox++](script->Dialog);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return;
    }
    if (script->Busy) {
        // A step waits in a box that nobody answers: no test would ever end.
        if (++script->Stuck > 500) {
            fprintf(stderr, "step %u waits in an unanswered message box\n", static_cast<unsigned>(script->Next));
            fflush(stderr);
            ExitProcess(3);
        }
        return;
    }
    script->Stuck = 0;
    if (script->Dialog == nullptr) {
        EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&script->Dialog));
        if (script->Dialog == nullptr && ++script->Waited > 500)
            ADD_FAILURE() << "the dialog never appeared";
        return;
    }
    script->Busy = true;
    if (script->Next < script->Steps.size())
        script->Steps[script->Next++](script->Dialog);
    else
        EndDialog(script->Dialog, -2);
    script->Busy = false;
}

}  // namespace

INT_PTR RunDialog(std::vector<Step> steps, std::vector<Step> boxSteps)
{
    Script script;
    script.Steps = std::move(steps);
    script.AnswerBoxes = !boxSteps.empty();
    script.BoxSteps = std::move(boxSteps);
    current = &script;
    UINT_PTR timer = SetTimer(nullptr, 0, 10, Tick);
    INT_PTR result = DialogBoxParamA(ModuleHandle, MAKEINTRESOURCEA(IDD_CONFIG), nullptr, ConfigDlgProc, 0);
    KillTimer(nullptr, timer);
    current = nullptr;
    EXPECT_NE(result, -2) << "the script ended before the dialog did";
    EXPECT_NE(result, -1) << "the dialog could not be made: " << GetLastError();
    return result;
}

void Select(HWND dialog, int item)
{
    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendDlgItemMessageA(dialog, IDC_LIST_VIEW, LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&state));
}

void SetChecked(HWND dialog, int item, bool checked)
{
    LVITEMA state = {};
    state.stateMask = LVIS_STATEIMAGEMASK;
    state.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    SendDlgItemMessageA(dialog, IDC_LIST_VIEW, LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&state));
}

void TypeHelpTarget(HWND dialog, const char* text) { SetDlgItemTextA(dialog, IDC_HELP_TARGET, text); }

void ChooseEntry(HWND dialog, int entry)
{
    HWND combo = GetDlgItem(dialog, IDC_SETTINGS_FILE);
    SendMessageA(combo, CB_SETCURSEL, entry, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_SETTINGS_FILE, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

void Press(HWND dialog, int id)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::vector<std::string> ItemTexts(HWND dialog)
{
    std::vector<std::string> texts;
    HWND view = GetDlgItem(dialog, IDC_LIST_VIEW);
    int count = static_cast<int>(SendMessageA(view, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[MAX_PATH] = "";
        LVITEMA item = {};
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(view, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
        texts.push_back(text);
    }
    return texts;
}

std::vector<bool> Checks(HWND dialog)
{
    std::vector<bool> checks;
    HWND view = GetDlgItem(dialog, IDC_LIST_VIEW);
    int count = static_cast<int>(SendMessageA(view, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        checks.push_back(SendMessageA(view, LVM_GETITEMSTATE, i, LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2));
    return checks;
}

std::vector<std::string> CheckedItems(HWND dialog)
{
    std::vector<std::string> texts = ItemTexts(dialog), checked;
    std::vector<bool> checks = Checks(dialog);
    for (size_t i = 0; i < texts.size(); ++i)
        if (checks[i])
            checked.push_back(texts[i]);
    return checked;
}

int ItemOf(HWND dialog, const std::string& text)
{
    std::vector<std::string> texts = ItemTexts(dialog);
    return static_cast<int>(std::find(texts.begin(), texts.end(), text) - texts.begin());
}

std::vector<std::string> ComboEntries(HWND dialog)
{
    std::vector<std::string> entries;
    HWND combo = GetDlgItem(dialog, IDC_SETTINGS_FILE);
    int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[512] = "";
        if (SendMessageA(combo, CB_GETLBTEXTLEN, i, 0) < static_cast<LRESULT>(sizeof text))
            SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

std::string ControlText(HWND dialog, int id)
{
    char text[1024] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

std::vector<std::string> HelpTargets(HWND dialog)
{
    std::vector<std::string> targets;
    HWND view = GetDlgItem(dialog, IDC_LIST_VIEW);
    int count = static_cast<int>(SendMessageA(view, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        LVITEMA item = {};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        SendMessageA(view, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        targets.push_back(reinterpret_cast<const ListRecord*>(item.lParam)->HelpTarget);
    }
    return targets;
}
