// The host's INI files belong to the host: whatever the add-in does to its
// own section (saves, the restore's delete, the rebuild's cache path), every
// other section, key and comment stays as it was, byte for byte. The files
// hold no blank lines: Wine's profile writer drops those between sections,
// where Windows keeps them.
#include <windows.h>

#include <stdio.h>

#include <random>
#include <string>
#include <vector>

#include "dialog_driver.h"
#include "dialog_fixture.h"
#include "resources/resource.h"
#include "support/msgbox_capture.h"

namespace {

// The text without the add-in's section: its header line up to the next header.
std::string Outside(const std::string& text)
{
    std::string kept;
    bool inside = false;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end + 1;
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line[0] == '[')
            inside = CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, line.c_str(), 9, "[Tembril]", 9) == CSTR_EQUAL;
        if (!inside)
            kept += line;
        at = end;
    }
    return kept;
}

// Every question answered Yes: save, create from the global settings, delete.
std::vector<int> Yes() { return std::vector<int>(1000, IDYES); }

bool Holds(const std::string& text, const std::string& line) { return text.find(line) != std::string::npos; }

const std::string hostText = "; Varnok settings\r\n"
                             "[Varnok]\r\n"
                             "Theme=dark\r\n"
                             "; kept as it is\r\n"
                             "Recent=C:\\src\\a.asm\r\n"
                             "[Assembler]\r\n"
                             "Assembler=Masm,Fasm\r\n"
                             "[Tembril]\r\n"
                             "; notes of the user's own\r\n"
                             "Other=keep me\r\n"
                             "KeywordLists= a ,\tdefault\r\n"
                             "a=$H\\a.chm\r\n"
                             "default=http://x/$K\r\n"
                             "[Tail]\r\n"
                             "Last=1\r\n";
const std::string masmText = "[Build]\r\n"
                             "Cmd=ml /c \"$F\"\r\n"
                             "; a comment\r\n"
                             "[Tembril]\r\n"
                             "KeywordLists=b\r\n"
                             "Other=keep me too\r\n"
                             "[Link]\r\n"
                             "Cmd=link\r\n";
const std::string fasmText = "[Build]\r\nCmd=fasm \"$F\"\r\n";

class SettingsSafety : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        List("a.kwl");
        List("b.kwl");
        List("c.kwl");
        List("default.kwl");  // saved as the file, never read as the pseudo-list
        app.Write("Varnok.ini", hostText);
        app.Write("Masm.ini", masmText);
        app.Write("Fasm.ini", fasmText);
        masmIni = app.File("Masm.ini");
        fasmIni = app.File("Fasm.ini");
    }
    // Everything outside the add-in's section, and the user's own lines inside
    // it as long as the section stands.
    void ExpectKept(const std::string& what)
    {
        std::string host = app.Read("Varnok.ini");
        EXPECT_EQ(Outside(host), Outside(hostText)) << what;
        EXPECT_TRUE(Holds(host, "Other=keep me\r\n")) << what << "\n" << host;
        EXPECT_TRUE(Holds(host, "; notes of the user's own\r\n")) << what << "\n" << host;
        std::string masm = app.Read("Masm.ini");
        EXPECT_EQ(Outside(masm), Outside(masmText)) << what;
        if (Holds(masm, "[Tembril]") && !masmDeleted) {
            EXPECT_TRUE(Holds(masm, "Other=keep me too\r\n")) << what << "\n" << masm;
        }
        EXPECT_EQ(Outside(app.Read("Fasm.ini")), Outside(fasmText)) << what;
    }
    // Reopens the cache as the host's reload does, for a random current assembler.
    void Reopen(std::mt19937& random, bool dropFile)
    {
        const std::string* assemblers[] = {nullptr, &masmIni, &fasmIni};
        const std::string* current = assemblers[random() % 3];
        data.AssemblerIniPath = current ? current->c_str() : nullptr;
        CloseCache();
        if (dropFile && CachePath[0] != '?')
            DeleteFileA(CachePath);
        OpenCache();
    }

    std::string masmIni, fasmIni;
    bool masmDeleted = false;
};

TEST_F(SettingsSafety, OtherSectionsKeysAndCommentsSurviveEverySaveDeleteAndRebuild)
{
    std::mt19937 random(1135);
    int saves = 0, deletes = 0, rebuilds = 0, reopens = 0, changes = 0;
    BoxCapture boxes(Yes());
    RunDialog({[&](HWND d) {
        for (int round = 0; round < 100; ++round) {
            std::string what = "round " + std::to_string(round);
            switch (random() % 6) {
            case 0:
            case 5: {  // edit and apply
                int items = static_cast<int>(ItemTexts(d).size());
                for (int i = 0; i < items; ++i)
                    SetChecked(d, i, random() % 2 == 0);
                Select(d, static_cast<int>(random() % items));
                std::string target = "$H\\help" + std::to_string(random() % 100) + ".chm";
                TypeHelpTarget(d, random() % 4 == 0 ? "" : target.c_str());
                Select(d, 0);
                Press(d, IDC_APPLY);
                what += ", saved into " + std::string(DialogIni);
                ++saves;
                break;
            }
            case 1: {  // another file; an assembler without settings takes a copy of the global ones
                int entry = static_cast<int>(random() % 3);
                ChooseEntry(d, entry);
                what += ", chose entry " + std::to_string(entry);
                ++changes;
                break;
            }
            case 2:  // the assembler's settings deleted
                if (DialogEntry > 0) {
                    bool masm = lstrcmpiA(DialogIni, masmIni.c_str()) == 0;
                    Press(d, IDC_RESTORE);
                    masmDeleted |= masm;
                    what += ", restored";
                    ++deletes;
                }
                break;
            case 3:
                Reopen(random, true);
                what += ", rebuilt";
                ++rebuilds;
                break;
            case 4:
                Reopen(random, false);
                ++reopens;
            }
            ExpectKept(what);
        }
        DialogModified = 0;
        Press(d, IDC_OK);
    }});
    ExpectKept("at the end");
    printf("settings kept through %d saves, %d deletes, %d rebuilds, %d reopens, %d changes of file\n", saves, deletes,
           rebuilds, reopens, changes);
}

TEST_F(SettingsSafety, RepeatedRestoresLeaveNoCacheFilesBehind)
{
    // Each round gives an assembler settings of its own, has its cache built,
    // then restores the global settings: the cache file that the deleted
    // settings named goes with them, at once, or at the next close while it
    // is the open cache (Masm is the current assembler, Fasm is not).
    data.AssemblerIniPath = masmIni.c_str();
    BoxCapture boxes(Yes());
    std::vector<size_t> counts;
    RunDialog({[&](HWND d) {
        for (int round = 0; round < 10; ++round) {
            bool masm = round % 2 == 0;
            ChooseEntry(d, masm ? 2 : 1);  // its settings, or a copy of the global ones
            SetChecked(d, 2, round % 4 < 2);
            Press(d, IDC_APPLY);  // saved, and the cache reopened
            if (!masm) {
                // Not in force: its cache is built by an open under it.
                data.AssemblerIniPath = fasmIni.c_str();
                CloseCache();
                OpenCache();
                data.AssemblerIniPath = masmIni.c_str();
                CloseCache();
                OpenCache();
            }
            std::string own = Value(masm ? "Masm.ini" : "Fasm.ini", "KeywordCacheFile");
            EXPECT_TRUE(FileExists(own)) << "round " << round << ": " << own;
            Press(d, IDC_RESTORE);
            if (masm) {
                char word[KeywordBufferSize] = "keyword";
                EXPECT_NE(LookupKeyword(word), nullptr);  // still open on the file it goes on using
            }
            CloseCache();
            EXPECT_FALSE(FileExists(own)) << "round " << round << ": " << own;
            OpenCache();  // the host's reload: the global settings now
            counts.push_back(addin.List("hlp*").size());
        }
        DialogModified = 0;
        Press(d, IDC_OK);
    }});
    std::string seen;
    for (size_t n : counts)
        seen += std::to_string(n) + " ";
    printf("cache files after each restore: %s\n", seen.c_str());
    EXPECT_EQ(counts, std::vector<size_t>(10, 1u)) << seen;
    ExpectKept("after the restores");
}

TEST_F(SettingsSafety, ARestoreDeletesNoFileThatIsNotOurCache)
{
    // A path edited by hand into the settings names someone else's file.
    app.Write("keep.tmp", "not ours");
    addin.Write("notes.txt", "not ours either");
    app.Write("Masm.ini", "[Tembril]\r\nKeywordLists=b\r\nKeywordCacheFile=" + app.File("keep.tmp") + "\r\n");
    app.Write("Fasm.ini", "[Tembril]\r\nKeywordLists=b\r\nKeywordCacheFile=" + addin.File("notes.txt") + "\r\n");
    BoxCapture boxes(Yes());
    RunDialog({[&](HWND d) {
        ChooseEntry(d, 2);
        Press(d, IDC_RESTORE);
        ChooseEntry(d, 1);
        Press(d, IDC_RESTORE);
        Press(d, IDC_OK);
    }});
    EXPECT_EQ(app.Read("keep.tmp"), "not ours");
    EXPECT_EQ(addin.Read("notes.txt"), "not ours either");
    EXPECT_EQ(Value("Masm.ini", "KeywordLists"), "<none>");
    EXPECT_EQ(Value("Fasm.ini", "KeywordLists"), "<none>");
}

}  // namespace
