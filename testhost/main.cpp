// The host stand-in. With a display, a person uses it like the real host:
// F1 in the editor asks the add-in for help, the add-in's item sits in the
// ninth menu (插件, position 8), Tools (工具) reloads the settings or picks an
// assembler, the one in force checked; the log below the editor shows what
// each opener received. -assembler NAME starts with that assembler in force
// (its NAME.ini in the application directory; "none" for none). With -script or -do it plays
// the given actions unattended, prints what happened to stdout and exits;
// -then plays them with the window up and stays (the dialog open for a
// picture, say).
//
//   testhost [-app DIR] [-addins DIR] [-help DIR] [-tools DIR] [-ini FILE]
//            [-assembler NAME] [-dll FILE] [-options N] [-menuid N]
//            [-source FILE] [-openlog DIR] [-script FILE | -do "a; b; ..." | -then "a; b; ..."]
#include <windows.h>
#include <shellapi.h>

#include <stdlib.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "testhost/host.h"
#include "testhost/script.h"

namespace {

std::string ExeDir()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    char* slash = strrchr(path, '\\');
    if (slash != nullptr)
        *slash = 0;
    return path;
}

std::vector<std::string> ScriptLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::string text = ReadFileBytes(path);
    if (text.empty())
        return lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> SplitActions(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(';', start);
        lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return lines;
        start = end + 1;
    }
}

std::vector<std::string> ThenActions;

// Plays the -then actions once, inside the interactive message loop.
void CALLBACK PlayThen(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    std::vector<std::string> lines;
    lines.swap(ThenActions);
    // The actions report what each press opened; the host's own watch resumes after them.
    WatchRecords(*CurrentHost(), false);
    for (const std::string& line : lines)
        RunAction(*CurrentHost(), line);
    WatchRecords(*CurrentHost(), true);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(Utf8ToAnsi(WideToUtf8(argv[i])));
    LocalFree(argv);

    HostConfig config;
    config.AppDir = ExeDir();
    std::string addins, help, tools, ini, dll, log, source, script, actions, then;
    bool scripted = false;
    for (size_t i = 0; i + 1 < args.size(); i += 2) {
        const std::string& name = args[i];
        const std::string& value = args[i + 1];
        if (name == "-app")
            config.AppDir = value;
        else if (name == "-addins")
            addins = value;
        else if (name == "-help")
            help = value;
        else if (name == "-tools")
            tools = value;
        else if (name == "-ini")
            ini = value;
        else if (name == "-assembler")
            config.Assembler = value == "none" ? std::string() : value;
        else if (name == "-dll")
            dll = value;
        else if (name == "-options")
            config.Options = strtoul(value.c_str(), nullptr, 0);
        else if (name == "-menuid")
            config.MenuId = strtoul(value.c_str(), nullptr, 0);
        else if (name == "-source")
            source = value;
        else if (name == "-openlog")
            log = value;
        else if (name == "-script")
            script = value, scripted = true;
        else if (name == "-do")
            actions = value, scripted = true;
        else if (name == "-then")
            then = value;
    }
    config.AddinDir = addins.empty() ? config.AppDir + "\\Addins" : addins;
    config.HelpDir = help.empty() ? config.AppDir + "\\Help" : help;
    config.ToolsDir = tools.empty() ? config.AppDir + "\\Bin" : tools;
    config.HostIni = ini.empty() ? config.AppDir + "\\Varnok.ini" : ini;
    config.DllPath = dll.empty() ? config.AddinDir + "\\Tembril.dll" : dll;
    config.OpenLog = log.empty() ? config.AppDir + "\\opened" : log;
    if (source.empty() && GetFileAttributesA((config.AppDir + "\\sample.asm").c_str()) != INVALID_FILE_ATTRIBUTES)
        source = config.AppDir + "\\sample.asm";
    config.SourceFile = source;
    config.Unattended = scripted;

    static Host host;
    if (!CreateHost(host, config)) {
        MessageBoxA(nullptr, "The host's windows cannot be created (is riched20.dll there?)", "testhost", MB_OK);
        return 2;
    }
    if (!LoadAddin(host) || !InstallAddin(host)) {
        if (config.Unattended)
            return 3;
    }
    if (!config.Unattended) {
        ThenActions = SplitActions(then);
        if (!ThenActions.empty())
            SetTimer(nullptr, 0, 500, PlayThen);  // once the window is up
        return RunMessageLoop(host);
    }

    int failed = 0;
    std::vector<std::string> lines = !script.empty() ? ScriptLines(script) : SplitActions(actions);
    for (const std::string& line : lines) {
        if (!RunAction(host, line))
            ++failed;
        if (!IsWindow(host.Main))
            break;
    }
    Print(host, failed == 0 ? "done" : "done with errors");
    return failed;
}
