// Help launch, watched from outside as a user's machine would see it: WinHelp
// through a window of WinHelp's class, HTML Help through the tests' own
// hhctrl.ocx, programs, H2Viewer.exe and the browser through the recorder.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/messages.h"
#include "help/help.h"
#include "help/showhelp.h"
#include "help_support.h"
#include "hhctrl_record.h"
#include "support/msgbox_capture.h"
#include "support/temp_dir.h"
#include "support/winhelp_catcher.h"

namespace {

constexpr char DefaultCaption[] = "\xB4\xED\xCE\xF3";  // the platform's default caption in code page 936

// The first rule that applies decides: each case is a path that more than one
// rule could take, and the earlier rule must win.
TEST(HelpOpenerOrder, EarlierRuleWinsWhereTwoCouldApply)
{
    struct Case {
        const char* Path;
        HelpOpener Opener;
    } cases[] = {
        {"ms-help://x", HelpOpener::Help2Viewer},  // an ms-help: URL is a URL
        {"ms-helpx://x", HelpOpener::Shell},
        {"http://x", HelpOpener::Shell},  // URLs without an extension
        {"http://x/readme", HelpOpener::Shell},
        {"ms-help://x/a.chm", HelpOpener::Help2Viewer},  // URLs with an extension of a file rule
        {"ms-help://x/a.col", HelpOpener::Help2Viewer},
        {"ms-help://x/a.hlp", HelpOpener::Help2Viewer},
        {"ms-help://x/a.exe", HelpOpener::Help2Viewer},
        {"ms-help://x/a.txt", HelpOpener::Help2Viewer},
        {"http://x/a.chm", HelpOpener::Shell},
        {"http://x/a.col", HelpOpener::Shell},
        {"http://x/a.hlp", HelpOpener::Shell},
        {"file://c:/a.exe", HelpOpener::Shell},
        {"http://x/a.txt", HelpOpener::Shell},
        {"", HelpOpener::NotSet},  // unset, without an extension
        {"(none)", HelpOpener::NotSet},
        {"c:\\a.b\\readme", HelpOpener::NoExtension},
        {"(none).hlp", HelpOpener::WinHelp},  // unset, with a known extension
        {"(none).exe", HelpOpener::Program},
        {"(none).chm", HelpOpener::HtmlHelp},
        {"(none).col", HelpOpener::HtmlHelp},
        {"(none).txt", HelpOpener::NotSet},  // unset before unknown
        {"c:\\a.txt", HelpOpener::UnknownExtension},
        {"c:\\a.hlpx", HelpOpener::WinHelp},  // four bytes of the extension decide
        {"c:\\a.exe.chm", HelpOpener::HtmlHelp},
        {"c:\\a.chm.exe", HelpOpener::Program},
        {"c:\\a.colx", HelpOpener::HtmlHelp},
        {"c:\\a.co", HelpOpener::UnknownExtension},
    };
    for (const Case& c : cases)
        EXPECT_EQ(static_cast<int>(ClassifyHelpPath(c.Path)), static_cast<int>(c.Opener)) << c.Path;
}

class HelpLaunch : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Always there before any request: without it, Wine starts its own
        // winhlp32.exe, which stays running.
        winHelp_.reset(new WinHelpCatcher);
        ASSERT_TRUE(winHelp_->Ready());

        OptionFlags = 0;
        addinDir_ = addin_.Path() + "\\";
        SetDirs("C:\\Masm\\", addinDir_, "c:\\help\\", "C:\\Varnok\\");
        SetEnvironmentVariableA("TEMBRIL_RECORD", records_.Path().c_str());
        CloseHtmlHelpWindows();
        TakeHtmlHelpCalls();
    }
    void TearDown() override
    {
        OptionFlags = 0;
        SetEnvironmentVariableA("TEMBRIL_RECORD", nullptr);
        winHelp_.reset();
    }

    void SetDirs(std::string tools, std::string addin, std::string help, std::string app)
    {
        tools_ = tools;
        addinDirText_ = addin;
        help_ = help;
        app_ = app;
        host_.Data.ToolsDir = tools_.c_str();
        host_.Data.AddinDir = addinDirText_.c_str();
        host_.Data.HelpDir = help_.c_str();
        host_.Data.AppDir = app_.c_str();
    }
    void Show(const std::string& helpTarget, const char* keyword = "mov")
    {
        EXPECT_EQ(ShowHelp(keyword, helpTarget.c_str()), 1u) << helpTarget;
    }
    void InstallProgram(const std::string& path)
    {
        ASSERT_TRUE(CopyFileA(RecorderPath().c_str(), path.c_str(), FALSE)) << path;
    }

    std::vector<HtmlHelpCall> TakeHtmlHelpCalls()
    {
        std::vector<HtmlHelpCall> calls;
        HMODULE module = GetModuleHandleA("hhctrl.ocx");
        if (module == nullptr)
            return calls;
        auto take = reinterpret_cast<TakeHtmlHelpCallsProc>(
            reinterpret_cast<void (*)()>(GetProcAddress(module, "TakeHtmlHelpCalls")));
        EXPECT_NE(take, nullptr) << "hhctrl.ocx is Wine's own, not the tests' (WINEDLLOVERRIDES?)";
        if (take == nullptr)
            return calls;
        calls.resize(64);
        int n = take(calls.data(), 64);
        calls.resize(n < 64 ? n : 64);
        return calls;
    }
    void CloseHtmlHelpWindows()
    {
        HMODULE module = GetModuleHandleA("hhctrl.ocx");
        if (module == nullptr)
            return;
        auto close = reinterpret_cast<CloseHtmlHelpWindowsProc>(
            reinterpret_cast<void (*)()>(GetProcAddress(module, "CloseHtmlHelpWindows")));
        if (close != nullptr)
            close();
    }
    void ExpectDisplay(const HtmlHelpCall& call, const char* file)
    {
        EXPECT_EQ(call.Command, 0x0000u);
        EXPECT_STREQ(call.File, file);
        EXPECT_EQ(call.Caller, nullptr);
        EXPECT_EQ(call.Data, 0u);
    }
    void ExpectLookup(const HtmlHelpCall& call, const char* file, const char* keyword)
    {
        EXPECT_EQ(call.Command, 0x000Du);
        EXPECT_STREQ(call.File, file);
        EXPECT_EQ(call.Caller, nullptr);
        EXPECT_EQ(call.LinkSize, sizeof(void*) == 4 ? 32 : 56);  // the 64-bit test build's is longer
        EXPECT_EQ(call.LinkReserved, FALSE);
        EXPECT_STREQ(call.LinkKeywords, keyword);
        EXPECT_TRUE(call.LinkUrlNull && call.LinkMsgTextNull && call.LinkMsgTitleNull && call.LinkWindowNull);
        EXPECT_EQ(call.LinkIndexOnFail, FALSE);
    }
    // Records of programs started so far, once the last expected one is in;
    // a short grace lets a program that should not have started show itself.
    std::vector<ProgramRecord> Started(size_t expected)
    {
        WaitForRecords(records_.Path(), expected);
        Sleep(300);
        return WaitForRecords(records_.Path(), expected, 0);
    }

    FakeHost host_;
    TempDir addin_;
    TempDir records_;
    std::string addinDir_, tools_, addinDirText_, help_, app_;
    std::unique_ptr<WinHelpCatcher> winHelp_;
    BoxCapture boxes_;
};

TEST_F(HelpLaunch, HtmlHelpWindowIsReusedWhileItExistsAndReopenedAfterItCloses)
{
    Show("$H\\api.chm");
    ASSERT_NE(GetModuleHandleA("hhctrl.ocx"), nullptr) << "hhctrl.ocx is kept loaded";
    std::vector<HtmlHelpCall> calls = TakeHtmlHelpCalls();
    ASSERT_EQ(calls.size(), 2u);
    ExpectDisplay(calls[0], "c:\\help\\api.chm");
    ExpectLookup(calls[1], "c:\\help\\api.chm", "mov");

    Show("$H\\api.chm", "lea");
    calls = TakeHtmlHelpCalls();
    ASSERT_EQ(calls.size(), 1u) << "while the window exists only the keyword is looked up";
    ExpectLookup(calls[0], "c:\\help\\api.chm", "lea");

    CloseHtmlHelpWindows();
    Show("$H\\api.chm", "add");
    calls = TakeHtmlHelpCalls();
    ASSERT_EQ(calls.size(), 2u) << "after the user closed it the default topic is displayed again";
    ExpectDisplay(calls[0], "c:\\help\\api.chm");
    ExpectLookup(calls[1], "c:\\help\\api.chm", "add");
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(HelpLaunch, ChmAndColGoToHtmlHelpByTheirFirstFourBytes)
{
    CloseHtmlHelpWindows();
    for (const char* target : {"$H\\Api.CHM", "d:\\x.col", "(None).chm", "d:\\y.chmx"}) {
        Show(target);
        std::vector<HtmlHelpCall> calls = TakeHtmlHelpCalls();
        ASSERT_FALSE(calls.empty()) << target;
        EXPECT_EQ(calls.back().Command, 0x000Du) << target;
    }
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(HelpLaunch, WinHelpFileAsksWinHelpForTheKeyword)
{
    Show("$R\\Help\\Win32.HLP", "mov");
    ASSERT_EQ(winHelp_->Requests().size(), 1u);
    const WinHelpRequest& request = winHelp_->Requests()[0];
    EXPECT_EQ(request.Protocol, 0xA1DE505u);
    EXPECT_EQ(request.Caller, nullptr);
    EXPECT_EQ(request.Command, static_cast<unsigned>(HELP_KEY));
    EXPECT_EQ(request.File, "c:\\varnok\\help\\win32.hlp");
    EXPECT_EQ(request.Keyword, "mov");
    Show("d:\\old.hlpx", "lea");
    ASSERT_EQ(winHelp_->Requests().size(), 2u);
    EXPECT_EQ(winHelp_->Requests()[1].File, "d:\\old.hlpx");
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(HelpLaunch, QuotedProgramGetsItsQuotedPathThenTheArgumentString)
{
    InstallProgram(addin_.File("tool.exe"));
    Show("\"$D\\Tool.exe\"  /K $K", "Mov");
    std::vector<ProgramRecord> started = Started(1);
    ASSERT_EQ(started.size(), 1u);
    std::string path = started[0].CommandLine.substr(1, started[0].CommandLine.find('"', 1) - 1);
    EXPECT_EQ(started[0].CommandLine, "\"" + path + "\" /K Mov");
    EXPECT_TRUE(SameTextIgnoringCase(path, addin_.File("tool.exe"))) << path;
    std::string lower = path;
    CharLowerA(&lower[0]);
    EXPECT_EQ(path, lower) << "the path is lowercased, the arguments keep their case";
    EXPECT_TRUE(SameTextIgnoringCase(started[0].Module, addin_.File("tool.exe"))) << started[0].Module;
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(HelpLaunch, QuotedProgramWithOnlyBlanksAfterTheQuoteGetsOnlyItsPath)
{
    InstallProgram(addin_.File("tool.exe"));
    Show("\"$D\\tool.exe\"   ");
    std::vector<ProgramRecord> started = Started(1);
    ASSERT_EQ(started.size(), 1u);
    ASSERT_EQ(started[0].ShellArgv.size(), 1u) << started[0].CommandLine;
    EXPECT_TRUE(SameTextIgnoringCase(started[0].ShellArgv[0], addin_.File("tool.exe"))) << started[0].CommandLine;
    EXPECT_EQ(started[0].RuntimeArgv, started[0].ShellArgv);
}

TEST_F(HelpLaunch, MsHelpUrlStartsTheViewerFromTheAddinDirectory)
{
    Show("ms-help://x");  // no viewer there yet: nothing starts, nothing is said
    EXPECT_TRUE(Started(0).empty());
    InstallProgram(addin_.File("H2Viewer.exe"));
    Show("ms-help://MS.VSCC/$K", "Mov");
    std::vector<ProgramRecord> started = Started(1);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].CommandLine, "/helpcol ms-help://ms.vscc/mov /filterquery /index Mov /XNav /appid Varnok");
    EXPECT_TRUE(SameTextIgnoringCase(started[0].Module, addin_.File("H2Viewer.exe"))) << started[0].Module;

    // Without a trailing backslash on the add-in directory, one is put in.
    SetDirs("", addin_.Path(), "", "");
    Show("\"ms-help://x\" /ignored", "add");
    started = Started(2);
    ASSERT_EQ(started.size(), 2u);
    EXPECT_TRUE(started[0].CommandLine == "/helpcol ms-help://x /filterquery /index add /XNav /appid Varnok" ||
                started[1].CommandLine == "/helpcol ms-help://x /filterquery /index add /XNav /appid Varnok");
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(HelpLaunch, UnsetHelpTargetSaysSoUnlessQuiet)
{
    SetDirs("", addinDir_, "", "");
    for (const char* target : {"(None)", "", "$A", "$H$A", "(None).txt", "(none)x"}) {
        boxes_.Clear();
        Show(target);
        ASSERT_EQ(boxes_.Boxes().size(), 1u) << target << "\n" << boxes_.Describe();
        EXPECT_EQ(boxes_.Boxes()[0].Text, MSG_HELP_NOT_SET) << target;
        EXPECT_EQ(boxes_.Boxes()[0].Caption, DefaultCaption) << target;
        EXPECT_EQ(boxes_.Boxes()[0].Owner, nullptr);
        EXPECT_EQ(boxes_.Boxes()[0].Buttons, OkButtons());
    }
    OptionFlags = OptQuiet;
    boxes_.Clear();
    Show("(None)");
    Show("");
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(HelpLaunch, PathWithoutExtensionIsShownWithItsCaptionEvenWhenQuiet)
{
    for (uint32_t flags : {0u, static_cast<uint32_t>(OptQuiet)}) {
        OptionFlags = flags;
        boxes_.Clear();
        Show("c:\\help\\readme");
        Show("C:\\Help\\ReadMe");
        Show("c:\\a.b\\readme");
        ASSERT_EQ(boxes_.Boxes().size(), 3u) << flags << "\n" << boxes_.Describe();
        EXPECT_EQ(boxes_.Boxes()[0].Text, "c:\\help\\readme");
        EXPECT_EQ(boxes_.Boxes()[0].Caption, MSG_NO_EXTENSION_CAPTION);
        EXPECT_EQ(boxes_.Boxes()[0].Owner, nullptr);
        EXPECT_EQ(boxes_.Boxes()[0].Buttons, OkButtons());
        EXPECT_EQ(boxes_.Boxes()[1].Text, "c:\\help\\readme");
        EXPECT_EQ(boxes_.Boxes()[2].Text, "c:\\a.b\\readme");
    }
}

TEST_F(HelpLaunch, UnknownExtensionSaysSoUnlessQuiet)
{
    Show("c:\\help\\readme.txt");
    Show("c:\\help\\api.ch");
    ASSERT_EQ(boxes_.Boxes().size(), 2u);
    EXPECT_EQ(boxes_.Boxes()[0].Text, MSG_UNKNOWN_EXTENSION);
    EXPECT_EQ(boxes_.Boxes()[0].Caption, DefaultCaption);
    EXPECT_EQ(boxes_.Boxes()[1].Text, MSG_UNKNOWN_EXTENSION);
    OptionFlags = OptQuiet;
    boxes_.Clear();
    Show("c:\\help\\readme.txt");
    EXPECT_TRUE(boxes_.Boxes().empty());
    EXPECT_TRUE(winHelp_->Requests().empty());
}

TEST_F(HelpLaunch, ExpansionThatDoesNotFitOpensAndShowsNothing)
{
    std::string longDir = "c:\\" + std::string(255, 'd') + "\\";
    SetDirs("", addinDir_, longDir, "");
    InstallProgram(addin_.File("H2Viewer.exe"));
    Show("$H$Hx.y");  // exactly 520 bytes with the NUL: still expanded and classified
    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    EXPECT_EQ(boxes_.Boxes()[0].Text, MSG_UNKNOWN_EXTENSION);
    boxes_.Clear();
    Show("$H$Hxy.z");
    Show("$H$H$H");
    Show("$H$H\\x.hlp");
    Show("\"$H\\a.exe\" $H");
    Show("ms-help://$H$H");
    EXPECT_TRUE(boxes_.Boxes().empty());
    EXPECT_TRUE(winHelp_->Requests().empty());
    EXPECT_TRUE(Started(0).empty());
}

TEST_F(HelpLaunch, ViewerCommandLineThatDoesNotFitIsNotStarted)
{
    InstallProgram(addin_.File("H2Viewer.exe"));
    std::string keyword(100, 'k');
    Show("ms-help://" + std::string(96, 'u'), keyword.c_str());  // 206 bytes of URL and keyword
    Show("ms-help://" + std::string(95, 'u'), keyword.c_str());  // 205: a command line of 255
    std::vector<ProgramRecord> started = Started(1);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].CommandLine.size(), 255u);
    EXPECT_NE(started[0].CommandLine.find(std::string(95, 'u') + " "), std::string::npos);
}

// A viewer path of 259 bytes, the longest there is room for, still starts.
// (Wine's CreateProcessA itself refuses 260 bytes, so the refusal beyond that
// cannot be told apart from the platform's here.)
TEST_F(HelpLaunch, ViewerPathOf259BytesStarts)
{
    std::string dir = addin_.Path() + "\\" + std::string(246 - addin_.Path().size() - 1, 'p');
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
    InstallProgram(dir + "\\H2Viewer.exe");
    SetDirs("", dir + "\\", "", "");
    Show("ms-help://x", "fits");
    std::vector<ProgramRecord> started = Started(1);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].Module.size(), 259u) << started[0].Module;
}

// The browser is whatever the machine's classes name for http: here, the recorder.
class UrlLaunch : public HelpLaunch {
protected:
    void SetUp() override
    {
        HelpLaunch::SetUp();
        ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &command_, nullptr),
                  ERROR_SUCCESS);
        char old[1024];
        DWORD size = sizeof old;
        DWORD type = 0;
        hadOld_ = RegQueryValueExA(command_, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(old), &size) ==
                      ERROR_SUCCESS &&
                  type == REG_SZ;
        if (hadOld_)
            old_.assign(old, strnlen(old, size));
        std::string recorder = "\"" + RecorderPath() + "\" \"%1\"";
        RegSetValueExA(command_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(recorder.c_str()),
                       static_cast<DWORD>(recorder.size() + 1));
    }
    void TearDown() override
    {
        if (command_ != nullptr) {
            if (hadOld_)
                RegSetValueExA(command_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(old_.c_str()),
                               static_cast<DWORD>(old_.size() + 1));
            else
                RegDeleteValueA(command_, nullptr);
            RegCloseKey(command_);
        }
        HelpLaunch::TearDown();
    }

    HKEY command_ = nullptr;
    bool hadOld_ = false;
    std::string old_;
};

TEST_F(UrlLaunch, UrlGoesToTheShellLowercasedAndWithoutArguments)
{
    Show("\"HTTP://Example.com/Find?q=$K\" /extra", "MOV");
    std::vector<ProgramRecord> started = Started(1);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].CommandLine, "\"" + RecorderPath() + "\" \"http://example.com/find?q=mov\"");
    EXPECT_TRUE(boxes_.Boxes().empty());
}

}  // namespace
