#include <windows.h>

#include <gtest/gtest.h>

#include "common/errorbox.h"
#include "common/messages.h"
#include "shell/tembril.h"
#include "support/msgbox_capture.h"

namespace {

class ErrorBox : public ::testing::Test {
protected:
    void SetUp() override { OptionFlags = 0; }
    void TearDown() override { OptionFlags = 0; }
};

TEST(MessageTexts, AreStoredAsCodePage936Bytes)
{
    EXPECT_STREQ(MSG_REBUILD_FAILED, "\xD6\xD8\xBD\xA8\xBB\xBA\xB4\xE6\xCA\xA7\xB0\xDC\x2E\x20\xB0\xEF\xD6\xFA\xBD\xAB"
                                     "\xB2\xBB\xBF\xC9\xD3\xC3\x2E");
    EXPECT_EQ(std::string(MSG_ERROR_FORMAT).substr(0, 8), "\xB4\xED\xCE\xF3\xB4\xFA\xC2\xEB");
    EXPECT_EQ(sizeof(MSG_CREATE_SETTINGS) - 1, 283u);
    EXPECT_EQ(sizeof(MSG_ASSEMBLER_SUFFIX) - 1, 21u);
    EXPECT_EQ(GetACP(), 936u) << "tests expect Wine to run with a Chinese locale";
}

TEST_F(ErrorBox, ShowsTheSystemTextOfTheLastError)
{
    BoxCapture capture;
    SetLastError(ERROR_FILE_NOT_FOUND);
    ShowError(0);
    ASSERT_EQ(capture.Boxes().size(), 1u);
    const CapturedBox& box = capture.Boxes()[0];
    char system[256] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_FILE_NOT_FOUND, 0, system, sizeof system, nullptr);
    EXPECT_EQ(box.Text, std::string("\xB4\xED\xCE\xF3\xB4\xFA\xC2\xEB 2\r\n\xC3\xE8\xCA\xF6: ") + system);
    EXPECT_EQ(box.Owner, nullptr);
    EXPECT_EQ(box.Buttons, OkButtons());
}

TEST_F(ErrorBox, UnknownCodeIsDescribedAsUnknownAndShownEvenWhenQuiet)
{
    OptionFlags = OptQuiet;
    BoxCapture capture;
    ShowError(0xE0001234u);
    ASSERT_EQ(capture.Boxes().size(), 1u);
    EXPECT_EQ(capture.Boxes()[0].Text, "\xB4\xED\xCE\xF3\xB4\xFA\xC2\xEB -536866252\r\n\xC3\xE8\xCA\xF6: UnKnownError");
}

TEST_F(ErrorBox, FailureReportsAreSilentWhenQuiet)
{
    BoxCapture capture;
    ShowFailure(MSG_KEYWORD_TOO_LONG);
    OptionFlags = OptQuiet;
    ShowFailure(MSG_KEYWORD_TOO_LONG);
    ASSERT_EQ(capture.Boxes().size(), 1u);
    EXPECT_EQ(capture.Boxes()[0].Text, MSG_KEYWORD_TOO_LONG);
    EXPECT_EQ(capture.Boxes()[0].Caption, "\xB4\xED\xCE\xF3");  // the platform's default caption
}

}  // namespace
