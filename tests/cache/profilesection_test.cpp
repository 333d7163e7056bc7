// Keys read from one copy of the section must give what the profile functions
// give key by key: every answer of FindSectionValue is checked against
// GetPrivateProfileStringA on the same file, over files written to trip it up.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cache/profilesection.h"
#include "support/temp_dir.h"

namespace {

const char* const Fallback = "(None)";

struct IniCase {
    const char* Label;
    std::string Text;
};

const std::vector<const char*> Keys = {
    "KeywordLists", "keywordlists", "KEYWORDCACHEFILE", "KeywordCacheFile", "a",   "A",  "b",  "c",        "d", "e",
    "default",      "x86",          "win32.api",        "missing",          "a b", ";a", "#a", "\xB0\xA1",
};

const std::vector<IniCase> Cases = {
    {"plain", "[Tembril]\r\nKeywordLists=a,b,default\r\nKeywordCacheFile=c:\\addin\\hlp1.tmp\r\n"
              "a=c:\\help\\a.chm\r\nb=http://x.invalid/$K\r\ndefault=$A\\x.exe $K\r\n"},
    {"case of names, first match", "[Tembril]\r\nKEYWORDLISTS=first\r\nkeywordlists=second\r\nA=upper\r\na=lower\r\n"},
    {"blanks around names and values", "[Tembril]\r\n  a  =  spaced  \r\nb\t=\ttabbed\t\r\nc = x\r\n d=y\r\n"},
    {"quotes", "[Tembril]\r\na=\"quoted\"\r\nb='single'\r\nc=\"half\r\nd=mid\"dle\r\ne=\"\"\r\n"},
    {"empty values and equals signs", "[Tembril]\r\na=\r\nb==x\r\nc=x=y\r\nd\r\nd=after\r\n"},
    {"comments", "[Tembril]\r\n;a=comment\r\n#a=hash\r\na=real\r\n; b=x\r\n"},
    {"sections repeated and cased",
     "[Tembril]\r\na=1\r\n[Other]\r\nb=2\r\n[Tembril]\r\nb=3\r\nc=4\r\n[tembril]\r\nd=5\r\n"},
    {"section in other case", "[tEMBRIL]\r\na=x\r\n"},
    {"keys outside sections", "a=none\r\n[Tembril]\r\nb=y\r\n"},
    {"no section", "[Other]\r\na=x\r\n"},
    {"line feeds only", "[Tembril]\nKeywordLists=lf\na=x\n"},
    {"double bytes", "[Tembril]\r\n\xB0\xA1=\xD6\xD0\xCE\xC4\r\na=c:\\\xB0\xEF\xD6\xFA\\x.chm\r\n"
                     "\xA3\xC1=fullwidth\r\n"},
    {"long values", "[Tembril]\r\na=" + std::string(300, 'x') + "\r\nb=" + std::string(258, 'y') +
                        "\r\nc=" + std::string(259, 'z') + "\r\nd=" + std::string(257, 'w') + "\r\n"},
    {"dotted names", "[Tembril]\r\nx86=1\r\nwin32.api=2\r\n"},
};

class ProfileSectionTest : public ::testing::TestWithParam<IniCase> {
protected:
    TempDir dir;
};

TEST_P(ProfileSectionTest, AnswersAgreeWithTheProfileFunctions)
{
    const IniCase& c = GetParam();
    dir.Write("t.ini", c.Text);
    std::string path = dir.File("t.ini");
    std::vector<char> block(32 * 1024);
    DWORD got = GetPrivateProfileSectionA("Tembril", block.data(), block.size(), path.c_str());
    ASSERT_LT(got, block.size() - 2);

    for (uint32_t size : {260u, 8u}) {
        for (const char* key : Keys) {
            std::vector<char> expected(size);
            GetPrivateProfileStringA("Tembril", key, Fallback, expected.data(), size, path.c_str());
            const char* value = nullptr;
            uint32_t length = 0;
            SectionValue answer = FindSectionValue(block.data(), got + 1, key, size, &value, &length);
            SCOPED_TRACE(std::string(c.Label) + ", key " + key + ", size " + std::to_string(size));
            if (answer == SectionValue::Found) {
                EXPECT_EQ(std::string(value, length), std::string(expected.data()));
            } else if (answer == SectionValue::Absent) {
                EXPECT_STREQ(expected.data(), Fallback);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(TrickyFiles, ProfileSectionTest, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<IniCase>& info) { return std::to_string(info.index); });

// The copy is only worth it if the usual settings are answered from it.
TEST(ProfileSection, PlainSettingsNeedNoProfileCall)
{
    const char block[] = "KeywordLists=a,b\0a=c:\\h\\a.chm\0B=\0\0";
    const char* value = nullptr;
    uint32_t length = 0;
    EXPECT_EQ(FindSectionValue(block, sizeof block - 1, "keywordlists", 512, &value, &length), SectionValue::Found);
    EXPECT_EQ(std::string(value, length), "a,b");
    EXPECT_EQ(FindSectionValue(block, sizeof block - 1, "b", 260, &value, &length), SectionValue::Found);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(FindSectionValue(block, sizeof block - 1, "KeywordCacheFile", 260, &value, &length),
              SectionValue::Absent);
}

// A block without its final NUL (cut short) is never read past its end.
TEST(ProfileSection, BlockCutShortIsUnsure)
{
    const char block[] = {'a', '=', '1', 0, 'b', '=', '2'};
    const char* value = nullptr;
    uint32_t length = 0;
    EXPECT_EQ(FindSectionValue(block, sizeof block, "b", 260, &value, &length), SectionValue::Unsure);
    EXPECT_EQ(FindSectionValue(block, sizeof block, "a", 260, &value, &length), SectionValue::Found);
}

}  // namespace
