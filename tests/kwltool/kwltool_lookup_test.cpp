// kwltool against the add-in's own cache code: a sorted list builds a cache
// that finds every keyword, and `kwltool lookup` reports for each word the
// list, alias and help target that a help request would get.
#include <windows.h>

#include <gtest/gtest.h>

#include <richedit.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <algorithm>

#include "cache/cache.h"
#include "common/text.h"
#include "kwltool/kwlcheck.h"
#include "kwltool/kwlsort.h"
#include "shell/host/tembril.h"
#include "support/fake_host.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "testhost/host.h"

namespace {

class KwlToolLookup : public ::testing::Test {
protected:
    // kwltool's standard output for the arguments.
    std::string RunTool(const std::string& arguments)
    {
        return RunAndCapture(std::string("\"") + KWLTOOL_EXE + "\" " + arguments).Output;
    }

    TempDir dir;
    FakeHost fakeHost{dir, dir, OptEnable | OptQuiet};
    const std::string &addin = fakeHost.AddinDir, &ini = fakeHost.HostIni;
};

TEST_F(KwlToolLookup, SortedListPassesCheckAndEveryKeywordIsFound)
{
    std::string messy = "Mixed\r\nOut of order, capitals, duplicates\r\n";
    std::vector<std::string> words;
    for (int i = 999; i >= 0; --i) {
        std::string w = "Kw" + std::to_string(i * 7919 % 1000);
        messy += w + (i % 10 == 0 ? "=alias" + std::to_string(i) : "") + "\n";
    }
    messy += "kw5\r\nKW5\r\n";
    SortResult sorted = SortKeywordList(messy.data(), messy.size());
    ASSERT_TRUE(sorted.Ok);
    CheckResult check = CheckKeywordList(sorted.Output.data(), sorted.Output.size());
    EXPECT_TRUE(check.Problems.empty());
    EXPECT_EQ(check.Keywords, 1000u);

    dir.Write("mixed.kwl", sorted.Output);
    WritePrivateProfileStringA("Tembril", "KeywordLists", "mixed", ini.c_str());
    WritePrivateProfileStringA("Tembril", "mixed", "c:\\help\\mixed.chm", ini.c_str());
    ASSERT_EQ(OpenCache(), 1u);
    for (int n = 0; n < 1000; ++n) {
        char word[KeywordBufferSize];
        wsprintfA(word, "kw%d", n);
        EXPECT_NE(LookupKeyword(word), nullptr) << word;
    }
}

TEST_F(KwlToolLookup, AgreesWithTheAddinsLookupOnEveryWord)
{
    // Three lists of a hundred thousand keywords in all, sharing some, with aliases.
    const int lists = 3, perList = 33334;
    std::vector<std::string> all;
    for (int l = 0; l < lists; ++l) {
        std::vector<std::string> keys;
        // Spread over the first bytes a to z and 0 to 9, as real lists are over their buckets.
        for (int i = 0; i < perList; ++i) {
            int n = (i * 3 + l * (i % 5 == 0 ? 0 : 1)) % 300000;
            keys.push_back(std::string(1, "abcdefghijklmnopqrstuvwxyz0123456789"[n % 36]) + std::to_string(n));
        }
        std::sort(keys.begin(), keys.end());
        keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
        std::string body = "List " + std::to_string(l) + "\r\nGenerated\r\n";
        for (size_t i = 0; i < keys.size(); ++i) {
            body += keys[i] + (i % 9 == 0 ? "=a" + std::to_string(l) + keys[i] : "") + "\r\n";
            all.push_back(keys[i]);
        }
        dir.Write("g" + std::to_string(l) + ".kwl", body);
        WritePrivateProfileStringA("Tembril", ("g" + std::to_string(l)).c_str(),
                                   ("$H\\g" + std::to_string(l) + ".chm").c_str(), ini.c_str());
    }
    all.push_back("missing");
    all.push_back(" A36");
    WritePrivateProfileStringA("Tembril", "KeywordLists", "g0,g1,g2", ini.c_str());
    std::string wordsFile;
    for (const std::string& w : all)
        wordsFile += w + "\n";
    dir.Write("words.txt", wordsFile);

    std::string out = RunTool("lookup --ini \"" + ini + "\" --addin-dir \"" + addin + "\" --words \"" +
                              dir.File("words.txt") + "\"");
    std::istringstream lines(out);
    std::map<std::string, std::string> reported;
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        reported[line.substr(0, line.find('\t'))] = line;
    }

    ASSERT_EQ(OpenCache(), 1u);
    size_t checked = 0;
    for (std::string w : all) {
        char buffer[KeywordBufferSize];
        TrimLeft(w.c_str(), buffer);
        StrLower(buffer);
        std::string word = buffer;
        const char* target = LookupKeyword(buffer);
        std::string list = "-";
        uint32_t rows = ViewWord(CacheView, ListCountWord);
        for (uint32_t r = 0; target != nullptr && r < rows; ++r) {
            if (ListTable[r].HelpTarget == target)
                list = ListTable[r].Name;
        }
        std::string alias = target != nullptr && word != buffer ? buffer : "-";
        std::string expected = word + "\t" + list + "\t" + alias + "\t" + (target ? target : "-");
        ASSERT_EQ(reported[word], expected);
        ++checked;
    }
    EXPECT_EQ(checked, all.size());
}

TEST_F(KwlToolLookup, CheckTellsWhichOfThreeListsAnswersASharedKeyword)
{
    const char* lists[][2] = {{"api", "call\r\ncreatewindow\r\nmov=x\r\nwait\r\n"},
                              {"directives", ".code\r\ncall\r\nmov\r\n"},
                              {"x86", "call\r\nmov\r\nwait=fwait\r\n"}};
    std::string files;
    for (auto& list : lists) {
        dir.Write(std::string(list[0]) + ".kwl", std::string("T\r\nD\r\n") + list[1]);
        WritePrivateProfileStringA("Tembril", list[0], (std::string("c:\\") + list[0] + ".chm").c_str(), ini.c_str());
        files += " \"" + dir.File(std::string(list[0]) + ".kwl") + "\"";
    }
    // The settings in force name x86 before directives: directives answers "call" and "mov".
    WritePrivateProfileStringA("Tembril", "KeywordLists", "api,x86,directives,default", ini.c_str());
    std::string out = RunTool("check --ini \"" + ini + "\"" + files);
    EXPECT_NE(out.find("\"wait\" held by api, x86: help opens from x86"), std::string::npos) << out;
    EXPECT_NE(out.find("lists: 3 keywords held by more than one of 3 enabled lists"), std::string::npos) << out;

    ASSERT_EQ(OpenCache(), 1u);
    for (const char* word : {"call", "mov", "wait"}) {
        size_t at = out.find(std::string("\"") + word + "\" held by");
        ASSERT_NE(at, std::string::npos) << word;
        size_t from = out.find("help opens from ", at) + 16;
        std::string list = out.substr(from, out.find(',', from) - from);
        char buffer[KeywordBufferSize];
        lstrcpyA(buffer, word);
        const char* target = LookupKeyword(buffer);
        ASSERT_NE(target, nullptr) << word;
        EXPECT_EQ(std::string(target), "c:\\" + list + ".chm") << word;
    }

    // As people type it: blanks around the names, and a name with no file, an error.
    WritePrivateProfileStringA("Tembril", "KeywordLists", "api, x86 ,kernel32,\tdirectives, default", ini.c_str());
    ProgramRun typed = RunAndCapture(std::string("\"") + KWLTOOL_EXE + "\" check --ini \"" + ini + "\"" + files);
    EXPECT_EQ(typed.ExitCode, 1u) << typed.Output;
    EXPECT_NE(typed.Output.find("lists: error: \"kernel32\" is enabled but names none of the files given"),
              std::string::npos)
        << typed.Output;
    EXPECT_NE(typed.Output.find("\"call\" held by api, x86, directives: help opens from directives"), std::string::npos)
        << typed.Output;
    EXPECT_EQ(typed.Output.find("default is enabled"), std::string::npos) << typed.Output;

    // A file whose name the settings can't hold can never be enabled, whatever it holds.
    dir.Write("x86,api.kwl", "T\r\nD\r\nk\r\n");
    ProgramRun odd = RunAndCapture(std::string("\"") + KWLTOOL_EXE + "\" check \"" + dir.File("x86,api.kwl") + "\"");
    EXPECT_EQ(odd.ExitCode, 1u) << odd.Output;
    EXPECT_NE(odd.Output.find("x86,api.kwl: error: the settings can't name this list"), std::string::npos)
        << odd.Output;
}

TEST_F(KwlToolLookup, ImportedListsPassCheckAndBuildACacheThatFindsEveryName)
{
    // Each source's sample, the options given, the list kwltool import makes
    // of it and, for an include file, the syntax it says it read.
    const char* imports[][4] = {
        {"user32.hhk", "",
         "createwindowex=CreateWindowEx function\r\ndefwindowproc\r\ngetmessage\r\n"
         "messagebox=MessageBox & its flags\r\npostquitmessage=PostQuitMessage function\r\n"
         "wm_close=WM_CLOSE message\r\nwm_quit=PostQuitMessage\r\n",
         ""},
        {"user32.inc", "",
         "defwindowproca\r\nm2m\r\nmessagebox\r\nmessageboxa\r\nmsg\r\npoint\r\nszappname\r\n"
         "wm_close\r\nwm_quit\r\n",
         "read as masm (from its lines)"},
        {"user32.h", "",
         "defwindowproca\r\ngetmessagea\r\ninlinehelper\r\nmakewparam\r\nmessageboxa\r\nmsg\r\n"
         "tagmsg\r\nwm_close\r\n",
         ""},
        // Structures by tag and typedef, enum members, a "__" inline function
        // that swallows nothing; no guards, decorations or _Inline helpers.
        {"kernel32.h", "",
         "__democurrenttick\r\n_commtimeouts\r\n_get_fileex_info_levels\r\n_large_demo\r\n"
         "_proc_thread_attribute_list\r\n_security_demo\r\ncommtimeouts\r\ndemo_first\r\n"
         "demo_second\r\nget_fileex_info_levels\r\ngetfileexinfostandard\r\n"
         "getfileexmaxinfolevel\r\ngetsecuritydemo\r\ninterlockedcompareexchangepointer\r\n"
         "interlockedxor\r\nlarge_demo\r\nlmem_fixed\r\nlocalalloc\r\npoint\r\ntagpoint\r\n",
         ""},
        {"fasm.inc", "",
         "defwindowproca\r\nendp\r\nidok\r\ninvoke\r\nmessagebox\r\nmessageboxa\r\npoint\r\n"
         "proc\r\nrect\r\nstdcall\r\ntrue\r\nwm_close\r\nwm_quit\r\n",
         "read as fasm (from its lines)"},
        {"nasm.inc", "--syntax nasm",
         "idok\r\ninvoke\r\nmakelong\r\nmb_ok\r\nmsg\r\npoint\r\nstdcall\r\nwm_close\r\nwm_quit\r\n",
         "read as nasm (as given)"},
    };
    WritePrivateProfileStringA("Tembril", "imported", "c:\\help\\user32.chm", ini.c_str());
    for (auto& import : imports) {
        std::string told = RunTool(std::string("import \"") + IMPORT_DIR + "\\" + import[0] + "\" " + import[1] +
                                   " --title \"User32\" --description \"From the index\" -o \"" +
                                   dir.File("imported.kwl") + "\"");
        std::string list = dir.Read("imported.kwl");
        ASSERT_EQ(list, std::string("User32\r\nFrom the index\r\n") + import[2]) << import[0] << told;
        EXPECT_NE(told.find(import[3]), std::string::npos) << told;
        EXPECT_TRUE(CheckKeywordList(list.data(), list.size()).Problems.empty()) << import[0];

        CloseCache();
        WritePrivateProfileStringA("Tembril", "KeywordLists", "imported", ini.c_str());
        WritePrivateProfileStringA("Tembril", "KeywordCacheFile", nullptr, ini.c_str());
        ASSERT_EQ(OpenCache(), 1u) << import[0];
        std::istringstream lines(import[2]);
        std::string line;
        while (std::getline(lines, line)) {
            line.pop_back();  // the CR
            std::string word = line.substr(0, line.find('=')), alias = line.substr(line.find('=') + 1);
            char buffer[KeywordBufferSize];
            lstrcpyA(buffer, word.c_str());
            EXPECT_NE(LookupKeyword(buffer), nullptr) << import[0] << ": " << word;
            EXPECT_EQ(buffer, line.find('=') == std::string::npos ? word : alias) << import[0];
        }
    }
}

TEST_F(KwlToolLookup, ImportSaysWhichArgumentIsMissing)
{
    const char* cases[][2] = {{"", "import: no SOURCE file given"},
                              {"x.h --description D", "import: --title TEXT is missing"},
                              {"x.h --title T", "import: --description TEXT is missing"},
                              {"x.inc --title T --description D --syntax tasm",
                               "import: --syntax takes masm, fasm or nasm"}};
    for (auto& c : cases) {
        ProgramRun run = RunAndCapture(std::string("\"") + KWLTOOL_EXE + "\" import " + c[0]);
        EXPECT_EQ(run.ExitCode, 2u) << c[0];
        EXPECT_NE(run.Output.find(c[1]), std::string::npos) << run.Output;
    }
}

// The word at the caret of the host stand-in, set per request.
std::string CaretWord;
const char* __stdcall WordAtCaret(HWND) { return CaretWord.c_str(); }

TEST_F(KwlToolLookup, AgreesWithTheDllOnTheSampleLists)
{
    std::vector<std::string> words = {"notaword", "zz", "Mov", " push"};
    for (const char* list : {"x86", "directives", "win32api"}) {
        std::string bytes = ReadFileBytes(std::string(SAMPLES_DIR) + "\\" + list + ".kwl");
        ASSERT_FALSE(bytes.empty()) << list;
        dir.Write(std::string(list) + ".kwl", bytes);
        std::istringstream lines(bytes);
        std::string line;
        for (int n = 0; std::getline(lines, line); ++n) {
            if (n >= 2 && line.size() > 1)
                words.push_back(line.substr(0, line.find_first_of("=\r")));
        }
        WritePrivateProfileStringA("Tembril", list, (std::string("c:\\help\\") + list + ".hlp").c_str(), ini.c_str());
    }
    WritePrivateProfileStringA("Tembril", "default", "c:\\help\\default.hlp", ini.c_str());
    WritePrivateProfileStringA("Tembril", "KeywordLists", "win32api,directives,x86,default", ini.c_str());
    std::string wordsFile;
    for (const std::string& w : words)
        wordsFile += w + "\n";
    dir.Write("words.txt", wordsFile);
    std::string out = RunTool("lookup --ini \"" + ini + "\" --addin-dir \"" + addin + "\" --words \"" +
                              dir.File("words.txt") + "\"");

    // The real DLL in the host stand-in, its editor empty and the word at the caret set per request.
    static Host host;
    HostConfig config;
    config.AppDir = addin;
    config.AddinDir = addin;
    config.HostIni = ini;
    config.DllPath = TEMBRIL_DLL;
    config.OpenLog = dir.File("opened");
    config.Options = OptEnable | OptQuiet;
    ASSERT_TRUE(CreateHost(host, config));
    host.Procs.GetWordAtCaret = WordAtCaret;
    ASSERT_TRUE(LoadAddin(host));
    ASSERT_TRUE(InstallAddin(host));
    std::vector<WinHelpRequest>& winHelpSeen = host.WinHelp->Requests();

    std::istringstream reported(out);
    std::string line;
    size_t compared = 0;
    for (const std::string& w : words) {
        ASSERT_TRUE(static_cast<bool>(std::getline(reported, line))) << "kwltool stopped before " << w;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::istringstream fields(line);
        std::string word, list, alias;
        std::getline(fields, word, '\t');
        std::getline(fields, list, '\t');
        std::getline(fields, alias, '\t');

        CaretWord = w;
        winHelpSeen.clear();
        uint32_t handled = PassToAddin(host, WM_COMMAND, HelpCommandId, 0);
        if (list == "-") {
            EXPECT_EQ(handled, 0u) << w;
            EXPECT_TRUE(winHelpSeen.empty()) << w;
        } else {
            EXPECT_EQ(handled, 1u) << w;
            ASSERT_EQ(winHelpSeen.size(), 1u) << w;
            EXPECT_EQ(winHelpSeen[0].File, "c:\\help\\" + list + ".hlp") << w;
            EXPECT_EQ(winHelpSeen[0].Keyword, alias == "-" ? word : alias) << w;
        }
        ++compared;
    }
    EXPECT_EQ(compared, words.size());
    PassToAddin(host, WM_CLOSE, 0, 0);
}

}  // namespace
