#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "cache/listheader.h"
#include "shell/tembril.h"
#include "support/fake_host.h"
#include "support/temp_dir.h"

namespace {

class ListHeaderTest : public ::testing::Test {
protected:
    // The record's strings as they lie in the block, and the help target's room.
    void ExpectLayout(const ListRecord* record)
    {
        EXPECT_EQ(record->Path, record->Text);
        EXPECT_EQ(record->Name, record->Path + strlen(record->Path) + 1);
        EXPECT_EQ(record->Title, record->Name + strlen(record->Name) + 1);
        EXPECT_EQ(record->Description, record->Title + strlen(record->Title) + 1);
        EXPECT_EQ(record->HelpTarget, record->Description + strlen(record->Description) + 1);
        EXPECT_GE(reinterpret_cast<const char*>(record) + ListRecordSize - record->HelpTarget, 260);
    }

    TempDir dir;
    FakeHost fakeHost{dir, dir, 0};
    const std::string& addinDir = fakeHost.AddinDir;
    HostDataRecord& data = fakeHost.Data;
};

TEST_F(ListHeaderTest, NameTitleAndDescriptionComeFromTheFile)
{
    dir.Write("Masm.Win32.kwl", "Win32 API=x\r\nFunctions of the API\r\nbeginpaint\r\n");
    ListRecord* record = ReadListHeader("Masm.Win32.kwl");
    ASSERT_NE(record, nullptr);
    EXPECT_STREQ(record->Name, "Masm.Win32");  // everything before the last full stop
    EXPECT_EQ(std::string(record->Path), dir.File("Masm.Win32.kwl"));
    EXPECT_STREQ(record->Title, "Win32 API=x");  // shown whole, "=" and all
    EXPECT_STREQ(record->Description, "Functions of the API");
    ExpectLayout(record);
    FreeListRecord(record);
}

// A path past the limit names no file: not one of the same name in the
// current directory, which the dialog would show as the list's.
TEST_F(ListHeaderTest, APathThatDoesNotFitReadsNoFileElsewhere)
{
    std::string deep = addinDir + "\\" + std::string(200 - addinDir.size(), 'd');
    data.AddinDir = deep.c_str();
    std::string name = std::string(60, 'n') + ".kwl";
    dir.Write(name, "Wrong title\r\nWrong description\r\n");
    char current[MAX_PATH];
    GetCurrentDirectoryA(sizeof current, current);
    SetCurrentDirectoryA(addinDir.c_str());
    ListRecord* record = ReadListHeader(name.c_str());
    SetCurrentDirectoryA(current);
    ASSERT_NE(record, nullptr);
    EXPECT_STREQ(record->Title, "");
    EXPECT_STREQ(record->Description, "");
    EXPECT_STREQ(record->Path, "");
    FreeListRecord(record);
}

TEST_F(ListHeaderTest, OneBackslashBetweenDirectoryAndName)
{
    std::string withSlash = addinDir + "\\";
    data.AddinDir = withSlash.c_str();
    dir.Write("a.kwl", "t\r\nd\r\n");
    ListRecord* record = ReadListHeader("a.kwl");
    EXPECT_EQ(std::string(record->Path), dir.File("a.kwl"));
    FreeListRecord(record);
}

TEST_F(ListHeaderTest, UnreadableOrShortFilesStillGetARecord)
{
    dir.Write("empty.kwl", "");
    dir.Write("one.kwl", "only a title");
    dir.Write("two.kwl", "title\r\ndescription without end");
    ListRecord* empty = ReadListHeader("empty.kwl");
    ListRecord* one = ReadListHeader("one.kwl");
    ListRecord* two = ReadListHeader("two.kwl");
    ListRecord* missing = ReadListHeader("missing.kwl");
    EXPECT_STREQ(empty->Name, "empty");
    EXPECT_STREQ(empty->Title, "");
    EXPECT_STREQ(one->Title, "only a title");
    EXPECT_STREQ(one->Description, "");
    EXPECT_STREQ(two->Description, "description without end");
    EXPECT_STREQ(missing->Name, "missing");
    EXPECT_STREQ(missing->Title, "");
    for (ListRecord* r : {empty, one, two, missing}) {
        ExpectLayout(r);
        FreeListRecord(r);
    }
}

TEST_F(ListHeaderTest, OnlyTheFirst1024BytesAreRead)
{
    dir.Write("big.kwl", std::string(3000, 'T') + "\r\nd\r\n");
    ListRecord* record = ReadListHeader("big.kwl");
    EXPECT_STREQ(record->Description, "");
    ExpectLayout(record);
    FreeListRecord(record);
}

TEST_F(ListHeaderTest, LongStringsAreCutSoTheHelpTargetKeepsItsRoom)
{
    dir.Write("long.kwl", std::string(200, 't') + "\r\n" + std::string(200, 'd') + "\r\n");
    ListRecord* record = ReadListHeader("long.kwl");
    EXPECT_STREQ(record->Name, "long");
    EXPECT_EQ(strlen(record->Title), 200u);
    ExpectLayout(record);
    size_t used = strlen(record->Path) + strlen(record->Name) + strlen(record->Title) + strlen(record->Description) + 4;
    EXPECT_EQ(used, ListHeaderRoom);
    FreeListRecord(record);

    // A double-byte character is never split by the cut.
    std::string wide;
    for (int i = 0; i < 150; ++i)
        wide += "\xB1\xEA";
    dir.Write("wide.kwl", wide + "\r\n" + wide + "\r\n");
    record = ReadListHeader("wide.kwl");
    EXPECT_EQ(strlen(record->Title), 300u > ListHeaderRoom ? (ListHeaderRoom - 4 - 4) / 2 * 2 : 300u);
    EXPECT_EQ(strlen(record->Description) % 2, 0u);
    ExpectLayout(record);
    FreeListRecord(record);
}

}  // namespace
