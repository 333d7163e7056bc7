// What the tests' own hhctrl.ocx records of each HtmlHelpA call, and the two
// test entries it exports beside HtmlHelpA.
#pragma once
#include <windows.h>

struct HtmlHelpCall {
    HWND Caller;
    char File[520];
    UINT Command;
    DWORD_PTR Data;
    // The HH_AKLINK of a keyword lookup, field by field.
    int LinkSize;
    BOOL LinkReserved;
    char LinkKeywords[256];
    bool LinkUrlNull, LinkMsgTextNull, LinkMsgTitleNull, LinkWindowNull;
    BOOL LinkIndexOnFail;
};

// Copies up to max recorded calls out, oldest first, forgets them, and
// returns how many there were.
typedef int(__cdecl* TakeHtmlHelpCallsProc)(HtmlHelpCall* calls, int max);
// Destroys every window that a display has opened: the user closing them.
typedef void(__cdecl* CloseHtmlHelpWindowsProc)();
