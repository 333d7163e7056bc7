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
#include "shell/tembril.h"
#include "support/temp_dir.h"

namespace {

class KwlToolLookup : public ::testing::Test {
protected:
    void SetUp() override
    {
        addin = dir.Path();
        ini = dir.File("Varnok.ini");
        data = HostDataRecord{};
        data.AddinDir = addin.c_str();
        data.HostIniPath = ini.c_str();
        data.AppDir = addin.c_str();
        HostData = &data;
        OptionFlags = OptEnable | OptQuiet;
    }
    void TearDown() override
    {
        CloseCache();
        HostData = nullptr;
        OptionFlags = 0;
    }

    // kwltool's standard output for the arguments.
    std::string RunTool(const std::string& arguments)
    {
        std::string out = dir.File("tool.out");
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        HANDLE file = CreateFileA(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = file;
        startup.hStdError = file;
        PROCESS_INFORMATION process;
        std::string line = "kwltool.exe " + arguments;
        EXPECT_TRUE(
            CreateProcessA(KWLTOOL_EXE, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process));
        WaitForSingleObject(process.hProcess, 120000);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        CloseHandle(file);
        return dir.Read("tool.out");
    }

    TempDir dir;
    std::string addin, ini;
    HostDataRecord data;
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

}  // namespace

namespace {

// Plays the host for the real Tembril.dll: its records, a menu id, an editor
// that reports an empty selection, and a word at the caret set per request.
std::string CaretWord;
HostHandlesRecord Handles;
HostProcsRecord Procs;
HostDataRecord Data;
std::vector<std::pair<std::string, std::string>> WinHelpSeen;  // file, keyword

const char* __stdcall WordAtCaret(HWND) { return CaretWord.c_str(); }

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case 1074:
        return reinterpret_cast<LRESULT>(&Handles);
    case 1075:
        return reinterpret_cast<LRESULT>(&Procs);
    case 1076:
        return reinterpret_cast<LRESULT>(&Data);
    case 1077:
        return 40100;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK EditorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case EM_EXGETSEL:
        reinterpret_cast<CHARRANGE*>(lParam)->cpMin = reinterpret_cast<CHARRANGE*>(lParam)->cpMax = 4;
        return 0;
    case EM_FINDWORDBREAK:
        return 4;
    case EM_GETTEXTRANGE:
        lstrcpyA(reinterpret_cast<TEXTRANGEA*>(lParam)->lpstrText, " ");
        return 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK WinHelpProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COPYDATA) {
        const COPYDATASTRUCT* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        const BYTE* bytes = static_cast<const BYTE*>(copy->lpData);
        auto text = [&](WORD at) {
            return at && at < copy->cbData ? std::string(reinterpret_cast<const char*>(bytes + at)) : std::string();
        };
        if (copy->cbData >= 16)
            WinHelpSeen.emplace_back(text(*reinterpret_cast<const WORD*>(bytes + 12)),
                                     text(*reinterpret_cast<const WORD*>(bytes + 14)));
        return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeWindow(const char* className, WNDPROC proc)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = proc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, className, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, GetModuleHandleA(nullptr),
                           nullptr);
}

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

    HWND winHelp = MakeWindow("MS_WINHELP", WinHelpProc);  // before any request: else Wine starts winhlp32
    Handles = HostHandlesRecord{};
    Handles.MainWindow = MakeWindow("TembrilTestHost", HostProc);
    Handles.EditWindow = MakeWindow("TembrilTestEditor", EditorProc);
    Procs = HostProcsRecord{};
    Procs.GetWordAtCaret = WordAtCaret;
    Data = data;
    HMODULE dll = LoadLibraryA(TEMBRIL_DLL);
    ASSERT_NE(dll, nullptr);
    auto install = reinterpret_cast<uint32_t(__stdcall*)(HWND, uint32_t)>(
        reinterpret_cast<void (*)()>(GetProcAddress(dll, "InstallDll")));
    auto dllProc = reinterpret_cast<LRESULT(__stdcall*)(HWND, UINT, WPARAM, LPARAM)>(
        reinterpret_cast<void (*)()>(GetProcAddress(dll, "DllProc")));
    ASSERT_NE(install, nullptr);
    ASSERT_NE(dllProc, nullptr);
    install(Handles.MainWindow, OptEnable | OptQuiet);

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
        WinHelpSeen.clear();
        LRESULT handled = dllProc(nullptr, WM_COMMAND, 41902, 0);
        if (list == "-") {
            EXPECT_EQ(handled, 0) << w;
            EXPECT_TRUE(WinHelpSeen.empty()) << w;
        } else {
            EXPECT_EQ(handled, 1) << w;
            ASSERT_EQ(WinHelpSeen.size(), 1u) << w;
            EXPECT_EQ(WinHelpSeen[0].first, "c:\\help\\" + list + ".hlp") << w;
            EXPECT_EQ(WinHelpSeen[0].second, alias == "-" ? word : alias) << w;
        }
        ++compared;
    }
    EXPECT_EQ(compared, words.size());
    auto procClose = dllProc(nullptr, WM_CLOSE, 0, 0);
    (void)procClose;
    DestroyWindow(winHelp);
}

}  // namespace
