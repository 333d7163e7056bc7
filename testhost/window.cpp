// The host's main window: its menu bar, the editor above, the log below,
// the commands of its own menu and the message loop.
#include "testhost/host.h"

#include <commdlg.h>

namespace {

Host* TheHost = nullptr;  // one host per process, as the add-in expects
constexpr UINT_PTR RecordsTimer = 1;
constexpr size_t LogKept = 256 * 1024;  // characters of the log pane kept, the latest

void Layout(Host& host)
{
    RECT client;
    GetClientRect(host.Main, &client);
    int logHeight = client.bottom * 2 / 5;  // room for the last few presses, each several lines
    MoveWindow(host.Editor, 0, 0, client.right, client.bottom - logHeight, TRUE);
    MoveWindow(host.LogView, 0, client.bottom - logHeight, client.right, logHeight, TRUE);
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
    case HM_GETPROCS:
    case HM_GETDATA:
    case HM_GETMENUID:
        host->Asked.push_back(message);
        return message == HM_GETHANDLES ? reinterpret_cast<LRESULT>(&host->Handles)
               : message == HM_GETPROCS ? reinterpret_cast<LRESULT>(&host->Procs)
               : message == HM_GETDATA  ? reinterpret_cast<LRESULT>(&host->Data)
                                        : static_cast<LRESULT>(host->Config.MenuId);
    case WM_TIMER:
        if (wParam == RecordsTimer)
            ReportNewRecords(*host);
        return 0;
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
        else if (id >= CmdSelectAssembler && id <= CmdSelectAssembler + MaxAssemblers) {
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
        case ToolsMenuPosition: {
            AppendMenuW(sub, MF_STRING, CmdReload, L"重新载入插件设置 (1135)");
            AppendMenuW(sub, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(sub, MF_STRING, CmdSelectAssembler, L"编译器: 无");
            std::vector<std::string> names = AssemblerNames(host);
            for (size_t n = 0; n < names.size() && n < MaxAssemblers; ++n)
                AppendMenuW(sub, MF_STRING, CmdSelectAssembler + 1 + n,
                            (L"编译器: " + ToWide(names[n], CP_ACP)).c_str());
            break;
        }
        case MenuPosition:
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

Host* CurrentHost() { return TheHost; }

void WatchRecords(Host& host, bool on)
{
    if (on) {
        host.RecordsReported = OpenLogSize(host);
        SetTimer(host.Main, RecordsTimer, 200, nullptr);
    } else {
        KillTimer(host.Main, RecordsTimer);
    }
}

void Print(Host& host, const std::string& line)
{
    if (host.Config.Silent)
        return;
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out != nullptr && out != INVALID_HANDLE_VALUE) {
        std::string bytes = line + "\n";
        DWORD written = 0;
        WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
    host.Events.push_back(line);
    if (host.LogView != nullptr) {
        std::wstring wide = ToWide(line + "\r\n", CP_UTF8);
        int length = GetWindowTextLengthW(host.LogView);
        if (static_cast<size_t>(length) + wide.size() > LogKept) {
            SendMessageW(host.LogView, EM_SETSEL, 0, static_cast<LPARAM>(LogKept / 2));
            SendMessageW(host.LogView, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
            length = GetWindowTextLengthW(host.LogView);
        }
        SendMessageW(host.LogView, EM_SETSEL, length, length);
        SendMessageW(host.LogView, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide.c_str()));
        SendMessageW(host.LogView, EM_SCROLLCARET, 0, 0);
    }
}

bool CreateHost(Host& host, const HostConfig& config)
{
    TheHost = &host;
    host.Config = config;
    // The openers' stand-in leaves its records there.
    CreateDirectoryA(config.OpenLog.c_str(), nullptr);
    SetEnvironmentVariableA("TEMBRIL_RECORD", config.OpenLog.c_str());
    if (LoadLibraryA("riched20.dll") == nullptr)
        return false;

    WNDCLASSW main{};
    main.lpfnWndProc = MainProc;
    main.hInstance = GetModuleHandleW(nullptr);
    main.hCursor = LoadCursor(nullptr, IDC_ARROW);
    main.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    main.lpszClassName = L"VarnokMain";
    RegisterClassW(&main);

    host.Menu = BuildMenu(host);
    host.Main = CreateWindowExW(0, L"VarnokMain", L"Varnok (Tembril 测试宿主)", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 900, 700, nullptr, host.Menu, GetModuleHandleW(nullptr), nullptr);
    if (host.Main == nullptr)
        return false;
    host.Editor = CreateEditor(host);
    if (host.Editor == nullptr)
        return false;
    // A read-only edit that wraps: long lines stay whole, and the last presses stay in view.
    host.LogView = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                                   WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 0,
                                   0, 10, 10, host.Main, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(host.LogView, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    SendMessageW(host.LogView, EM_SETLIMITTEXT, 0, 0);
    StartWatchers(host);
    Layout(host);

    ACCEL keys[] = {{FVIRTKEY, VK_F1, static_cast<WORD>(HelpCommandId)}};
    host.Accelerators = CreateAcceleratorTableW(keys, 1);
    // A person at the keyboard sees what a started program received as it arrives;
    // a script asks for it after each press.

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
    if (!config.Unattended)
        WatchRecords(host, true);
    if (!config.SourceFile.empty())
        LoadSource(host, config.SourceFile);
    return true;
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
