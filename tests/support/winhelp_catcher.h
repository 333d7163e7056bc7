// Catches WinHelp: WinHelpA sends its request as WM_COPYDATA to the first
// window of class MS_WINHELP on the desktop. While one of these lives, that
// window is ours, and Wine never starts its own winhlp32.exe.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct WinHelpRequest {
    ULONG_PTR Protocol;  // COPYDATASTRUCT's dwData
    HWND Caller;
    unsigned Command;     // HELP_KEY, ...
    std::string File;     // ANSI bytes
    std::string Keyword;  // the data string, whatever the command
};

class WinHelpCatcher {
public:
    // seen, when given, is called on each request as it arrives.
    typedef void (*SeenProc)(const WinHelpRequest& request, void* context);
    explicit WinHelpCatcher(SeenProc seen = nullptr, void* context = nullptr);
    ~WinHelpCatcher();
    WinHelpCatcher(const WinHelpCatcher&) = delete;
    WinHelpCatcher& operator=(const WinHelpCatcher&) = delete;

    bool Ready() const { return window_ != nullptr; }
    std::vector<WinHelpRequest>& Requests() { return requests_; }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND window_;
    SeenProc seen_;
    void* context_;
    std::vector<WinHelpRequest> requests_;
};
