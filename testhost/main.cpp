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

#include <map>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "testhost/host.h"
#include "testhost/script.h"

namespace {

// The pieces of text between separators: script lines, or the actions of -do.
std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> pieces;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(separator, start);
        pieces.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return pieces;
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

    std::map<std::string, std::string> given;
    for (size_t i = 0; i + 1 < args.size(); i += 2)
        given[args[i]] = args[i + 1];
    auto option = [&](const char* name, const std::string& fallback) {
        auto found = given.find(name);
        return found == given.end() || found->second.empty() ? fallback : found->second;
    };
    HostConfig config;
    config.AppDir = option("-app", ProgramDir());
    config.AddinDir = option("-addins", config.AppDir + "\\Addins");
    config.HelpDir = option("-help", config.AppDir + "\\Help");
    config.ToolsDir = option("-tools", config.AppDir + "\\Bin");
    config.HostIni = option("-ini", config.AppDir + "\\Varnok.ini");
    config.DllPath = option("-dll", config.AddinDir + "\\Tembril.dll");
    config.OpenLog = option("-openlog", config.AppDir + "\\opened");
    config.Assembler = option("-assembler", "") == "none" ? std::string() : option("-assembler", "");
    config.Options = strtoul(option("-options", "1").c_str(), nullptr, 0);  // OptEnable
    config.MenuId = strtoul(option("-menuid", std::to_string(DefaultAddinMenuId)).c_str(), nullptr, 0);
    std::string source = option("-source", ""), script = option("-script", ""), actions = option("-do", "");
    bool scripted = given.count("-script") != 0 || given.count("-do") != 0;
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
        if (given.count("-then") != 0) {
            ThenActions = Split(given["-then"], ';');
            SetTimer(nullptr, 0, 500, PlayThen);  // once the window is up
        }
        return RunMessageLoop(host);
    }

    int failed = 0;
    std::vector<std::string> lines = !script.empty() ? Split(ReadFileBytes(script), '\n') : Split(actions, ';');
    for (const std::string& line : lines) {
        if (!RunAction(host, line))
            ++failed;
        if (!IsWindow(host.Main))
            break;
    }
    Print(host, failed == 0 ? "done" : "done with errors");
    return failed;
}
