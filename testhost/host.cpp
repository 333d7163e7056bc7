#include "testhost/host.h"

#include <commdlg.h>

#include <algorithm>

namespace {

Host* TheHost = nullptr;  // one host per process, as the add-in expects
WNDPROC EditorBaseProc = nullptr;
constexpr UINT_PTR WatchTimer = 1;
constexpr DWORD WinHelpMagic = 0xA1DE505;  // WM_COPYDATA tag of a WinHelp request
constexpr int LogPaneHeight = 110;

struct Watched {
    HWND Window;
    int Ticks;
};
std::vector<Watched> watched;

std::string ToUtf8(const wchar_t* wide, int count)
{
    if (count == 0)
        return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, wide, count, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size : 0, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide, count, &out[0], size, nullptr, nullptr);
    return out;
}

std::wstring ToWide(const std::string& text, UINT codePage)
{
    if (text.empty())
        return std::wstring();
    int size = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(size > 0 ? size : 0, L'\0');
    if (size > 0)
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], size);
    return out;
}

// The editor's text in UTF-16, one unit per character position (paragraphs
// end in a lone CR, as the positions count them).
std::wstring EditorText(HWND editor)
{
    GETTEXTLENGTHEX lengthQuery = {GTL_DEFAULT | GTL_NUMCHARS, 1200};
    LRESULT length = SendMessageW(editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&lengthQuery), 0);
    if (length <= 0)
        return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
    GETTEXTEX query = {static_cast<DWORD>(buffer.size() * sizeof(wchar_t)), GT_DEFAULT, 1200, nullptr, nullptr};
    LRESULT got = SendMessageW(editor, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&query),
                               reinterpret_cast<LPARAM>(buffer.data()));
    return std::wstring(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

// What the host takes for a word of assembly source: the dot belongs to the
// text before a word (the add-in looks for it), not to the word.
bool IsWordChar(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_' || c == L'@' ||
           c == L'$' || c == L'?' || c >= 0x80;
}

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == 0x0B || c == 0x0C || c == 0x3000;
}

// WB_MOVEWORDLEFT as Windows' RichEdit answers it: from the position, back
// over blanks, then back over the run of the same kind (a word, or a run of
// punctuation) to its start. Wine's RichEdit answers 0 to EM_FINDWORDBREAK.
LONG MoveWordLeft(const std::wstring& text, LONG position)
{
    LONG p = std::max<LONG>(0, std::min<LONG>(position, static_cast<LONG>(text.size())));
    while (p > 0 && IsBlank(text[p - 1]))
        --p;
    if (p == 0)
        return 0;
    bool word = IsWordChar(text[p - 1]);
    while (p > 0 && !IsBlank(text[p - 1]) && IsWordChar(text[p - 1]) == word)
        --p;
    return p;
}

std::string Quoted(const char* ansi) { return "\"" + AnsiToUtf8(ansi) + "\""; }

// What the add-in asked the editor during a help command, and what it got.
void Trace(UINT message, WPARAM wParam, LPARAM lParam, LRESULT result)
{
    char line[160];
    switch (message) {
    case EM_EXGETSEL: {
        const CHARRANGE* range = reinterpret_cast<const CHARRANGE*>(lParam);
        wsprintfA(line, "editor: EM_EXGETSEL -> %ld-%ld", range->cpMin, range->cpMax);
        Print(*TheHost, line);
        break;
    }
    case EM_FINDWORDBREAK:
        wsprintfA(line, "editor: EM_FINDWORDBREAK %u from %ld -> %ld", static_cast<unsigned>(wParam),
                  static_cast<long>(lParam), static_cast<long>(result));
        Print(*TheHost, line);
        break;
    case EM_GETTEXTRANGE: {
        const TEXTRANGEA* range = reinterpret_cast<const TEXTRANGEA*>(lParam);
        wsprintfA(line, "editor: EM_GETTEXTRANGE %ld-%ld -> ", range->chrg.cpMin, range->chrg.cpMax);
        Print(*TheHost, line + Quoted(range->lpstrText));
        break;
    }
    case EM_GETSELTEXT:
        Print(*TheHost, "editor: EM_GETSELTEXT -> " + Quoted(reinterpret_cast<const char*>(lParam)));
        break;
    default:
        break;
    }
}

LRESULT CALLBACK EditorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = message == EM_FINDWORDBREAK && wParam == WB_MOVEWORDLEFT
                         ? MoveWordLeft(EditorText(window), static_cast<LONG>(lParam))
                         : CallWindowProcA(EditorBaseProc, window, message, wParam, lParam);
    if (TheHost != nullptr && TheHost->InHelp)
        Trace(message, wParam, lParam, result);
    return result;
}

// Bounded string inside a WinHelp request block.
std::string BlockString(const BYTE* block, DWORD size, WORD offset)
{
    if (offset == 0 || offset >= size)
        return std::string();
    const char* start = reinterpret_cast<const char*>(block + offset);
    size_t room = size - offset;
    size_t length = 0;
    while (length < room && start[length] != 0)
        ++length;
    return std::string(start, length);
}

LRESULT CALLBACK WinHelpProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COPYDATA && TheHost != nullptr) {
        const COPYDATASTRUCT* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (copy == nullptr || copy->dwData != WinHelpMagic || copy->cbData < 16 || copy->lpData == nullptr)
            return FALSE;
        const BYTE* block = static_cast<const BYTE*>(copy->lpData);
        WORD command = *reinterpret_cast<const WORD*>(block + 2);
        WORD fileAt = *reinterpret_cast<const WORD*>(block + 12);
        WORD dataAt = *reinterpret_cast<const WORD*>(block + 14);
        std::string file = BlockString(block, copy->cbData, fileAt);
        std::string key = command == HELP_KEY ? BlockString(block, copy->cbData, dataAt) : std::string();
        char head[64];
        wsprintfA(head, "opened: winhelp command=0x%x file=", command);
        ++TheHost->WinHelpSeen;
        Print(*TheHost, head + AnsiToUtf8(file) + " key=" + AnsiToUtf8(key));
        return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

std::string WindowTextUtf8(HWND window)
{
    wchar_t text[1024] = L"";
    GetWindowTextW(window, text, 1024);
    return WideToUtf8(text);
}

void Answer(HWND box)
{
    int answer = GetDlgItem(box, IDCANCEL) ? IDCANCEL : GetDlgItem(box, IDNO) ? IDNO : IDOK;
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
}

BOOL CALLBACK WatchWindow(HWND window, LPARAM)
{
    char className[16] = "";
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "#32770") != 0 || !IsWindowVisible(window))
        return TRUE;
    auto seen = std::find_if(watched.begin(), watched.end(), [&](const Watched& w) { return w.Window == window; });
    if (seen != watched.end()) {
        // A dialog that ignores WM_CLOSE is taken down after a while.
        if (++seen->Ticks == 40) {
            Print(*TheHost, "dialog: did not close, destroyed");
            DestroyWindow(window);
        }
        return TRUE;
    }
    watched.push_back({window, 0});
    HWND owner = GetWindow(window, GW_OWNER);
    std::string ownerName = owner == nullptr ? "none" : owner == TheHost->Main ? "main" : "other";
    // Only a message box has the text control 0xFFFF.
    if (GetDlgItem(window, 0xFFFF) != nullptr) {
        wchar_t boxText[2048] = L"";
        GetDlgItemTextW(window, 0xFFFF, boxText, 2048);
        ++TheHost->BoxesSeen;
        Print(*TheHost,
              "box: \"" + WideToUtf8(boxText) + "\" caption=\"" + WindowTextUtf8(window) + "\" owner=" + ownerName);
        Answer(window);
    } else {
        ++TheHost->DialogsSeen;
        Print(*TheHost, "dialog: \"" + WindowTextUtf8(window) + "\" owner=" + ownerName);
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
    return TRUE;
}

void CALLBACK Watch(HWND, UINT, UINT_PTR, DWORD)
{
    if (TheHost == nullptr || !TheHost->Config.Unattended)
        return;
    watched.erase(std::remove_if(watched.begin(), watched.end(), [](const Watched& w) { return !IsWindow(w.Window); }),
                  watched.end());
    EnumThreadWindows(GetCurrentThreadId(), WatchWindow, 0);
}

void Layout(Host& host)
{
    RECT client;
    GetClientRect(host.Main, &client);
    int logHeight = std::min<int>(LogPaneHeight, client.bottom / 2);
    MoveWindow(host.Editor, 0, 0, client.right, client.bottom - logHeight, TRUE);
    MoveWindow(host.LogView, 0, client.bottom - logHeight, client.right, logHeight, TRUE);
}

std::vector<std::string> AssemblerNames(const Host& host)
{
    char list[512] = "";
    GetPrivateProfileStringA("Assembler", "Assembler", "", list, sizeof list, host.Config.HostIni.c_str());
    std::vector<std::string> names;
    std::string name;
    for (const char* p = list;; ++p) {
        if (*p == ',' || *p == 0) {
            if (!name.empty())
                names.push_back(name);
            name.clear();
            if (*p == 0)
                break;
        } else {
            name += *p;
        }
    }
    return names;
}

void HelpCommand(Host& host, WPARAM wParam)
{
    CHARRANGE sel = GetSelection(host);
    std::string word = host.Handles.EditWindow != nullptr ? HostWordAtCaret(host.Handles.EditWindow) : "";
    char line[128];
    wsprintfA(line, "help: selection=%ld-%ld high=%u word=\"", sel.cpMin, sel.cpMax, HIWORD(wParam));
    Print(host, line + AnsiToUtf8(word) + "\"");
    // What the add-in opens on this thread (WinHelp, boxes) shows up before its result.
    host.InHelp = true;
    uint32_t result = PassToAddin(host, WM_COMMAND, wParam, 0);
    host.InHelp = false;
    wsprintfA(line, "help: result=%u", result);
    Print(host, line);
}

void OpenFileCommand(Host& host)
{
    char path[MAX_PATH] = "";
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = host.Main;
    ofn.lpstrFilter = "Assembly (*.asm;*.inc)\0*.asm;*.inc\0All files\0*.*\0";
    ofn.lpstrFile = path;
    ofn.nMaxFile = sizeof path;
    ofn.Flags = OFN_FILEMUSTEXIST;
    if (GetOpenFileNameA(&ofn))
        LoadSource(host, path);
}

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Host* host = TheHost;
    if (host == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case HM_GETHANDLES:
        host->Asked.push_back(message);
        return reinterpret_cast<LRESULT>(&host->Handles);
    case HM_GETPROCS:
        host->Asked.push_back(message);
        return reinterpret_cast<LRESULT>(&host->Procs);
    case HM_GETDATA:
        host->Asked.push_back(message);
        return reinterpret_cast<LRESULT>(&host->Data);
    case HM_GETMENUID:
        host->Asked.push_back(message);
        return host->Config.MenuId;
    case WM_SIZE:
        if (host->Editor != nullptr)
            Layout(*host);
        return 0;
    case WM_SETFOCUS:
        if (host->Editor != nullptr)
            SetFocus(host->Editor);
        return 0;
    case WM_COMMAND: {
        UINT id = LOWORD(wParam);
        if (id == HelpCommandId) {
            HelpCommand(*host, wParam);
            return 0;
        }
        if (id == host->Config.MenuId && host->Config.MenuId != 0) {
            uint32_t result = PassToAddin(*host, WM_COMMAND, wParam, lParam);
            char line[64];
            wsprintfA(line, "menu: id=%u high=%u result=%u", id, HIWORD(wParam), result);
            Print(*host, line);
            return 0;
        }
        PassToAddin(*host, WM_COMMAND, wParam, lParam);
        if (id == CmdExit)
            PostMessageW(window, WM_CLOSE, 0, 0);
        else if (id == CmdOpenFile && !host->Config.Unattended)
            OpenFileCommand(*host);
        else if (id == CmdReload)
            PassToAddin(*host, HM_RELOAD, 0, 0);
        else if (id >= CmdSelectAssembler && id < CmdSelectAssembler + 20) {
            std::vector<std::string> names = AssemblerNames(*host);
            size_t which = id - CmdSelectAssembler;
            SelectAssembler(*host, which == 0 || which > names.size() ? std::string() : names[which - 1]);
            PassToAddin(*host, HM_RELOAD, 0, 0);
        }
        return 0;
    }
    case WM_CLOSE:
        PassToAddin(*host, WM_CLOSE, 0, 0);
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

HMENU BuildMenu(const Host& host)
{
    static const wchar_t* const titles[] = {L"文件(&F)", L"编辑(&E)", L"视图(&V)", L"格式(&O)",
                                            L"项目(&P)", L"生成(&M)", L"调试(&D)", L"工具(&T)",
                                            L"插件(&A)", L"窗口(&W)", L"帮助(&H)"};
    HMENU bar = CreateMenu();
    for (int i = 0; i < 11; ++i) {
        HMENU sub = CreatePopupMenu();
        switch (i) {
        case 0:
            AppendMenuW(sub, MF_STRING, CmdOpenFile, L"打开(&O)...");
            AppendMenuW(sub, MF_STRING, CmdExit, L"退出(&X)");
            break;
        case 7: {
            AppendMenuW(sub, MF_STRING, CmdReload, L"重新载入插件设置 (1135)");
            AppendMenuW(sub, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(sub, MF_STRING, CmdSelectAssembler, L"编译器: 无");
            std::vector<std::string> names = AssemblerNames(host);
            for (size_t n = 0; n < names.size() && n < 19; ++n)
                AppendMenuW(sub, MF_STRING, CmdSelectAssembler + 1 + n,
                            (L"编译器: " + ToWide(names[n], CP_ACP)).c_str());
            break;
        }
        case 8:
            AppendMenuW(sub, MF_STRING | MF_GRAYED, 0, L"插件管理器...");
            break;
        case 10:
            AppendMenuW(sub, MF_STRING, HelpCommandId, L"关键词帮助\tF1");
            break;
        default:
            AppendMenuW(sub, MF_STRING | MF_GRAYED, 0, L"(空)");
            break;
        }
        AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), titles[i]);
    }
    return bar;
}

}  // namespace

std::string AnsiToUtf8(const std::string& ansi)
{
    std::wstring wide = ToWide(ansi, CP_ACP);
    return ToUtf8(wide.data(), static_cast<int>(wide.size()));
}

std::string WideToUtf8(const wchar_t* wide) { return ToUtf8(wide, lstrlenW(wide)); }

std::string Utf8ToAnsi(const std::string& utf8)
{
    std::wstring wide = ToWide(utf8, CP_UTF8);
    if (wide.empty())
        return std::string();
    int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size : 0, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &out[0], size, nullptr, nullptr);
    return out;
}

void Print(Host& host, const std::string& line)
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out != nullptr && out != INVALID_HANDLE_VALUE) {
        std::string bytes = line + "\n";
        DWORD written = 0;
        WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
    host.Events.push_back(line);
    if (host.LogView != nullptr) {
        std::wstring wide = ToWide(line, CP_UTF8);
        LRESULT at = SendMessageW(host.LogView, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
        SendMessageW(host.LogView, LB_SETTOPINDEX, static_cast<WPARAM>(at), 0);
    }
}

bool CreateHost(Host& host, const HostConfig& config)
{
    TheHost = &host;
    host.Config = config;
    SetEnvironmentVariableA("TEMBRIL_OPEN_LOG", config.OpenLog.c_str());
    if (LoadLibraryA("riched20.dll") == nullptr)
        return false;

    WNDCLASSW main{};
    main.lpfnWndProc = MainProc;
    main.hInstance = GetModuleHandleW(nullptr);
    main.hCursor = LoadCursor(nullptr, IDC_ARROW);
    main.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    main.lpszClassName = L"VarnokMain";
    RegisterClassW(&main);
    WNDCLASSA help{};
    help.lpfnWndProc = WinHelpProc;
    help.hInstance = GetModuleHandleW(nullptr);
    help.lpszClassName = "MS_WINHELP";
    RegisterClassA(&help);

    host.Menu = BuildMenu(host);
    host.Main = CreateWindowExW(0, L"VarnokMain", L"Varnok (Tembril 测试宿主)", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 800, 600, nullptr, host.Menu, GetModuleHandleW(nullptr), nullptr);
    if (host.Main == nullptr)
        return false;
    host.Editor = CreateWindowExA(
        WS_EX_CLIENTEDGE, "RichEdit20A", "",
        WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL,
        0, 0, 10, 10, host.Main, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (host.Editor == nullptr)
        return false;
    EditorBaseProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(host.Editor, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditorProc)));
    SendMessageA(host.Editor, EM_EXLIMITTEXT, 0, 1 << 20);
    // One font for the life of the process.
    static HFONT font = CreateFontW(-15, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, L"Courier New");
    SendMessageA(host.Editor, WM_SETFONT, reinterpret_cast<WPARAM>(font ? font : GetStockObject(ANSI_FIXED_FONT)),
                 TRUE);
    host.LogView = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                                   WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 0, 0, 10, 10, host.Main,
                                   nullptr, GetModuleHandleW(nullptr), nullptr);
    host.WinHelpCatcher = CreateWindowExA(0, "MS_WINHELP", "WinHelp stand-in", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                          nullptr, GetModuleHandleW(nullptr), nullptr);
    Layout(host);

    ACCEL keys[] = {{FVIRTKEY, VK_F1, static_cast<WORD>(HelpCommandId)}};
    host.Accelerators = CreateAcceleratorTableW(keys, 1);
    SetTimer(host.Main, WatchTimer, 50, Watch);

    host.Handles.MainWindow = host.Main;
    host.Handles.MainMenu = host.Menu;
    host.Handles.EditWindow = host.Editor;
    host.Procs.GetWordAtCaret = HostWordAtCaret;
    host.Data.HostIniPath = host.Config.HostIni.c_str();
    host.Data.ToolsDir = host.Config.ToolsDir.c_str();
    host.Data.AddinDir = host.Config.AddinDir.c_str();
    host.Data.HelpDir = host.Config.HelpDir.c_str();
    host.Data.AppDir = host.Config.AppDir.c_str();
    SelectAssembler(host, config.Assembler);
    if (!config.SourceFile.empty())
        LoadSource(host, config.SourceFile);
    return true;
}

bool LoadAddin(Host& host)
{
    host.Addin = LoadLibraryA(host.Config.DllPath.c_str());
    if (host.Addin == nullptr) {
        char line[64];
        wsprintfA(line, "load: failed, error %lu: ", GetLastError());
        Print(host, line + AnsiToUtf8(host.Config.DllPath));
        return false;
    }
    host.InstallEntry = reinterpret_cast<void*>(GetProcAddress(host.Addin, "InstallDll"));
    host.Proc = reinterpret_cast<DllProcFn>(reinterpret_cast<void*>(GetProcAddress(host.Addin, "DllProc")));
    host.Options = reinterpret_cast<GetOptionsFn>(reinterpret_cast<void*>(GetProcAddress(host.Addin, "GetOptions")));
    bool entry = GetProcAddress(host.Addin, "DllEntry") != nullptr;
    char line[128];
    wsprintfA(line, "load: InstallDll=%s DllProc=%s GetOptions=%s DllEntry=%s", host.InstallEntry ? "yes" : "no",
              host.Proc ? "yes" : "no", host.Options ? "yes" : "no", entry ? "yes" : "no");
    Print(host, line);
    return host.InstallEntry != nullptr && host.Proc != nullptr && host.Options != nullptr;
}

HookMask CallInstallDll(void* entry, HWND mainWindow, uint32_t options)
{
    uint32_t eax, ecx, edx;
    // ECX and EDX hold a marker going in, so that a callee leaving them
    // alone is seen as well as one leaving garbage there.
    asm volatile(
        "pushl %[options]\n\t"
        "pushl %[window]\n\t"
        "movl $0x5A5A5A5A, %%ecx\n\t"
        "movl $0x5A5A5A5A, %%edx\n\t"
        "call *%[entry]\n\t"
        : "=&a"(eax), "=&c"(ecx), "=&d"(edx)
        : [entry] "r"(entry), [window] "r"(mainWindow), [options] "r"(options)
        : "memory", "cc");
    return HookMask{eax, ecx, edx};
}

bool InstallAddin(Host& host)
{
    const OptionRow* rows = host.Options();
    for (int i = 0; i < 16; ++i) {
        char line[64];
        wsprintfA(line, "option: %u %u ", rows[i].Mask, rows[i].Value);
        if (rows[i].Text == nullptr) {
            Print(host, line + std::string("end"));
            break;
        }
        Print(host, line + AnsiToUtf8(rows[i].Text));
    }
    host.Asked.clear();
    host.Mask = CallInstallDll(host.InstallEntry, host.Main, host.Config.Options);
    host.Installed = true;
    std::string asked;
    for (UINT m : host.Asked)
        asked += (asked.empty() ? "" : ",") + std::to_string(m);
    std::string item;
    bool hasItem = host.Config.MenuId != 0 && FindAddinItem(host, host.Config.MenuId, &item);
    char line[160];
    wsprintfA(line, "install: options=0x%x asked=%s mask=0x%x,0x%x,0x%x menuitem=", host.Config.Options,
              asked.empty() ? "none" : asked.c_str(), host.Mask.Messages, host.Mask.Second, host.Mask.Third);
    Print(host, line + (hasItem ? "\"" + AnsiToUtf8(item) + "\"" : std::string("none")));
    DrawMenuBar(host.Main);
    return true;
}

uint32_t PassToAddin(Host& host, UINT message, WPARAM wParam, LPARAM lParam, bool force)
{
    if (!host.Installed || host.Proc == nullptr)
        return 0;
    uint32_t bit = message == WM_COMMAND  ? HookCommand
                   : message == WM_CLOSE  ? HookClose
                   : message == HM_RELOAD ? HookReload
                                          : 0;
    if (!force && (host.Mask.Messages & bit) == 0)
        return 0;
    return host.Proc(host.Main, message, wParam, lParam);
}

void SetEditorText(Host& host, const std::string& ansi)
{
    SetWindowTextA(host.Editor, ansi.c_str());
    SetSelection(host, 0, 0);
}

void LoadSource(Host& host, const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        Print(host, "source: cannot open " + AnsiToUtf8(path));
        return;
    }
    std::string text;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0 && text.size() < (1u << 20))
        text.append(chunk, got);
    CloseHandle(file);
    SetEditorText(host, text);
}

void SetSelection(Host& host, LONG first, LONG last)
{
    CHARRANGE range = {first, last};
    SendMessageA(host.Editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

CHARRANGE GetSelection(Host& host)
{
    CHARRANGE range = {0, 0};
    SendMessageA(host.Editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    return range;
}

LONG FindInEditor(Host& host, const std::string& ansi, int occurrence)
{
    std::wstring text = EditorText(host.Editor);
    std::wstring needle = ToWide(ansi, CP_ACP);
    if (needle.empty())
        return -1;
    size_t at = 0;
    for (int n = 0; n < occurrence; ++n) {
        at = text.find(needle, n == 0 ? 0 : at + 1);
        if (at == std::wstring::npos)
            return -1;
    }
    return static_cast<LONG>(at);
}

const char* __stdcall HostWordAtCaret(HWND editor)
{
    static char word[1024];
    word[0] = 0;
    // The host's own questions to its editor are not the add-in's: no trace.
    bool tracing = TheHost != nullptr && TheHost->InHelp;
    if (tracing)
        TheHost->InHelp = false;
    std::wstring text = EditorText(editor);
    CHARRANGE sel = {0, 0};
    SendMessageA(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
    LONG length = static_cast<LONG>(text.size());
    LONG caret = std::max<LONG>(0, std::min<LONG>(sel.cpMin, length));
    LONG first = caret, last = caret;
    while (first > 0 && IsWordChar(text[first - 1]))
        --first;
    while (last < length && IsWordChar(text[last]))
        ++last;
    if (last > first) {
        int n = WideCharToMultiByte(CP_ACP, 0, text.data() + first, last - first, word, sizeof word - 1, nullptr,
                                    nullptr);
        word[n > 0 ? n : 0] = 0;
    }
    if (tracing) {
        TheHost->InHelp = true;
        Print(*TheHost, "host: GetWordAtCaret -> " + Quoted(word));
    }
    return word;
}

void SelectAssembler(Host& host, const std::string& name)
{
    host.Config.Assembler = name;
    host.AssemblerIni = name.empty() ? std::string() : host.Config.AppDir + "\\" + name + ".ini";
    host.Data.AssemblerIniPath = name.empty() ? nullptr : host.AssemblerIni.c_str();
}

bool FindAddinItem(Host& host, uint32_t id, std::string* text)
{
    HMENU sub = GetSubMenu(host.Menu, MenuPosition);
    for (int i = 0, n = GetMenuItemCount(sub); i < n; ++i) {
        if (GetMenuItemID(sub, i) != id)
            continue;
        char buffer[256] = "";
        GetMenuStringA(sub, i, buffer, sizeof buffer, MF_BYPOSITION);
        if (text != nullptr)
            *text = buffer;
        return true;
    }
    return false;
}

std::string ReadFileFrom(const std::string& path, uint64_t offset)
{
    std::string text;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return text;
    LONG high = static_cast<LONG>(offset >> 32);
    SetFilePointer(file, static_cast<LONG>(offset & 0xFFFFFFFFu), &high, FILE_BEGIN);
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        text.append(chunk, got);
    CloseHandle(file);
    return text;
}

uint64_t OpenLogSize(const Host& host)
{
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (!GetFileAttributesExA(host.Config.OpenLog.c_str(), GetFileExInfoStandard, &info))
        return 0;
    return (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

std::vector<std::string> OpenLogSince(const Host& host, uint64_t offset)
{
    std::vector<std::string> lines;
    std::string text = ReadFileFrom(host.Config.OpenLog, offset);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            break;  // a line still being written
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

void PumpMessages(Host& host, DWORD milliseconds)
{
    DWORD until = GetTickCount() + milliseconds;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            if (!TranslateAcceleratorW(host.Main, host.Accelerators, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        if (static_cast<LONG>(GetTickCount() - until) >= 0)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

int RunMessageLoop(Host& host)
{
    ShowWindow(host.Main, SW_SHOWDEFAULT);
    UpdateWindow(host.Main);
    SetFocus(host.Editor);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!TranslateAcceleratorW(host.Main, host.Accelerators, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return static_cast<int>(msg.wParam);
}
