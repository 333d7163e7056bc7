// The settings texts at their limits: every buffer exactly full, one short, one over.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog/settingstext.h"

namespace {

std::vector<std::string> NamesFromLast(const std::string& text)
{
    std::vector<std::string> names;
    NameWalk walk;
    StartFromLast(&walk, text.c_str(), static_cast<uint32_t>(text.size()));
    const char* name;
    uint32_t length;
    while (NextFromLast(&walk, &name, &length))
        names.emplace_back(name, length);
    return names;
}

TEST(SettingsText, NamesComeFromTheLastToTheFirstEmptyOnesIncluded)
{
    using Names = std::vector<std::string>;
    EXPECT_EQ(NamesFromLast("A,B,C"), (Names{"C", "B", "A"}));
    EXPECT_EQ(NamesFromLast(""), (Names{""}));
    EXPECT_EQ(NamesFromLast(",a,,"), (Names{"", "", "a", ""}));
    EXPECT_EQ(NamesFromLast("default"), (Names{"default"}));
}

TEST(SettingsText, EntriesFitTheirBufferOrAreNotFormed)
{
    char entry[8];
    EXPECT_EQ(FormEntry(entry, sizeof entry, "abcd", 4, "xyz"), 1u);  // 7 bytes and the NUL
    EXPECT_STREQ(entry, "abcdxyz");
    EXPECT_EQ(FormEntry(entry, sizeof entry, "abcde", 5, "xyz"), 0u);
    EXPECT_STREQ(entry, "");
    EXPECT_EQ(FormEntry(entry, sizeof entry, "abcdefghij", 10, "xyz"), 0u);
    EXPECT_EQ(FormEntry(entry, sizeof entry, "ab,cd", 2, ".kwl"), 1u);  // only the name's bytes
    EXPECT_STREQ(entry, "ab.kwl");
}

TEST(SettingsText, AnEntryStandsForTheFileBeforeItsFirstMarker)
{
    char file[16];
    EXPECT_EQ(EntryFileName("Masm.ini - x.ini - y", file, sizeof file), 1u);
    EXPECT_STREQ(file, "Masm.ini");
    EXPECT_EQ(EntryFileName("Masm.ini", file, sizeof file), 1u);  // no marker: the whole text
    EXPECT_STREQ(file, "Masm.ini");
    EXPECT_EQ(EntryFileName("0123456789a.ini - ", file, sizeof file), 1u);  // 15 bytes and the NUL
    EXPECT_EQ(EntryFileName("0123456789ab.ini - ", file, sizeof file), 0u);
    EXPECT_STREQ(file, "");
}

TEST(SettingsText, ListNamesAreAppendedOnlyWhileTheyFit)
{
    char lists[8] = "";
    EXPECT_EQ(AppendListName(lists, sizeof lists, "abc"), 1u);
    EXPECT_EQ(AppendListName(lists, sizeof lists, "de"), 1u);  // ",abc,de": 7 bytes and the NUL
    EXPECT_STREQ(lists, ",abc,de");
    EXPECT_EQ(AppendListName(lists, sizeof lists, ""), 0u);
    EXPECT_STREQ(lists, ",abc,de");
    char small[4] = "";
    EXPECT_EQ(AppendListName(small, sizeof small, "abcd"), 0u);
    EXPECT_STREQ(small, "");
}

TEST(SettingsText, OnlyAFullBufferMayHoldACutValue)
{
    EXPECT_FALSE(MayBeCut(254, 256));
    EXPECT_TRUE(MayBeCut(255, 256));
}

}  // namespace
