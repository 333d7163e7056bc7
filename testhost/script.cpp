#include "testhost/script.h"

#include <stdlib.h>

#include <algorithm>
#include <sstream>

namespace {

constexpr DWORD OpenerWait = 5000;  // how long a started stand-in gets to record itself

std::string Unescape(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        char c = text[++i];
        out += c == 'n' ? std::string("\r\n") : c == 't' ? std::string("\t") : std::string(1, c);
    }
    return out;
}

std::string Rest(std::istringstream& in)
{
    std::string rest;
    std::getline(in, rest);
    size_t start = rest.find_first_not_of(' ');
    return start == std::string::npos ? std::string() : rest.substr(start);
}

std::string IniPath(const Host& host, const std::string& file)
{
    return file.find(':') != std::string::npos ? file : host.Config.AppDir + "\\" + file;
}

void ReportMenuItem(Host& host, const char* prefix)
{
    std::string text;
    bool found = host.Config.MenuId != 0 && FindAddinItem(host, host.Config.MenuId, &text);
    char count[32];
    wsprintfA(count, " items=%d", GetMenuItemCount(GetSubMenu(host.Menu, MenuPosition)));
    Print(host,
          std::string(prefix) + "menuitem=" + (found ? "\"" + AnsiToUtf8(text) + "\"" : std::string("none")) + count);
}

// After a help command: what the openers' stand-ins recorded. WinHelp and
// boxes are seen at once, on this thread; a started program records itself.
void ReportOpened(Host& host, uint64_t logBefore, uint32_t winHelpBefore, uint32_t boxesBefore)
{
    bool result = !host.Events.empty() && host.Events.back() == "help: result=1";
    bool seen = host.WinHelpSeen != winHelpBefore || host.BoxesSeen != boxesBefore;
    DWORD waited = 0;
    std::vector<std::string> lines = OpenLogSince(host, logBefore);
    while (result && !seen && lines.empty() && waited < OpenerWait) {
        PumpMessages(host, 50);
        waited += 50;
        lines = OpenLogSince(host, logBefore);
    }
    for (const std::string& line : lines)
        Print(host, "opened: " + line);
    if (lines.empty() && !seen)
        Print(host, "opened: nothing");
}

void HelpAndReport(Host& host, WPARAM wParam, bool key)
{
    uint64_t logBefore = OpenLogSize(host);
    uint32_t winHelpBefore = host.WinHelpSeen, boxesBefore = host.BoxesSeen;
    if (key) {
        PostMessageA(host.Editor, WM_KEYDOWN, VK_F1, 0x003B0001);
        PostMessageA(host.Editor, WM_KEYUP, VK_F1, 0xC03B0001);
        PumpMessages(host, 0);
    } else {
        SendMessageA(host.Main, WM_COMMAND, wParam, 0);
    }
    PumpMessages(host, 100);  // let the box watcher see what the command left open
    ReportOpened(host, logBefore, winHelpBefore, boxesBefore);
}

}  // namespace

bool RunAction(Host& host, const std::string& rawLine)
{
    std::string line = rawLine.substr(std::min(rawLine.size(), rawLine.find_first_not_of(" \t")));
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    std::istringstream in(line);
    std::string verb;
    in >> verb;
    if (verb.empty() || verb[0] == '#')
        return true;
    Print(host, "> " + line);

    if (verb == "echo") {
        Print(host, Rest(in));
    } else if (verb == "open") {
        LoadSource(host, Utf8ToAnsi(Rest(in)));
    } else if (verb == "text") {
        SetEditorText(host, Utf8ToAnsi(Unescape(Rest(in))));
    } else if (verb == "caret") {
        LONG at = 0;
        in >> at;
        SetSelection(host, at, at);
    } else if (verb == "at" || verb == "select-text") {
        std::string text;
        long offset = 0;
        int occurrence = 1;
        in >> text;
        if (verb == "at")
            in >> offset;
        in >> occurrence;
        std::string ansi = Utf8ToAnsi(text);
        LONG found = FindInEditor(host, ansi, occurrence < 1 ? 1 : occurrence);
        if (found < 0) {
            Print(host, "error: not in the editor: " + text);
            return false;
        }
        if (verb == "at") {
            SetSelection(host, found + offset, found + offset);
        } else {
            int count = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
            SetSelection(host, found, found + count);
        }
    } else if (verb == "select") {
        LONG first = 0, last = 0;
        in >> first >> last;
        SetSelection(host, first, last);
    } else if (verb == "wordbreak") {
        std::string name;
        in >> name;
        if (!SetWordBreak(name)) {
            Print(host, "error: no such word break: " + name);
            return false;
        }
    } else if (verb == "f1") {
        HelpAndReport(host, 0, true);
    } else if (verb == "help") {
        unsigned high = 0;
        in >> high;
        HelpAndReport(host, MAKEWPARAM(HelpCommandId, high), false);
    } else if (verb == "menu") {
        unsigned high = 0;
        in >> high;
        uint32_t dialogsBefore = host.DialogsSeen;
        SendMessageA(host.Main, WM_COMMAND, MAKEWPARAM(host.Config.MenuId, high), 0);
        char report[48];
        wsprintfA(report, "menu: dialogs=%u", host.DialogsSeen - dialogsBefore);
        Print(host, report);
    } else if (verb == "install") {
        std::string word;
        in >> word;
        host.Config.Options = strtoul(word.c_str(), nullptr, 0);
        InstallAddin(host);
    } else if (verb == "reload") {
        char report[48];
        wsprintfA(report, "reload: result=%u", PassToAddin(host, HM_RELOAD, 0, 0));
        Print(host, report);
    } else if (verb == "close") {
        char report[48];
        wsprintfA(report, "close: result=%u ", PassToAddin(host, WM_CLOSE, 0, 0));
        ReportMenuItem(host, report);
    } else if (verb == "menuitem") {
        ReportMenuItem(host, "");
    } else if (verb == "assembler") {
        std::string name;
        in >> name;
        SelectAssembler(host, name == "none" ? std::string() : Utf8ToAnsi(name));
        Print(host, "assembler: " + (host.Data.AssemblerIniPath ? AnsiToUtf8(host.AssemblerIni) : std::string("none")));
    } else if (verb == "ini" || verb == "ini-delete") {
        std::string file, section, key;
        in >> file >> section;
        if (verb == "ini")
            in >> key;
        std::string value = Utf8ToAnsi(Rest(in));
        std::string path = IniPath(host, Utf8ToAnsi(file));
        BOOL done = verb == "ini"
                        ? WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str())
                        : WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, path.c_str());
        if (!done) {
            Print(host, "error: cannot write " + AnsiToUtf8(path));
            return false;
        }
    } else if (verb == "write") {
        std::string file;
        in >> file;
        std::string path = IniPath(host, Utf8ToAnsi(file));
        std::string text = Utf8ToAnsi(Unescape(Rest(in)));
        HANDLE out = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                 nullptr);
        DWORD written = 0;
        bool done = out != INVALID_HANDLE_VALUE &&
                    WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                    written == text.size();
        if (out != INVALID_HANDLE_VALUE)
            CloseHandle(out);
        if (!done) {
            Print(host, "error: cannot write " + AnsiToUtf8(path));
            return false;
        }
    } else if (verb == "copy") {
        std::string from, to;
        in >> from >> to;
        if (!CopyFileA(IniPath(host, Utf8ToAnsi(from)).c_str(), IniPath(host, Utf8ToAnsi(to)).c_str(), FALSE)) {
            Print(host, "error: cannot copy " + from);
            return false;
        }
    } else if (verb == "files") {
        std::string pattern;
        in >> pattern;
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(IniPath(host, Utf8ToAnsi(pattern)).c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do
                names.push_back(AnsiToUtf8(found.cFileName));
            while (FindNextFileA(search, &found));
            FindClose(search);
        }
        std::sort(names.begin(), names.end());
        std::string line = "files:";
        for (const std::string& name : names)
            line += " " + name;
        Print(host, line);
    } else if (verb == "popup") {
        std::string choice;
        in >> choice;
        host.PopupChoice = choice == "escape" ? 0 : choice == "hold" ? -1 : atoi(choice.c_str());
        host.PopupAction = Rest(in);
    } else if (verb == "show") {
        ShowWindow(host.Main, SW_SHOWNORMAL);
        SetForegroundWindow(host.Main);
        SetFocus(host.Editor);
        PumpMessages(host, 200);
        RECT frame;
        GetWindowRect(host.Main, &frame);
        char report[96];
        wsprintfA(report, "show: %ldx%ld+%ld+%ld", frame.right - frame.left, frame.bottom - frame.top, frame.left,
                  frame.top);
        Print(host, report);
    } else if (verb == "wait") {
        DWORD ms = 0;
        in >> ms;
        PumpMessages(host, ms);
    } else if (verb == "quit") {
        SendMessageA(host.Main, WM_CLOSE, 0, 0);
    } else {
        Print(host, "error: unknown action: " + verb);
        return false;
    }
    return true;
}
