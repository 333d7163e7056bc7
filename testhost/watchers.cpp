// What the add-in opens and shows, watched from outside it: WinHelp requests
// through the WinHelp catcher, started programs (H2Viewer.exe, help programs,
// the browser) through the records of their stand-in, and, unattended, boxes
// answered and dialogs closed on the host's thread.
#include <algorithm>

#include "support/program_records.h"
#include "testhost/host.h"
#include "testhost/script.h"

namespace {

void WinHelpSeen(const WinHelpRequest& request, void* context)
{
    Host& host = *static_cast<Host*>(context);
    char head[64];
    wsprintfA(head, "opened: winhelp command=0x%x file=", request.Command);
    ++host.WinHelpSeen;
    std::string key = request.Command == HELP_KEY ? request.Keyword : std::string();
    Print(host, head + AnsiToUtf8(request.File) + " key=" + AnsiToUtf8(key));
}

std::string OwnerName(const Host& host, HWND owner)
{
    return owner == nullptr ? "none" : owner == host.Main ? "main" : "other";
}

void BoxSeen(const CapturedBox& box, void* context)
{
    Host& host = *static_cast<Host*>(context);
    ++host.BoxesSeen;
    Print(host, "box: \"" + AnsiToUtf8(box.Text) + "\" caption=\"" + AnsiToUtf8(box.Caption) +
                    "\" owner=" + OwnerName(host, box.Owner));
}

void DialogSeen(HWND dialog, void* context)
{
    Host& host = *static_cast<Host*>(context);
    ++host.DialogsSeen;
    wchar_t title[1024] = L"";
    GetWindowTextW(dialog, title, 1024);
    Print(host, "dialog: \"" + WideToUtf8(title) + "\" owner=" + OwnerName(host, GetWindow(dialog, GW_OWNER)));
    PostMessageA(dialog, WM_CLOSE, 0, 0);
}

// A record as the log shows it: the program's file name and its command
// line, where the program's own quoted path in front is shortened to its name.
std::string RecordLine(const ProgramRecord& record)
{
    size_t slash = record.Module.find_last_of('\\');
    std::string name = slash == std::string::npos ? record.Module : record.Module.substr(slash + 1);
    std::string line = record.CommandLine;
    size_t close = line.size() > 1 && line[0] == '"' ? line.find('"', 1) : std::string::npos;
    if (close != std::string::npos &&
        CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, line.data() + 1, static_cast<int>(close - 1),
                       record.Module.data(), static_cast<int>(record.Module.size())) == CSTR_EQUAL)
        line = "\"" + name + "\"" + line.substr(close + 1);
    return AnsiToUtf8(name) + " cmdline=[" + AnsiToUtf8(line) + "]";
}

// A popup menu open on this thread: its items are reported once, then it is
// walked down to the chosen item, one key per tick, and the item taken, or
// it is closed with Escape.
void WatchPopup(Host& host, HWND window)
{
    HMENU menu = reinterpret_cast<HMENU>(SendMessageA(window, MN_GETHMENU, 0, 0));
    int count = menu != nullptr ? GetMenuItemCount(menu) : 0;
    if (host.PopupSeen != window) {
        host.PopupSeen = window;
        std::string items;
        for (int i = 0; i < count; ++i) {
            wchar_t text[512] = L"";
            GetMenuStringW(menu, i, text, 512, MF_BYPOSITION);
            std::string item = WideToUtf8(text);
            for (size_t tab = item.find('\t'); tab != std::string::npos; tab = item.find('\t'))
                item.replace(tab, 1, " => ");
            items += (i ? " | " : "") + item;
        }
        Print(host, "popup: " + items);
        std::string action;
        action.swap(host.PopupAction);
        if (!action.empty())
            RunAction(host, action);
    }
    int choice = host.PopupChoice;
    if (choice < 0)
        return;
    if (choice < 1 || choice > count) {
        PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
        return;
    }
    bool there = (GetMenuState(menu, choice - 1, MF_BYPOSITION) & MF_HILITE) != 0;
    PostMessageA(window, WM_KEYDOWN, there ? VK_RETURN : VK_DOWN, 0);
}

BOOL CALLBACK FindPopup(HWND window, LPARAM context)
{
    char className[16] = "";
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "#32768") == 0 && IsWindowVisible(window))
        WatchPopup(*reinterpret_cast<Host*>(context), window);
    return TRUE;
}

// A menu's own modal loop runs this thread's timers too.
void CALLBACK WatchPopups(HWND, UINT, UINT_PTR, DWORD)
{
    if (Host* host = CurrentHost())
        EnumThreadWindows(GetCurrentThreadId(), FindPopup, reinterpret_cast<LPARAM>(host));
}

}  // namespace

void StartWatchers(Host& host)
{
    host.WinHelp = new WinHelpCatcher(WinHelpSeen, &host);  // for the life of the process
    if (host.Config.Unattended) {
        host.Boxes = new BoxCapture();
        host.Boxes->Decline();
        host.Boxes->Watch(BoxSeen, DialogSeen, &host);
        SetTimer(nullptr, 0, 50, WatchPopups);
    }
}

uint64_t OpenLogSize(const Host& host) { return ReadRecords(host.Config.OpenLog).size(); }

std::vector<std::string> OpenLogSince(const Host& host, uint64_t count)
{
    std::vector<std::string> lines;
    std::vector<ProgramRecord> records = ReadRecords(host.Config.OpenLog);
    for (size_t i = static_cast<size_t>(std::min<uint64_t>(count, records.size())); i < records.size(); ++i)
        lines.push_back(RecordLine(records[i]));
    return lines;
}

void ReportNewRecords(Host& host)
{
    std::vector<std::string> lines = OpenLogSince(host, host.RecordsReported);
    host.RecordsReported += lines.size();
    for (const std::string& line : lines)
        Print(host, "opened: " + line);
}
