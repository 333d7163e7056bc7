#include <windows.h>

#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "common/errorbox.h"
#include "common/messages.h"
#include "shell/host/tembril.h"
#include "support/msgbox_capture.h"

namespace {

// Points this program's import of a system function, which the code under
// test calls through, at a stand-in while it lives.
class ImportStandIn {
public:
    ImportStandIn(void* function, void* standIn) : original_(function)
    {
        BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
        auto* headers = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
        DWORD imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
        for (auto* module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports); module->Name != 0; ++module) {
            for (void** slot = reinterpret_cast<void**>(base + module->FirstThunk); *slot != nullptr; ++slot) {
                if (*slot == function && slot_ == nullptr)
                    slot_ = slot;
            }
        }
        if (slot_ != nullptr)
            Point(standIn);
    }
    ~ImportStandIn()
    {
        if (slot_ != nullptr)
            Point(original_);
    }
    ImportStandIn(const ImportStandIn&) = delete;
    ImportStandIn& operator=(const ImportStandIn&) = delete;
    bool Active() const { return slot_ != nullptr; }

private:
    void Point(void* function)
    {
        DWORD old = 0;
        VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &old);
        *slot_ = function;
        VirtualProtect(slot_, sizeof *slot_, old, &old);
    }

    void* original_;
    void** slot_ = nullptr;
};

// The system's text for any code, and the text of the box shown, as bytes.
std::string SystemText;
std::string ShownText;

DWORD WINAPI SystemTextStandIn(DWORD, LPCVOID, DWORD, DWORD, LPSTR buffer, DWORD, va_list*)
{
    char* block = static_cast<char*>(LocalAlloc(LMEM_FIXED, SystemText.size() + 1));
    memcpy(block, SystemText.c_str(), SystemText.size() + 1);
    *reinterpret_cast<char**>(buffer) = block;
    return static_cast<DWORD>(SystemText.size());
}

int WINAPI MessageBoxStandIn(HWND, LPCSTR text, LPCSTR, UINT)
{
    ShownText = text;
    return IDOK;
}

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

// The box text has 256 bytes with its NUL: the widest code leaves the rest to
// the description, cut at the last whole character that fits.
TEST_F(ErrorBox, DescriptionIsCutAtTheLastWholeCharacterThatFits)
{
    const std::string head = "\xB4\xED\xCE\xF3\xB4\xFA\xC2\xEB -2147483648\r\n\xC3\xE8\xCA\xF6: ";
    const size_t room = 255 - head.size();
    const std::string wide = "\xC4\xE3";  // one double-byte character
    struct Case {
        std::string Description;
        size_t Kept;
    } cases[] = {
        {std::string(room, 'a'), room},
        {std::string(room + 1, 'a'), room},
        {std::string(room - 2, 'a') + wide, room},
        {std::string(room - 2, 'a') + wide + "b", room},
        {std::string(room - 1, 'a') + wide, room - 1},
        {std::string(room - 1, 'a') + wide + wide, room - 1},
    };
    // The box's own window would drop a lone lead byte: the text is taken as handed to it.
    ImportStandIn system(reinterpret_cast<void*>(&FormatMessageA), reinterpret_cast<void*>(&SystemTextStandIn));
    ImportStandIn box(reinterpret_cast<void*>(&MessageBoxA), reinterpret_cast<void*>(&MessageBoxStandIn));
    ASSERT_TRUE(system.Active() && box.Active());
    for (const Case& c : cases) {
        SystemText = c.Description;
        ShownText.clear();
        ShowError(0x80000000u);
        EXPECT_EQ(ShownText, head + c.Description.substr(0, c.Kept)) << c.Description.size();
    }
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
