// Stands in for hhctrl.ocx: records each HtmlHelpA call and opens a hidden
// window for every display, so that the test can close it as a user would.
#include <string.h>

#include "hhctrl_record.h"

namespace {

constexpr int MaxCalls = 64;
HtmlHelpCall Calls[MaxCalls];
int CallCount;
HWND Windows[MaxCalls];
int WindowCount;
HINSTANCE Self;

void CopyText(char* destination, size_t size, const char* source)
{
    if (source == nullptr) {
        destination[0] = 0;
        return;
    }
    strncpy(destination, source, size - 1);
    destination[size - 1] = 0;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID)
{
    Self = instance;
    return TRUE;
}

extern "C" HWND WINAPI HtmlHelpA(HWND caller, LPCSTR file, UINT command, DWORD_PTR data)
{
    if (CallCount == MaxCalls)
        return nullptr;
    HtmlHelpCall& call = Calls[CallCount++];
    memset(&call, 0, sizeof call);
    call.Caller = caller;
    CopyText(call.File, sizeof call.File, file);
    call.Command = command;
    call.Data = data;
    if (command == 0x000D && data != 0) {  // HH_KEYWORD_LOOKUP
        // The record as the caller lays it out: the 32-byte form on 32-bit.
        struct Link {
            int Size;
            BOOL Reserved;
            const char *Keywords, *Url, *MsgText, *MsgTitle, *Window;
            BOOL IndexOnFail;
        };
        const Link* link = reinterpret_cast<const Link*>(data);
        call.LinkSize = link->Size;
        call.LinkReserved = link->Reserved;
        CopyText(call.LinkKeywords, sizeof call.LinkKeywords, link->Keywords);
        call.LinkUrlNull = link->Url == nullptr;
        call.LinkMsgTextNull = link->MsgText == nullptr;
        call.LinkMsgTitleNull = link->MsgTitle == nullptr;
        call.LinkWindowNull = link->Window == nullptr;
        call.LinkIndexOnFail = link->IndexOnFail;
        return nullptr;
    }
    if (command == 0x0000 && WindowCount < MaxCalls) {  // HH_DISPLAY_TOPIC
        HWND window = CreateWindowExA(0, "STATIC", "HTML Help", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, Self,
                                      nullptr);
        Windows[WindowCount++] = window;
        return window;
    }
    return nullptr;
}

extern "C" int __cdecl TakeHtmlHelpCalls(HtmlHelpCall* calls, int max)
{
    int n = CallCount < max ? CallCount : max;
    memcpy(calls, Calls, sizeof(HtmlHelpCall) * n);
    int all = CallCount;
    CallCount = 0;
    return all;
}

extern "C" void __cdecl CloseHtmlHelpWindows()
{
    for (int i = 0; i < WindowCount; ++i)
        DestroyWindow(Windows[i]);
    WindowCount = 0;
}
