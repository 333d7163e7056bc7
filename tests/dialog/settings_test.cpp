// The settings file choice, loading and saving, and every question the dialog asks.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>

#include "common/messages.h"
#include "dialog_driver.h"
#include "dialog_fixture.h"
#include "resources/resource.h"
#include "support/msgbox_capture.h"

namespace {

using Bools = std::vector<bool>;
using Texts = std::vector<std::string>;

std::string Entry(const std::string& assembler) { return assembler + MSG_ASSEMBLER_SUFFIX; }

// Lists a, b and c; the host names assemblers A, B and C; the global settings
// enable b and the pseudo-list.
class SettingsTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        List("a.kwl");
        List("b.kwl");
        List("c.kwl");
        items = addin.List("*.kwl");
        items.insert(items.begin(), "(default)");
        app.Write("Varnok.ini", hostText);
    }
    int Item(HWND d, const std::string& name) { return ItemOf(d, name); }
    // KeywordLists as a save builds it: the checked names from the last item to the first.
    std::string ListsOf(HWND d)
    {
        std::string lists;
        Texts checked = CheckedItems(d);
        for (size_t i = checked.size(); i-- > 0;)
            lists += "," +
                     (checked[i] == "(default)" ? std::string("default") : checked[i].substr(0, checked[i].size() - 4));
        CharLowerA(&lists[0]);
        return lists;
    }
    void ExpectQuestion(const CapturedBox& box, HWND dialog, const char* text, const char* caption, bool cancel)
    {
        EXPECT_EQ(box.Text, text);
        EXPECT_EQ(box.Caption, caption);
        EXPECT_EQ(box.Owner, dialog);
        EXPECT_EQ(box.Buttons, cancel ? YesNoCancelButtons() : YesNoButtons());
    }

    // No blank lines: Wine's profile writer drops those between sections.
    const std::string hostText = "[Varnok]\r\nTheme=dark\r\n; kept as it is\r\n[Assembler]\r\nAssembler=A,B,C\r\n"
                                 "[Tembril]\r\nKeywordLists=b,default\r\nb=$H\\b.chm\r\ndefault=http://x/$K\r\n";
    Texts items;
};

TEST_F(SettingsTest, EntriesAreGlobalThenTheAssemblersLastNamedFirst)
{
    app.Write("C.ini", "[Tembril]\r\nKeywordLists=a\r\n");
    BoxCapture boxes({IDNO});
    RunDialog({[&](HWND d) {
        EXPECT_EQ(ComboEntries(d), (Texts{MSG_GLOBAL_ENTRY, Entry("C"), Entry("B"), Entry("A")}));
        EXPECT_EQ(DialogIni, hostIni);
        EXPECT_FALSE(Enabled(d, IDC_RESTORE));
        ChooseEntry(d, 1);
        EXPECT_EQ(DialogIni, app.File("C.ini"));
        EXPECT_TRUE(Enabled(d, IDC_RESTORE));
        EXPECT_EQ(CheckedItems(d), (Texts{"a.kwl"}));
        ChooseEntry(d, 0);
        EXPECT_FALSE(Enabled(d, IDC_RESTORE));
        EXPECT_EQ(DialogModified, 1u);  // loads after the opening change check boxes as a user would
        DialogModified = 0;
        Press(d, IDC_OK);
    }});
}

TEST_F(SettingsTest, AssemblerNamesThatCannotBeReadBackWholeAreLeftOut)
{
    std::string longest(106, 'L'), tooLong(107, 'T'), middle(106, 'x');
    struct Case {
        std::string HostText;
        Texts Entries;
    } cases[] = {
        {"[Assembler]\r\nAssembler=A," + longest + "\r\n", {MSG_GLOBAL_ENTRY, Entry(longest), Entry("A")}},
        {"[Assembler]\r\nAssembler=" + tooLong + ",B\r\n", {MSG_GLOBAL_ENTRY, Entry("B")}},
        // A list cut by the read ends in a fragment, which names no assembler.
        {"[Assembler]\r\nAssembler=A," + middle + ",Masm32WithAVeryLongName\r\n",
         {MSG_GLOBAL_ENTRY, Entry(middle), Entry("A")}},
        {"[Varnok]\r\n", {MSG_GLOBAL_ENTRY, Entry("Assembler")}},
    };
    for (const Case& c : cases) {
        app.Write("Varnok.ini", c.HostText);
        RunDialog({[&](HWND d) {
            EXPECT_EQ(ComboEntries(d), c.Entries) << c.HostText;
            Press(d, IDC_OK);
        }});
    }
}

TEST_F(SettingsTest, LoadingChecksTheNamedListsAndReadsTheirHelpTargets)
{
    struct Case {
        std::string Lists;
        uint32_t Result;
        Texts Checked;
    };
    const Case cases[] = {
        {"KeywordLists=c,A,default\r\n", 1, {"(default)", "a.kwl", "c.kwl"}},
        {"KeywordLists=default,b\r\n", 1, {"b.kwl"}},  // "default" only in the last place
        {"KeywordLists=ab,cdefault,nothing\r\n", 1, {}},
        {"KeywordLists=\r\n", 1, {}},
        {"KeywordLists=?a\r\n", 0, {}},
        {"", 0, {}},
        // Filled to the last byte the read takes: the cut last name is not used.
        {"KeywordLists=b," + std::string(251, 'x') + ",a\r\n", 1, {"b.kwl"}},
    };
    for (const Case& c : cases) {
        app.Write("Varnok.ini", "[Tembril]\r\n" + c.Lists + "a=?unset\r\nb=$D\\b.hlp\r\ndefault=dflt\r\n");
        RunDialog({[&](HWND d) {
            EXPECT_EQ(LoadSettings(d, hostIni.c_str()), c.Result) << c.Lists;
            EXPECT_EQ(CheckedItems(d), c.Checked) << c.Lists;
            Texts targets = HelpTargets(d);
            EXPECT_EQ(targets[Item(d, "a.kwl")], "");
            EXPECT_EQ(targets[Item(d, "c.kwl")], "");
            EXPECT_EQ(targets[Item(d, "b.kwl")], c.Result ? "$D\\b.hlp" : "") << c.Lists;
            EXPECT_EQ(targets[0], c.Result ? "dflt" : "") << c.Lists;
            Press(d, IDC_OK);
        }});
    }
}

TEST_F(SettingsTest, ASaveWritesEveryListAndReadsBackAsItWas)
{
    RunDialog({[&](HWND d) {
        EXPECT_EQ(CheckedItems(d), (Texts{"(default)", "b.kwl"}));
        SetChecked(d, Item(d, "c.kwl"), true);
        SetChecked(d, 0, false);
        Select(d, Item(d, "a.kwl"));
        TypeHelpTarget(d, "\"$A\\bin\\prog.exe\" /k $K");
        Select(d, Item(d, "c.kwl"));
        TypeHelpTarget(d, "c.chm\r\nx=y");  // a line break would end the value and add a key
        Press(d, IDC_OK);
    }});
    std::string text = app.Read("Varnok.ini");
    // Everything outside the add-in's section is as it was, byte for byte.
    std::string before = hostText.substr(0, hostText.find("[Tembril]"));
    EXPECT_EQ(text.substr(0, before.size()), before);
    std::string section = text.substr(text.find("[Tembril]"));
    std::string expected = "[Tembril]\r\nKeywordLists=c,b\r\nb=$H\\b.chm\r\ndefault=http://x/$K\r\n";
    // Keys are written from the last item to the first; new keys go to the section's end.
    for (size_t i = items.size(); i-- > 0;) {
        std::string name = items[i].substr(0, items[i].find('.'));
        if (name == "a")
            expected += "a=\"$A\\bin\\prog.exe\" /k $K\r\n";
        else if (name == "c")
            expected += "c=c.chm  x=y\r\n";
    }
    // The save reopened the cache from what it wrote, which rebuilt it.
    EXPECT_EQ(std::string(ActiveIni), hostIni);
    EXPECT_STREQ(EnabledLists, "c,b");
    expected += "KeywordCacheFile=" + std::string(CachePath) + "\r\n";
    expected += "KeywordListStamp=" + Value("Varnok.ini", "KeywordListStamp") + "\r\n";
    EXPECT_EQ(section, expected);

    RunDialog({[&](HWND d) {
        EXPECT_EQ(CheckedItems(d), (Texts{"b.kwl", "c.kwl"}));
        Texts targets = HelpTargets(d);
        EXPECT_EQ(targets[Item(d, "a.kwl")], "\"$A\\bin\\prog.exe\" /k $K");
        EXPECT_EQ(targets[Item(d, "b.kwl")], "$H\\b.chm");
        EXPECT_EQ(targets[0], "http://x/$K");
        Press(d, IDC_OK);
    }});
}

TEST_F(SettingsTest, NoListCheckedSavesAnEmptyValueThatStillCountsAsSettings)
{
    RunDialog({[&](HWND d) {
        SetChecked(d, 0, false);
        SetChecked(d, Item(d, "b.kwl"), false);
        Press(d, IDC_APPLY);
        EXPECT_EQ(Value("Varnok.ini", "KeywordLists"), "");
        EXPECT_EQ(LoadSettings(d, hostIni.c_str()), 1u);
        Press(d, IDC_OK);
    }});
}

TEST_F(SettingsTest, OkUnchangedAndEscWriteNothing)
{
    app.Write("C.ini", "[Tembril]\r\nKeywordLists=a\r\n");
    RunDialog({
        [&](HWND d) { PostMessageA(GetDlgItem(d, IDC_LIST_VIEW), WM_KEYDOWN, VK_ESCAPE, 0); },
        [&](HWND d) {
            SendMessageA(d, WM_COMMAND, IDCANCEL, 0);
            EXPECT_TRUE(IsWindowVisible(d));
            Press(d, IDC_OK);
        },
    });
    EXPECT_EQ(app.Read("Varnok.ini"), hostText);
    EXPECT_EQ(app.Read("C.ini"), "[Tembril]\r\nKeywordLists=a\r\n");
}

TEST_F(SettingsTest, CheckedNamesThatCouldNotBeReadBackAreRefusedAndNothingIsWritten)
{
    // 30 lists of 8-byte names: 270 bytes with their commas, more than a read takes.
    for (int i = 0; i < 30; ++i)
        List("list" + std::to_string(1000 + i) + ".kwl");
    items = addin.List("*.kwl");
    items.insert(items.begin(), "(default)");
    BoxCapture boxes;
    RunDialog({[&](HWND d) {
        for (size_t i = 0; i < items.size(); ++i)
            SetChecked(d, static_cast<int>(i), true);
        Press(d, IDC_OK);
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].Text, MSG_TOO_MANY_LISTS);
        EXPECT_EQ(boxes.Boxes()[0].Caption, MSG_TOO_MANY_LISTS_CAPTION);
        EXPECT_EQ(boxes.Boxes()[0].Owner, d);
        EXPECT_EQ(app.Read("Varnok.ini"), hostText);
        EXPECT_EQ(DialogModified, 1u);
        EXPECT_TRUE(IsWindowVisible(d));  // still open, changes kept
        // Unchecked from the last item on until the names fit: 255 bytes, leading comma included.
        for (int i = static_cast<int>(items.size()) - 1; ListsOf(d).size() > 255; --i)
            SetChecked(d, i, false);
        Texts saved = CheckedItems(d);
        std::string lists = ListsOf(d);
        EXPECT_GE(lists.size(), 255u - 8);
        Press(d, IDC_APPLY);
        EXPECT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(Value("Varnok.ini", "KeywordLists"), lists.substr(1));
        EXPECT_EQ(LoadSettings(d, hostIni.c_str()), 1u);
        EXPECT_EQ(CheckedItems(d), saved);
        Press(d, IDC_OK);
    }});
}

TEST_F(SettingsTest, ChangingFileWithUnsavedChangesAsksWhetherToSaveThemToTheOldFile)
{
    app.Write("C.ini", "[Tembril]\r\nKeywordLists=a\r\na=a.chm\r\n");
    for (int answer : {IDYES, IDNO}) {
        app.Write("Varnok.ini", hostText);
        BoxCapture boxes({answer});
        RunDialog({[&](HWND d) {
            SetChecked(d, Item(d, "c.kwl"), true);
            ChooseEntry(d, 1);
            ASSERT_EQ(boxes.Boxes().size(), 1u);
            ExpectQuestion(boxes.Boxes()[0], d, MSG_SAVE_CHANGES, MSG_SAVE_CHANGES_CAPTION, false);
            EXPECT_EQ(Value("Varnok.ini", "KeywordLists"), answer == IDYES ? "c,b,default" : "b,default");
            // Either way the view now shows the new file, and the changes count as unsaved.
            EXPECT_EQ(CheckedItems(d), (Texts{"a.kwl"}));
            EXPECT_EQ(HelpTargets(d)[Item(d, "a.kwl")], "a.chm");
            EXPECT_EQ(DialogModified, 1u);
            EXPECT_TRUE(Enabled(d, IDC_APPLY));
            DialogModified = 0;
            Press(d, IDC_OK);
        }});
        if (answer == IDNO) {
            EXPECT_EQ(app.Read("Varnok.ini"), hostText);
        }
    }
}

TEST_F(SettingsTest, AnAssemblerWithoutSettingsMayTakeACopyOfTheGlobalOnes)
{
    for (int answer : {IDYES, IDNO, IDCANCEL}) {
        app.Write("B.ini", "[Other]\r\nx=1\r\n");
        BoxCapture boxes({answer});
        RunDialog({[&](HWND d) {
            ChooseEntry(d, 2);
            ASSERT_EQ(boxes.Boxes().size(), 1u);
            ExpectQuestion(boxes.Boxes()[0], d, MSG_CREATE_SETTINGS, MSG_CREATE_SETTINGS_CAPTION, true);
            EXPECT_EQ(CheckedItems(d), (Texts{"(default)", "b.kwl"}));
            EXPECT_EQ(HelpTargets(d)[Item(d, "b.kwl")], "$H\\b.chm");
            if (answer == IDYES) {
                EXPECT_EQ(DialogIni, app.File("B.ini"));
                EXPECT_EQ(SendDlgItemMessageA(d, IDC_SETTINGS_FILE, CB_GETCURSEL, 0, 0), 2);
                EXPECT_EQ(DialogModified, 1u);  // the copied checks are changes to B.ini
            } else {
                EXPECT_EQ(DialogIni, hostIni);
                EXPECT_EQ(SendDlgItemMessageA(d, IDC_SETTINGS_FILE, CB_GETCURSEL, 0, 0), 0);
                EXPECT_FALSE(Enabled(d, IDC_RESTORE));
                DialogModified = 0;
            }
            Press(d, IDC_OK);
        }});
        EXPECT_EQ(Value("B.ini", "KeywordLists"), answer == IDYES ? "b,default" : "<none>");
        EXPECT_EQ(Value("B.ini", "b"), answer == IDYES ? "$H\\b.chm" : "<none>");
        EXPECT_EQ(Value("B.ini", "x", "Other"), "1");
        EXPECT_EQ(Value("Varnok.ini", "KeywordLists"), "b,default");
        EXPECT_EQ(Value("Varnok.ini", "b"), "$H\\b.chm");
    }
}

TEST_F(SettingsTest, RestoringDeletesOnlyTheAssemblersSectionAndOnlyOnYes)
{
    const std::string
        assembler = "[Before]\r\nk=v\r\n[Tembril]\r\nKeywordLists=a\r\nKeywordCacheFile=x\r\n[After]\r\nk=w\r\n";
    for (int answer : {IDNO, IDCANCEL, IDYES}) {
        app.Write("A.ini", assembler);
        BoxCapture boxes({answer});
        RunDialog({[&](HWND d) {
            ChooseEntry(d, 3);
            DialogModified = 0;
            Press(d, IDC_RESTORE);
            ASSERT_EQ(boxes.Boxes().size(), 1u);
            ExpectQuestion(boxes.Boxes()[0], d, MSG_DELETE_SETTINGS, MSG_DELETE_SETTINGS_CAPTION, true);
            EXPECT_EQ(SendDlgItemMessageA(d, IDC_SETTINGS_FILE, CB_GETCURSEL, 0, 0), answer == IDYES ? 0 : 3);
            EXPECT_EQ(CheckedItems(d), answer == IDYES ? (Texts{"(default)", "b.kwl"}) : (Texts{"a.kwl"}));
            DialogModified = 0;
            Press(d, IDC_OK);
        }});
        EXPECT_EQ(app.Read("A.ini"), answer == IDYES ? "[Before]\r\nk=v\r\n[After]\r\nk=w\r\n" : assembler);
    }
    EXPECT_EQ(app.Read("Varnok.ini"), hostText);
}

TEST_F(SettingsTest, ClosingWithUnsavedChangesAsksAndCancelKeepsTheDialog)
{
    for (int answer : {IDCANCEL, IDNO, IDYES}) {
        app.Write("Varnok.ini", hostText);
        BoxCapture boxes({answer});
        bool open = false;
        RunDialog({
            [&](HWND d) {
                SetChecked(d, Item(d, "a.kwl"), true);
                Press(d, IDC_CANCEL);
                ASSERT_EQ(boxes.Boxes().size(), 1u);
                ExpectQuestion(boxes.Boxes()[0], d, MSG_SAVE_CHANGES, MSG_SAVE_CHANGES_CAPTION, true);
            },
            [&](HWND d) {
                // Only Cancel gets here.
                open = true;
                EXPECT_EQ(DialogModified, 1u);
                EXPECT_EQ(CheckedItems(d), (Texts{"(default)", "b.kwl", "a.kwl"}));
                DialogModified = 0;
                SendMessageA(d, WM_CLOSE, 0, 0);
            },
        });
        EXPECT_EQ(open, answer == IDCANCEL);
        EXPECT_EQ(Value("Varnok.ini", "KeywordLists"), answer == IDYES ? "a,b,default" : "b,default");
    }
}

TEST_F(SettingsTest, ARefusedSaveBeforeAChangeOfFileStaysOnTheChangedFile)
{
    for (int i = 0; i < 30; ++i)
        List("list" + std::to_string(1000 + i) + ".kwl");
    app.Write("C.ini", "[Tembril]\r\nKeywordLists=a\r\n");
    BoxCapture boxes({IDYES});
    RunDialog({[&](HWND d) {
        int count = static_cast<int>(ItemTexts(d).size());
        for (int i = 0; i < count; ++i)
            SetChecked(d, i, true);
        ChooseEntry(d, 1);
        ASSERT_EQ(boxes.Boxes().size(), 2u);
        EXPECT_EQ(boxes.Boxes()[1].Text, MSG_TOO_MANY_LISTS);
        EXPECT_EQ(SendDlgItemMessageA(d, IDC_SETTINGS_FILE, CB_GETCURSEL, 0, 0), 0);
        EXPECT_EQ(DialogIni, hostIni);
        EXPECT_EQ(Checks(d), Bools(count, true));
        DialogModified = 0;
        Press(d, IDC_OK);
    }});
    EXPECT_EQ(app.Read("Varnok.ini"), hostText);
}

// What the user last saw is what is saved: each sequence below once lost or
// corrupted a help target or the lists' order.
TEST_F(SettingsTest, ALoadShowsItsOwnTargetsAndAfterApplyThePanelStillEditsItsList)
{
    app.Write("A.ini", "[Tembril]\r\nKeywordLists=b\r\nb=$H\\A-b.hlp\r\n");
    struct Case {
        std::vector<int> Answers;
        int Start;  // the entry on which b is selected
        Step Move;
        const char *File, *Shown;
    };
    const Case cases[] = {
        {{}, 0, [](HWND d) { ChooseEntry(d, 3); }, "A.ini", "$H\\A-b.hlp"},
        {{IDNO, IDYES}, 3, [](HWND d) { ChooseEntry(d, 2); }, "B.ini", "$H\\b.chm"},  // a copy of the global ones
        {{IDYES}, 3, [](HWND d) { Press(d, IDC_RESTORE); }, "Varnok.ini", "$H\\b.chm"},
        {{},
         0,
         [](HWND d) {
             Press(d, IDC_APPLY);
             TypeHelpTarget(d, "typed.chm");
         },
         "Varnok.ini",
         "typed.chm"},
    };
    for (const Case& c : cases) {
        app.Write("Varnok.ini", hostText);
        BoxCapture boxes(c.Answers);
        std::string shown;
        RunDialog({[&](HWND d) {
            ChooseEntry(d, c.Start);
            Select(d, Item(d, "b.kwl"));
            c.Move(d);
            shown = ControlText(d, IDC_HELP_TARGET);
            Press(d, IDC_OK);
        }});
        EXPECT_EQ(shown, c.Shown);
        EXPECT_EQ(Value(c.File, "b"), shown) << c.File;
    }
}

TEST_F(SettingsTest, WhileASavesBoxIsUpChangesAreKeptAndNothingSavesLoadsOrEnds)
{
    OptionFlags = OptEnable;  // the rebuild's boxes shown, with no owner
    std::string shown;
    RunDialog({[&](HWND d) {
                  DeleteFileA(addin.File("a.kwl").c_str());  // the save's rebuild tells of it in a box
                  SetChecked(d, Item(d, "a.kwl"), true);
                  Press(d, IDC_OK);
                  EXPECT_TRUE(IsWindowVisible(d));  // the change made in the box is not in the file
                  EXPECT_EQ(addin.List("hlp*").size(), 1u);
                  EXPECT_TRUE(Enabled(d, IDC_APPLY));
                  SetChecked(d, Item(d, "a.kwl"), false);
                  shown = ListsOf(d);
                  Press(d, IDC_OK);
              }},
              {[&](HWND d) {
                  for (int id : {IDC_APPLY, IDC_OK, IDC_CANCEL})
                      Press(d, id);
                  SendMessageA(d, WM_CLOSE, 0, 0);
                  ChooseEntry(d, 1);
                  SetChecked(d, Item(d, "c.kwl"), true);
              }});
    EXPECT_EQ("," + Value("Varnok.ini", "KeywordLists"), shown);
    EXPECT_EQ(addin.List("hlp*"), Texts{Value("Varnok.ini", "KeywordCacheFile").substr(addinDir.size() + 1)});
}

TEST_F(SettingsTest, EveryHelpTargetTheEditCanHoldComesBackAsTyped)
{
    app.Write("Varnok.ini", "[Tembril]\r\nKeywordLists=a\r\n");
    for (std::string value :
         Texts{"\"$D\\tool.exe\" \"$K\"", "\"", "'x'", "\"x'", " lead", "trail ", "\t \" \t", "tab\t", "ctl\x01",
               "中文 ", "\"" + std::string(257, 'q') + "\"", " " + std::string(258, 'q')}) {
        for (bool typing : {true, false})
            RunDialog({[&](HWND d) {
                Select(d, Item(d, "a.kwl"));
                if (typing)
                    TypeHelpTarget(d, value.c_str());
                EXPECT_EQ(ControlText(d, IDC_HELP_TARGET), value);
                Press(d, IDC_OK);
            }});
        char word[KeywordBufferSize] = "keyword";
        EXPECT_STREQ(LookupKeyword(word), value.c_str());  // the cache's read of it
    }
}

TEST_F(SettingsTest, ListsNamedLikeTheSectionsOwnKeysWriteNothingOverThem)
{
    // Keys match in either case.
    static const char* const names[] = {"KEYWORDCACHEFILE.kwl", "keywordlists.kwl", "KeywordListStamp.kwl"};
    for (const char* name : names)
        addin.Write(name, "T\r\nD\r\nown\r\n");
    RunDialog({[&](HWND d) {
        for (const char* name : names) {
            SetChecked(d, Item(d, name), true);
            Select(d, Item(d, name));
            EXPECT_FALSE(Enabled(d, IDC_HELP_TARGET));  // it has no key of its own
        }
        Press(d, IDC_APPLY);
        Press(d, IDC_APPLY);
        EXPECT_EQ("," + Value("Varnok.ini", "KeywordLists"), ListsOf(d));
        Press(d, IDC_OK);
    }});
    EXPECT_EQ(addin.List("hlp*"), Texts{Value("Varnok.ini", "KeywordCacheFile").substr(addinDir.size() + 1)});
    char word[KeywordBufferSize] = "own";
    EXPECT_STREQ(LookupKeyword(word), "(None)");
}

// A file whose name the settings can't hold is not offered: it would be saved
// as the names of other lists. Names that end in ".kwl" or are "default" in
// any case are saved so that they read back as their files.
TEST_F(SettingsTest, OnlyListsTheSettingsCanNameAreOfferedAndEachReadsBackAsItself)
{
    for (const char* name : {"a,b.kwl", "k=v.kwl", "[s].kwl", " lead.kwl", "trail .kwl", "x.kwl.kwl"})
        addin.Write(name, "T\r\nD\r\nkx\r\n");
    addin.Write("Default.kwl", "T\r\nD\r\nkd\r\n");
    RunDialog({[&](HWND d) {
        Texts shown = ItemTexts(d);
        std::sort(shown.begin(), shown.end());
        EXPECT_EQ(shown, (Texts{"(default)", "Default.kwl", "a.kwl", "b.kwl", "c.kwl", "x.kwl.kwl"}));
        SetChecked(d, 0, false);
        SetChecked(d, Item(d, "b.kwl"), false);
        SetChecked(d, Item(d, "Default.kwl"), true);
        SetChecked(d, Item(d, "x.kwl.kwl"), true);
        Select(d, Item(d, "x.kwl.kwl"));
        TypeHelpTarget(d, "x.chm");
        Press(d, IDC_APPLY);
        EXPECT_EQ(Value("Varnok.ini", "KeywordLists"), "x.kwl.kwl,default.kwl");
        EXPECT_EQ(LoadSettings(d, hostIni.c_str()), 1u);
        EXPECT_EQ(CheckedItems(d), (Texts{"Default.kwl", "x.kwl.kwl"}));
        Press(d, IDC_OK);
    }});
    char word[KeywordBufferSize] = "kx", other[KeywordBufferSize] = "zz";
    EXPECT_STREQ(LookupKeyword(word), "x.chm");
    EXPECT_EQ(LookupKeyword(other), nullptr);  // no catch-all
}

TEST_F(SettingsTest, TheViewShowsThePriorityAnEmptyNameIncludedAndTheUserSetsIt)
{
    addin.Write(".kwl", "T\r\nD\r\nkeyword\r\n");
    app.Write("Varnok.ini", "[Tembril]\r\nKeywordLists=c,,a,b,default\r\n");
    RunDialog({[&](HWND d) {
        // The later a list stands, the higher: it wins a keyword that lists share.
        EXPECT_EQ(CheckedItems(d), (Texts{"(default)", "b.kwl", "a.kwl", ".kwl", "c.kwl"}));
        SetChecked(d, Item(d, "a.kwl"), false);
        SetChecked(d, Item(d, "a.kwl"), true);
        Press(d, IDC_APPLY);
        EXPECT_EQ(Value("Varnok.ini", "KeywordLists"), "c,,a,b,default");
        Select(d, Item(d, "a.kwl"));
        SendDlgItemMessageA(d, IDC_LIST_VIEW, WM_SYSKEYDOWN, VK_UP, 1 << 29);
        EXPECT_EQ(CheckedItems(d), (Texts{"(default)", "a.kwl", "b.kwl", ".kwl", "c.kwl"}));
        char tip[256] = "";
        NMLVGETINFOTIPA request = {
            {GetDlgItem(d, IDC_LIST_VIEW), IDC_LIST_VIEW, LVN_GETINFOTIPA}, 0, tip, sizeof tip, 1, 0, 0};
        SendMessageA(d, WM_NOTIFY, IDC_LIST_VIEW, reinterpret_cast<LPARAM>(&request));
        EXPECT_EQ(std::string(tip), std::string("a.kwl") + MSG_WINS_OVER + "b.kwl, .kwl, c.kwl");
        SendDlgItemMessageA(d, IDC_LIST_VIEW, WM_SYSKEYDOWN, VK_UP, 1 << 29);  // "(default)" stays first
        Press(d, IDC_OK);
    }});
    EXPECT_EQ(Value("Varnok.ini", "KeywordLists"), "c,,b,a,default");
}

// Names typed with blanks around them read as meant; the file default.kwl
// moved to the top is saved as the file, never as the pseudo-list.
TEST_F(SettingsTest, BlanksAroundNamesAndTheFileDefaultKwlOnTop)
{
    addin.Write("default.kwl", "T\r\nD\r\ndk\r\n");
    app.Write("Varnok.ini", "[Tembril]\r\nKeywordLists= a ,\tb\r\nOther=1\r\n");
    RunDialog({[&](HWND d) {
        EXPECT_EQ(CheckedItems(d), (Texts{"b.kwl", "a.kwl"}));
        SetChecked(d, Item(d, "default.kwl"), true);
        Select(d, Item(d, "default.kwl"));
        for (int i = 0; i < 3; ++i)
            SendDlgItemMessageA(d, IDC_LIST_VIEW, WM_SYSKEYDOWN, VK_UP, 1 << 29);
        EXPECT_EQ(CheckedItems(d), (Texts{"default.kwl", "b.kwl", "a.kwl"}));
        Press(d, IDC_OK);
    }});
    EXPECT_EQ(app.Read("Varnok.ini"),
              "[Tembril]\r\nKeywordLists=a,b,default.kwl\r\nOther=1\r\nc=\r\na=\r\nb=\r\ndefault=\r\n"
              "KeywordCacheFile=" +
                  std::string(CachePath) + "\r\nKeywordListStamp=" + Value("Varnok.ini", "KeywordListStamp") + "\r\n");
    char word[KeywordBufferSize] = "dk";
    EXPECT_STREQ(LookupKeyword(word), "");  // found in default.kwl, whose key is the pseudo-list's
    char other[KeywordBufferSize] = "zz";
    EXPECT_EQ(LookupKeyword(other), nullptr);  // and no catch-all
    RunDialog({[&](HWND d) {
        EXPECT_EQ(CheckedItems(d), (Texts{"default.kwl", "b.kwl", "a.kwl"}));
        Press(d, IDC_CANCEL);
    }});
}

}  // namespace

namespace {

// Answers the open-file dialog: picks Pick (or cancels when it is empty) and
// notes its title and the file types it offers.
struct OpenFileAnswer {
    std::string Pick;
    std::string Title;
    std::vector<std::string> Types;
    HWND Owner = nullptr;
    HHOOK Hook = nullptr;
};
OpenFileAnswer* openAnswer = nullptr;

// The Explorer-style template: cmb1 the file types, cmb13 the file name.
constexpr int FileTypes = 0x470, FileName = 0x47c;

// Runs in the open-file dialog's own loop, once it is filled.
VOID CALLBACK AnswerOpenFile(HWND window, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(window, timer);
    char text[512] = "";
    GetWindowTextA(window, text, sizeof text);
    openAnswer->Title = text;
    openAnswer->Owner = GetWindow(window, GW_OWNER);
    HWND types = GetDlgItem(window, FileTypes);
    int count = static_cast<int>(SendMessageA(types, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        SendMessageA(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        openAnswer->Types.push_back(text);
    }
    SetDlgItemTextA(window, FileName, openAnswer->Pick.c_str());
    PostMessageA(window, WM_COMMAND, openAnswer->Pick.empty() ? IDCANCEL : IDOK, 0);
}

LRESULT CALLBACK OpenFileHook(int code, WPARAM wParam, LPARAM lParam)
{
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && openAnswer != nullptr && openAnswer->Owner == nullptr &&
        GetDlgItem(window, FileTypes) != nullptr) {
        openAnswer->Owner = window;  // seen; replaced by the real owner when answered
        SetTimer(window, 0x7E57, 50, AnswerOpenFile);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(SettingsTest, TheBrowseButtonPutsThePickedFileIntoTheEdit)
{
    app.Write("help.chm", "x");
    for (std::string pick : {std::string(), app.File("help.chm")}) {
        OpenFileAnswer answer;
        answer.Pick = pick;
        openAnswer = &answer;
        answer.Hook = SetWindowsHookExA(WH_CBT, OpenFileHook, nullptr, GetCurrentThreadId());
        RunDialog({[&](HWND d) {
            Select(d, Item(d, "b.kwl"));
            Press(d, IDC_BROWSE);
            EXPECT_EQ(answer.Title, MSG_OPEN_HELP_TITLE);
            EXPECT_EQ(answer.Owner, d);
            ASSERT_EQ(answer.Types.size(), 6u);
            EXPECT_EQ(answer.Types[0], "全部可用的文件 (*.hlp,*.chm,*.col,*.301,*.exe)   ");
            EXPECT_EQ(answer.Types[5], "All Files (*.*)");
            EXPECT_EQ(ControlText(d, IDC_HELP_TARGET), pick.empty() ? "$H\\b.chm" : pick);
            EXPECT_EQ(DialogModified, pick.empty() ? 0u : 1u);
            EXPECT_EQ(Enabled(d, IDC_APPLY), !pick.empty());
            DialogModified = 0;
            Press(d, IDC_OK);
        }});
        UnhookWindowsHookEx(answer.Hook);
        openAnswer = nullptr;
    }
}

}  // namespace
