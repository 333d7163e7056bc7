// The real Tembril.dll in the host stand-in: each case starts testhost.exe on
// an application directory of its own, plays actions and reads what the host
// printed (UTF-8). What the add-in opened is seen from outside: WinHelp
// requests by the host's WinHelp-class window, programs and H2Viewer.exe by
// the recorders standing in for them.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/text.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

// Help paths are lowercased as a whole, as the add-in does it.
std::string Lower(std::string text)
{
    StrLower(&text[0]);
    return text;
}

void Copy(const std::string& from, const std::string& to)
{
    ASSERT_TRUE(CopyFileA(from.c_str(), to.c_str(), FALSE)) << from << " -> " << to << ": " << GetLastError();
}

struct HostRun {
    DWORD ExitCode = 0;
    std::vector<std::string> Lines;

    // The first line beginning with prefix, or "(none)".
    std::string Line(const std::string& prefix, size_t from = 0) const
    {
        for (size_t i = from; i < Lines.size(); ++i)
            if (Lines[i].compare(0, prefix.size(), prefix) == 0)
                return Lines[i];
        return "(none)";
    }
    // The lines after the action line "> action" (its n-th occurrence), up to the next action.
    std::vector<std::string> After(const std::string& action, int occurrence = 1) const
    {
        std::vector<std::string> out;
        bool in = false;
        for (const std::string& line : Lines) {
            if (line.compare(0, 2, "> ") == 0 || line.compare(0, 4, "done") == 0) {
                if (in)
                    break;
                in = line == "> " + action && --occurrence == 0;
                continue;
            }
            if (in)
                out.push_back(line);
        }
        return out;
    }
    // What the help command after the action opened, one line or several.
    std::string Opened(const std::string& action, int occurrence = 1) const
    {
        std::string opened;
        for (const std::string& line : After(action, occurrence))
            if (line.compare(0, 8, "opened: ") == 0 || line.compare(0, 5, "box: ") == 0)
                opened += (opened.empty() ? "" : "\n") + line;
        return opened;
    }
    // Every line beginning with prefix.
    std::vector<std::string> All(const std::string& prefix) const
    {
        std::vector<std::string> out;
        for (const std::string& line : Lines)
            if (line.compare(0, prefix.size(), prefix) == 0)
                out.push_back(line);
        return out;
    }
    std::string Result(const std::string& action, int occurrence = 1) const
    {
        for (const std::string& line : After(action, occurrence))
            if (line.compare(0, 13, "help: result=") == 0)
                return line.substr(13);
        return "(none)";
    }
    std::string Text() const
    {
        std::string text;
        for (const std::string& line : Lines)
            text += line + "\n";
        return text;
    }
};

class HostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        app = dir.Path();
        addins = app + "\\Addins";
        CreateDirectoryA(addins.c_str(), nullptr);
        CreateDirectoryA((app + "\\Help").c_str(), nullptr);
        CreateDirectoryA((app + "\\Bin").c_str(), nullptr);
        Copy(TEMBRIL_DLL, addins + "\\Tembril.dll");
        Copy(H2VIEWER_EXE, addins + "\\H2Viewer.exe");
        Copy(LOOKUP_EXE, addins + "\\lookup.exe");
        std::string samples = SAMPLES_DIR;
        for (const char* list : {"x86.kwl", "directives.kwl", "win32api.kwl"})
            Copy(samples + "\\" + list, addins + "\\" + list);
        for (const char* file : {"Varnok.ini", "Masm32.ini", "sample.asm"})
            Copy(samples + "\\" + file, app + "\\" + file);
    }

    HostRun Run(const std::vector<std::string>& options, const std::string& actions)
    {
        std::string command = std::string("\"") + TESTHOST_EXE + "\" -app \"" + app + "\"";
        for (const std::string& option : options)
            command += " " + option;
        command += " -do \"" + actions + "\"";

        HostRun run;
        ProgramRun program = RunAndCapture(command, app, 60000);
        if (!program.Started) {
            ADD_FAILURE() << "cannot start " << command << ": " << GetLastError();
            return run;
        }
        run.ExitCode = program.ExitCode;
        const std::string& output = program.Output;
        size_t start = 0;
        while (start < output.size()) {
            size_t end = output.find('\n', start);
            if (end == std::string::npos)
                end = output.size();
            std::string text = output.substr(start, end - start);
            if (!text.empty() && text.back() == '\r')
                text.pop_back();
            run.Lines.push_back(text);
            start = end + 1;
        }
        return run;
    }

    std::string Setting(const std::string& file, const char* key)
    {
        char value[512] = "";
        GetPrivateProfileStringA("Tembril", key, "?", value, sizeof value, (app + "\\" + file).c_str());
        return value;
    }
    void WriteSetting(const std::string& file, const char* key, const char* value)
    {
        WritePrivateProfileStringA("Tembril", key, value, (app + "\\" + file).c_str());
    }

    TempDir dir;
    std::string app, addins;
};

const std::string MenuText = u8"\"Tembril 选项\"";

TEST_F(HostTest, OptionTableIsReadAndEndsInZeros)
{
    HostRun run = Run({"-options", "0"}, "");
    EXPECT_EQ(run.Line("load:"), "load: InstallDll=yes DllProc=yes GetOptions=yes DllEntry=yes");
    std::vector<std::string> options;
    for (const std::string& line : run.Lines)
        if (line.compare(0, 7, "option:") == 0)
            options.push_back(line);
    EXPECT_EQ(options, (std::vector<std::string>{u8"option: 1 1 启用插件", u8"option: 2 2 隐藏错误信息",
                                                 u8"option: 8 8 F1 把错误信息传给帮助",
                                                 u8"option: 16 16 找不到关键词时提供建议", "option: 0 0 end"}));
}

TEST_F(HostTest, DisabledInstallAsksForTheRecordsOnlyAndHooksNothing)
{
    HostRun run = Run({"-options", "0"}, "menuitem");
    EXPECT_EQ(run.Line("install:"), "install: options=0x0 asked=1074,1075,1076 mask=0x0,0x0,0x0 menuitem=none")
        << run.Text();
    EXPECT_EQ(run.After("menuitem"), (std::vector<std::string>{"menuitem=none items=1"}));
    // No cache was opened: none built, none recorded.
    EXPECT_TRUE(dir.List("Addins\\hlp*").empty());
    EXPECT_EQ(Setting("Varnok.ini", "KeywordCacheFile"), "?");
}

TEST_F(HostTest, EnabledInstallAppendsTheItemOpensTheCacheAndReturnsTheMaskInAllThreeRegisters)
{
    HostRun run = Run({"-options", "1"}, "menuitem");
    EXPECT_EQ(run.Line("install:"),
              "install: options=0x1 asked=1074,1075,1076,1077 mask=0x4005,0x0,0x0 menuitem=" + MenuText)
        << run.Text();
    EXPECT_EQ(run.After("menuitem"), (std::vector<std::string>{"menuitem=" + MenuText + " items=2"}));
    EXPECT_NE(Setting("Varnok.ini", "KeywordCacheFile"), "?");
    EXPECT_EQ(dir.List("Addins\\hlp*").size(), 1u);
}

TEST_F(HostTest, MaskIsFullEvenWhenTheCacheCannotBeOpened)
{
    WriteSetting("Varnok.ini", "KeywordLists", nullptr);
    HostRun run = Run({"-options", "1"}, "");
    EXPECT_EQ(run.Line("install:"),
              "install: options=0x1 asked=1074,1075,1076,1077 mask=0x4005,0x0,0x0 menuitem=" + MenuText)
        << run.Text();
    EXPECT_EQ(run.Line("box:"), u8"box: \"OpenCache: 未指定帮助文件. 帮助将不可用.\" caption=\"错误\" owner=none");
}

TEST_F(HostTest, InstallingAgainLeavesOneItem)
{
    HostRun run = Run({"-options", "1"}, "install 1; menuitem");
    EXPECT_EQ(run.After("menuitem"), (std::vector<std::string>{"menuitem=" + MenuText + " items=2"}));
}

TEST_F(HostTest, MenuItemOpensTheDialogOnTheMainWindowAndOnlyWithHighWordZero)
{
    HostRun run = Run({"-options", "1"}, "menu 1; menu 0");
    EXPECT_EQ(run.After("menu 1"), (std::vector<std::string>{"menu: id=40100 high=1 result=0", "menu: dialogs=0"}))
        << run.Text();
    std::vector<std::string> opened = run.After("menu 0");
    ASSERT_EQ(opened.size(), 3u) << run.Text();
    EXPECT_EQ(opened[0], u8"dialog: \"Tembril - 配置帮助文件\" owner=main");
    EXPECT_EQ(opened[1], "menu: id=40100 high=0 result=0");
    EXPECT_EQ(opened[2], "menu: dialogs=1");
}

TEST_F(HostTest, WithoutAMenuIdThereIsNoItemAndCommandZeroOpensNothing)
{
    HostRun run = Run({"-options", "1", "-menuid", "0"}, "menuitem; menu 0");
    EXPECT_EQ(run.Line("install:"), "install: options=0x1 asked=1074,1075,1076,1077 mask=0x4005,0x0,0x0 menuitem=none");
    EXPECT_EQ(run.After("menuitem"), (std::vector<std::string>{"menuitem=none items=1"}));
    EXPECT_EQ(run.After("menu 0"), (std::vector<std::string>{"menu: dialogs=0"})) << run.Text();
}

TEST_F(HostTest, SecondCloseDoesNothing)
{
    HostRun run = Run({"-options", "1"}, "close; close; menuitem");
    EXPECT_EQ(run.After("close", 1), (std::vector<std::string>{"close: result=0 menuitem=none items=1"}));
    // The host's own item in that submenu has id 0: a second delete must not take it.
    EXPECT_EQ(run.After("close", 2), (std::vector<std::string>{"close: result=0 menuitem=none items=1"}));
    EXPECT_EQ(run.After("menuitem"), (std::vector<std::string>{"menuitem=none items=1"}));
}

TEST_F(HostTest, F1OverAWordOfEachListForm)
{
    HostRun run = Run({"-options", "1"},
                      "at mov 1; f1; at jz 1; f1; at .data 3; f1; select-text MessageBoxA; f1; at msg; f1; "
                      "text    push eax; caret 3; help 7");
    std::string h = "opened: winhelp command=0x101 file=" + Lower(app);
    // The keyword alone.
    EXPECT_EQ(run.Opened("f1", 1), h + "\\help\\x86.hlp key=mov") << run.Text();
    // A keyword with an alias: help opens for the alias.
    EXPECT_EQ(run.Opened("f1", 2), h + "\\help\\x86.hlp key=je") << run.Text();
    // A directive: the "." before the word belongs to the keyword.
    EXPECT_EQ(run.Opened("f1", 3), "opened: lookup.exe cmdline=[\"lookup.exe\" /k .data]") << run.Text();
    // A selection, in capitals, of a name whose list gives an alias; an HTML Help 2 target.
    EXPECT_EQ(run.Opened("f1", 4),
              "opened: H2Viewer.exe cmdline=[/helpcol ms-help://ms.psdk.v2003/win32 /filterquery /index messagebox "
              "/XNav /appid Varnok]")
        << run.Text();
    // A word in no list falls to the pseudo-list default.
    EXPECT_EQ(run.Opened("f1", 5), h + "\\help\\masm32.hlp key=msg") << run.Text();
    // Any high word runs the help command (here: leading blanks before the caret's word).
    EXPECT_EQ(run.Opened("help 7"), h + "\\help\\x86.hlp key=push") << run.Text();
}

TEST_F(HostTest, WordInNoListOpensNothingWithoutDefault)
{
    HostRun run = Run({"-options", "1", "-assembler", "Masm32"}, "at msg; f1");
    EXPECT_EQ(run.Result("f1"), "0") << run.Text();
    EXPECT_EQ(run.Opened("f1"), "opened: nothing");
}

TEST_F(HostTest, ReloadPicksUpAChangedAssemblerIni)
{
    HostRun run = Run({"-options", "1", "-assembler", "Masm32"},
                      "at .data 1; f1; ini Masm32.ini Tembril directives \\\"$D\\lookup.exe\\\" /changed $K; f1; "
                      "reload; f1; assembler none; f1; reload; f1");
    EXPECT_EQ(run.Opened("f1", 1), "opened: lookup.exe cmdline=[\"lookup.exe\" /masm .data]") << run.Text();
    // Settings are read when the cache opens, not per help command.
    EXPECT_EQ(run.Opened("f1", 2), "opened: lookup.exe cmdline=[\"lookup.exe\" /masm .data]") << run.Text();
    EXPECT_EQ(run.Opened("f1", 3), "opened: lookup.exe cmdline=[\"lookup.exe\" /changed .data]") << run.Text();
    EXPECT_EQ(run.Opened("f1", 4), "opened: lookup.exe cmdline=[\"lookup.exe\" /changed .data]") << run.Text();
    // No assembler any more: the global settings apply from the next open.
    EXPECT_EQ(run.Opened("f1", 5), "opened: lookup.exe cmdline=[\"lookup.exe\" /k .data]") << run.Text();
}

TEST_F(HostTest, HelpCommandWithTheCacheClosedReturnsZeroEvenWithDefault)
{
    // Quiet: the failed open reports nothing.
    HostRun run = Run({"-options", "3"}, "at msg; f1; ini-delete Varnok.ini Tembril; reload; f1");
    EXPECT_EQ(run.Result("f1", 1), "1") << run.Text();
    EXPECT_EQ(run.Result("f1", 2), "0") << run.Text();
    EXPECT_EQ(run.Opened("f1", 2), "opened: nothing");
    EXPECT_EQ(run.Line("box:"), "(none)");
}

TEST_F(HostTest, AListSavedWhileTheHostRunsIsUsedAtTheNextF1)
{
    dir.Write("Addins\\mine.kwl", "Mine\r\nMy list\r\nalpha\r\nbeta\r\n");
    Copy(addins + "\\mine.kwl", app + "\\mine.old");  // the same last-write time
    WriteSetting("Varnok.ini", "KeywordLists", "mine");
    WriteSetting("Varnok.ini", "mine", "$H\\mine.hlp");
    HostRun run = Run(
        {"-options", "1"},
        "text alpha beta gamma; files Addins\\hlp*; at gamma 1; f1; at alpha 1; f1; files Addins\\hlp*; "
        "write Addins\\mine.kwl Mine\\nMy list\\nalpha\\nbeta\\ngamma\\n; at gamma 1; f1; files Addins\\hlp*; "
        "write Addins\\mine.kwl Mine\\nMy list\\nbeta\\ngamma\\n; at alpha 1; f1; "
        "copy mine.old Addins\\mine.kwl; f1; at gamma 1; f1; files Addins\\hlp*");
    std::string h = "opened: winhelp command=0x101 file=" + Lower(app) + "\\help\\mine.hlp key=";
    std::vector<std::string> files = run.All("files: ");
    ASSERT_EQ(files.size(), 4u) << run.Text();
    for (const std::string& line : files)
        EXPECT_EQ(std::count(line.begin(), line.end(), ' '), 1) << "one cache file: " << line;
    EXPECT_EQ(files[1], files[0]);  // unchanged lists: the cache is kept
    EXPECT_EQ(run.Result("f1", 1), "0") << run.Text();
    EXPECT_EQ(run.Opened("f1", 2), h + "alpha") << run.Text();
    EXPECT_EQ(run.Opened("f1", 3), h + "gamma") << run.Text();
    EXPECT_EQ(run.Result("f1", 4), "0") << run.Text();
    // The older copy is the list again.
    EXPECT_EQ(run.Opened("f1", 5), h + "alpha") << run.Text();
    EXPECT_EQ(run.Result("f1", 6), "0") << run.Text();
    EXPECT_EQ(dir.List("Addins\\hlp*").size(), 1u);
}

TEST_F(HostTest, TheCaretsWordKeepsItsPrefixWhereverTheCaretAndHoweverTheEditorBreaksWords)
{
    // Every word prefixed and bare: a prefix lost shows as the wrong keyword.
    dir.Write("Addins\\asm.kwl", "Asm\r\nPrefixed names\r\n#include\r\n%define\r\n.data\r\n.inc\r\n.rdata\r\n@f\r\n"
                                 "data\r\ndefine\r\nf\r\ninc\r\ninclude\r\nrdata\r\n");
    WriteSetting("Varnok.ini", "KeywordLists", "asm");
    WriteSetting("Varnok.ini", "asm", "$H\\asm.hlp");
    // The caret right after the word, before punctuation.
    const std::string lines = "text section '.data'\\ninclude 'win32a.inc'\\n.section .rdata,\\\"dr\\\"\\n"
                              "%define(a)\\njmp @f,\\n#include<a.h>";
    std::string actions = lines + "; at .data 5; f1; at .inc 4; f1; at .rdata 6; f1; at %define 7; f1; at @f 2; f1; "
                                  "at #include 8; f1";
    std::vector<std::string> keys = {".data", ".inc", ".rdata", "%define", "@f", "#include"};
    // The start, middle and end of the word, followed by a blank, a comma, a quote, the end of a line and of the text.
    actions += "; text mov .data x\\nmov .data,x\\nmov '.data'\\nmov .data\\nmov .data";
    for (int occurrence = 1; occurrence <= 5; ++occurrence) {
        for (int offset : {1, 3, 5}) {
            actions += "; at .data " + std::to_string(offset) + " " + std::to_string(occurrence) + "; f1";
            keys.push_back(".data");
        }
    }
    std::vector<std::string> expected;
    for (const std::string& key : keys)
        expected.push_back("opened: winhelp command=0x101 file=" + Lower(app) + "\\help\\asm.hlp key=" + key);
    for (const char* wordBreak : {"punctuation", "blanks"}) {
        HostRun run = Run({"-options", "1"}, std::string("wordbreak ") + wordBreak + "; " + actions);
        std::vector<std::string> opened;
        for (int press = 1; press <= static_cast<int>(keys.size()); ++press)
            opened.push_back(run.Opened("f1", press));
        EXPECT_EQ(opened, expected) << wordBreak << "\n" << run.Text();
    }
}

// The settings file without the two keys the build writes, which hold a fresh name and stamp.
std::string WithoutBuildKeys(const std::string& text)
{
    std::string kept;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end + 1;
        std::string line = text.substr(at, end - at);
        if (line.rfind("KeywordCacheFile=", 0) != 0 && line.rfind("KeywordListStamp=", 0) != 0)
            kept += line;
        at = end;
    }
    return kept;
}

// One mistake takes no help away: blanks around the names as people type
// them, a list that is missing and one with LF line ends. F1 on a word of a
// sound list opens its help; one box names both bad files, once.
TEST_F(HostTest, HelpSurvivesBlanksAMissingListAndOneWithLfLineEnds)
{
    std::string lf;
    for (char c : ReadFileBytes(addins + "\\directives.kwl"))
        if (c != '\r')
            lf += c;
    dir.Write("Addins\\directives.kwl", lf);
    WriteSetting("Varnok.ini", "KeywordLists", "win32api, kernel32 , directives,\tx86, default");
    std::string before = ReadFileBytes(app + "\\Varnok.ini");
    HostRun run = Run({"-options", "1"}, "at mov 1; f1; select-text MessageBoxA; f1; reload; at mov 1; f1");
    std::string h = "opened: winhelp command=0x101 file=" + Lower(app);
    EXPECT_EQ(run.Opened("f1", 1), h + "\\help\\x86.hlp key=mov") << run.Text();
    EXPECT_EQ(run.Opened("f1", 2).substr(0, 21), "opened: H2Viewer.exe ") << run.Text();
    EXPECT_EQ(run.Opened("f1", 3), h + "\\help\\x86.hlp key=mov") << run.Text();
    EXPECT_EQ(run.All("box: ").size(), 1u) << run.Text();
    std::string text = run.Text();
    for (const std::string& told :
         std::vector<std::string>{u8"box: \"GetFirstLine: 无法打开输入文件.", u8"文件: " + addins + "\\kernel32.kwl",
                                  u8"原因: 文件不存在.", u8"GetNextLine: 行不匹配缓冲区.",
                                  u8"文件: " + addins + "\\directives.kwl",
                                  u8"第 1 行: 行以 LF 结束; 关键词列表的每一行须以 CR LF 结束."})
        EXPECT_NE(text.find(told), std::string::npos) << told << "\n" << text;
    EXPECT_EQ(WithoutBuildKeys(ReadFileBytes(app + "\\Varnok.ini")), WithoutBuildKeys(before));
}

TEST_F(HostTest, AWordInNoListOffersTheNearestKeywordsWhenAsked)
{
    dir.Write("Addins\\amp.kwl", "Amp\r\nA\r\nq&a=r&d\r\n");
    WriteSetting("Masm32.ini", "KeywordLists", "x86,directives,win32api,amp");
    // The assembler's settings have no default: a miss opens nothing by itself.
    const std::string actions = "text jzz pushf %jzz q&; at jzz 1; popup 2; f1; at pushf 1; popup 2; f1; popup escape; "
                                "f1; at %jzz 2; f1; select-text q&; f1";
    HostRun offered = Run({"-options", "17", "-assembler", "Masm32"}, actions);
    std::vector<std::string> popups = offered.All("popup: ");
    ASSERT_EQ(popups.size(), 5u) << offered.Text();
    // A prefixed word that begins no keyword is offered the bare word's; a "&" is shown, not underlining.
    EXPECT_EQ(popups[3], popups[0]);
    EXPECT_EQ(popups[4], "popup: q&&a => r&&d | qword");
    // Same first byte, longest common prefix first, then the closest length; an alias beside its keyword.
    EXPECT_EQ(popups[0].substr(0, 30), "popup: jz => je | jae | jbe | ") << popups[0];
    EXPECT_EQ(popups[1].substr(0, 32), "popup: pushfd | push | pushad | ") << popups[1];
    EXPECT_EQ(popups[2], popups[1]);
    std::string h = "opened: winhelp command=0x101 file=" + Lower(app) + "\\help\\x86.hlp key=";
    EXPECT_EQ(offered.Opened("f1", 1), h + "jae") << offered.Text();
    EXPECT_EQ(offered.Result("f1", 2), "1");
    EXPECT_EQ(offered.Opened("f1", 2), h + "push") << offered.Text();
    EXPECT_EQ(offered.Result("f1", 3), "0");
    EXPECT_EQ(offered.Opened("f1", 3), "opened: nothing");

    HostRun plain = Run({"-options", "1", "-assembler", "Masm32"}, actions);
    EXPECT_TRUE(plain.All("popup: ").empty()) << plain.Text();
    EXPECT_EQ(plain.Result("f1", 1), "0");
    EXPECT_EQ(plain.Result("f1", 2), "0");
}

TEST_F(HostTest, ASuggestionIsLookedUpInTheListsAsTheyAreWhenItIsChosen)
{
    dir.Write("Addins\\mine.kwl", "Mine\r\nMy list\r\nalpha\r\nbeta\r\n");
    WriteSetting("Varnok.ini", "KeywordLists", "mine");
    WriteSetting("Varnok.ini", "mine", "$H\\mine.hlp");
    // The list is saved, with an alias for the word, while the menu is open.
    HostRun run = Run(
        {"-options", "17"},
        "text alphx; at alphx 1; popup 1 write Addins\\mine.kwl Mine\\nMy list\\nalpha=gamma\\nbeta\\n; f1");
    EXPECT_EQ(run.Line("popup: "), "popup: alpha") << run.Text();
    EXPECT_EQ(run.Line("opened: "), "opened: winhelp command=0x101 file=" + Lower(app) + "\\help\\mine.hlp key=gamma")
        << run.Text();
}

}  // namespace
