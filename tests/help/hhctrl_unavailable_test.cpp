// HTML Help when hhctrl.ocx cannot be loaded, or loads without HtmlHelpA:
// every request tries again and says so, and nothing is kept loaded.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/messages.h"
#include "help/help.h"
#include "help_support.h"
#include "support/msgbox_capture.h"

namespace {

TEST(HtmlHelpUnavailable, EveryRequestTriesAgainAndSaysSoUnlessQuiet)
{
    FakeHost host;
    host.Data.HelpDir = "c:\\help\\";
    OptionFlags = 0;
    BoxCapture boxes;
    EXPECT_EQ(ShowHelp("mov", "$H\\api.chm"), 1u);
    EXPECT_EQ(GetModuleHandleA("hhctrl.ocx"), nullptr) << "a library without HtmlHelpA is released";
    EXPECT_EQ(ShowHelp("lea", "$H\\api.chm"), 1u);
    EXPECT_EQ(ShowHelp("lea", "x.col"), 1u);
    ASSERT_EQ(boxes.Boxes().size(), 3u);
    for (const CapturedBox& box : boxes.Boxes()) {
        EXPECT_EQ(box.Text, MSG_NO_HHCTRL);
        EXPECT_EQ(box.Caption, "\xB4\xED\xCE\xF3");
        EXPECT_EQ(box.Owner, nullptr);
        EXPECT_EQ(box.Buttons, OkButtons());
    }
    OptionFlags = OptQuiet;
    boxes.Clear();
    EXPECT_EQ(ShowHelp("mov", "$H\\api.chm"), 1u);
    EXPECT_TRUE(boxes.Boxes().empty());
    OptionFlags = 0;
}

}  // namespace
