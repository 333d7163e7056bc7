// Keyword capture against a real RichEdit control. Wine's RichEdit answers
// EM_FINDWORDBREAK with 0 for every code, so the editor here is subclassed to
// answer WB_MOVEWORDLEFT as the control does on Windows.
#include <windows.h>

#include <richedit.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "help/help.h"
#include "help_support.h"

namespace {

constexpr UINT WordAtCaretCalled = 0xFFFFFFFFu;  // logged where the host's routine ran

struct EditorMessage {
    UINT Message;
    WPARAM WParam;
    LPARAM LParam;
    CHARRANGE Range;  // the range of an EM_GETTEXTRANGE
};

std::vector<EditorMessage> Log;
bool Logging;
WNDPROC RichEditProc;
bool ForceSelection;
CHARRANGE ForcedSelection;
std::string HostWord;
HWND WordAskedFor;

bool IsWordChar(wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || c == L'_'; }

// The start of the word left of position: back over blanks, then over word characters.
LONG MoveWordLeft(HWND editor, LONG position)
{
    GETTEXTLENGTHEX lengthOf = {GTL_DEFAULT, 1200};
    LONG length = static_cast<LONG>(CallWindowProcA(RichEditProc, editor, EM_GETTEXTLENGTHEX,
                                                    reinterpret_cast<WPARAM>(&lengthOf), 0));
    std::wstring text(length + 1, L'\0');
    GETTEXTEX get = {static_cast<DWORD>((length + 1) * sizeof(wchar_t)), GT_DEFAULT, 1200, nullptr, nullptr};
    CallWindowProcA(RichEditProc, editor, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get),
                    reinterpret_cast<LPARAM>(&text[0]));
    LONG p = position < length ? position : length;
    while (p > 0 && (text[p - 1] == L' ' || text[p - 1] == L'\t'))
        --p;
    while (p > 0 && IsWordChar(text[p - 1]))
        --p;
    return p;
}

LRESULT CALLBACK EditorProc(HWND editor, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (Logging) {
        EditorMessage seen = {message, wParam, lParam, {0, 0}};
        if (message == EM_GETTEXTRANGE)
            seen.Range = reinterpret_cast<TEXTRANGEA*>(lParam)->chrg;
        Log.push_back(seen);
    }
    if (message == EM_FINDWORDBREAK && wParam == WB_MOVEWORDLEFT)
        return MoveWordLeft(editor, static_cast<LONG>(lParam));
    if (message == EM_EXGETSEL && ForceSelection) {
        *reinterpret_cast<CHARRANGE*>(lParam) = ForcedSelection;
        return 0;
    }
    return CallWindowProcA(RichEditProc, editor, message, wParam, lParam);
}

const char* __stdcall TestWordAtCaret(HWND editor)
{
    WordAskedFor = editor;
    if (Logging)
        Log.push_back({WordAtCaretCalled, 0, 0, {0, 0}});
    return HostWord.c_str();
}

class KeywordCapture : public ::testing::Test {
protected:
    void SetUp() override
    {
        library_ = LoadLibraryA("riched20.dll");
        ASSERT_NE(library_, nullptr);
        editor_ = CreateWindowExA(0, RICHEDIT_CLASSA, "", WS_POPUP | ES_MULTILINE, 0, 0, 400, 200, nullptr, nullptr,
                                  nullptr, nullptr);
        ASSERT_NE(editor_, nullptr);
        RichEditProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(editor_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditorProc)));
        host_.Handles.EditWindow = editor_;
        host_.Procs.GetWordAtCaret = TestWordAtCaret;
        Log.clear();
        ForceSelection = false;
        HostWord.clear();
        WordAskedFor = nullptr;
        memset(guarded_, 0xCC, sizeof guarded_);
    }
    void TearDown() override
    {
        Logging = false;
        if (editor_ != nullptr)
            DestroyWindow(editor_);
        if (library_ != nullptr)
            FreeLibrary(library_);
    }

    void SetText(const char* text) { SetWindowTextA(editor_, text); }
    void Select(LONG from, LONG to)
    {
        CHARRANGE range = {from, to};
        SendMessageA(editor_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    }
    // GetKeyword over a 128-byte buffer with guard bytes behind it; the
    // keyword, or "<null>".
    std::string Capture()
    {
        Log.clear();
        Logging = true;
        char* result = GetKeyword(buffer());
        Logging = false;
        for (size_t i = KeywordBufferSize; i < sizeof guarded_; ++i)
            EXPECT_EQ(static_cast<unsigned char>(guarded_[i]), 0xCCu) << "written past the keyword buffer at " << i;
        if (result == nullptr)
            return "<null>";
        EXPECT_EQ(result, buffer());
        return result;
    }
    char* buffer() { return guarded_; }
    bool Sent(UINT message) const
    {
        for (const EditorMessage& m : Log) {
            if (m.Message == message)
                return true;
        }
        return false;
    }
    const EditorMessage* Find(UINT message) const
    {
        for (const EditorMessage& m : Log) {
            if (m.Message == message)
                return &m;
        }
        return nullptr;
    }

    HMODULE library_ = nullptr;
    HWND editor_ = nullptr;
    FakeHost host_;
    char guarded_[KeywordBufferSize + 64];
};

TEST_F(KeywordCapture, SelectionIsTakenTrimmedOnTheLeftAndLowercased)
{
    SetText("  MOV Eax, 1  ;x");
    Select(0, 14);
    EXPECT_EQ(Capture(), "mov eax, 1  ");
    EXPECT_FALSE(Sent(WordAtCaretCalled)) << "the host's word is not asked for on a selection";
    EXPECT_FALSE(Sent(EM_FINDWORDBREAK));
}

TEST_F(KeywordCapture, SelectionKeepsItsLineBreakAndIsNeverPrefixed)
{
    SetText("x.MOV\r\nEAX");
    Select(2, 9);
    EXPECT_EQ(Capture(), "mov\reax");  // the editor stores a line break as one CR
}

TEST_F(KeywordCapture, AllBlankSelectionYieldsNull)
{
    SetText("a \t  b");
    Select(1, 5);
    EXPECT_EQ(Capture(), "<null>");
}

TEST_F(KeywordCapture, CaretTakesTheHostsWordWhereTheEditorSaysItBegins)
{
    SetText("  lea Eax, [esi]");
    Select(7, 7);
    HostWord = "Eax";
    EXPECT_EQ(Capture(), "eax");
    EXPECT_EQ(WordAskedFor, editor_);
    // The host's word first, then where it begins, then the character before.
    std::vector<UINT> order;
    for (const EditorMessage& m : Log) {
        if (m.Message == WordAtCaretCalled || m.Message == EM_FINDWORDBREAK || m.Message == EM_GETTEXTRANGE)
            order.push_back(m.Message);
    }
    EXPECT_EQ(order, (std::vector<UINT>{WordAtCaretCalled, EM_FINDWORDBREAK, EM_GETTEXTRANGE}));
    const EditorMessage* wordBreak = Find(EM_FINDWORDBREAK);
    ASSERT_NE(wordBreak, nullptr);
    EXPECT_EQ(wordBreak->WParam, static_cast<WPARAM>(WB_MOVEWORDLEFT));
    EXPECT_EQ(wordBreak->LParam, 8);  // the caret plus 1
    const EditorMessage* probe = Find(EM_GETTEXTRANGE);
    ASSERT_NE(probe, nullptr);
    EXPECT_EQ(probe->Range.cpMin, 5);
    EXPECT_EQ(probe->Range.cpMax, 6);
}

TEST_F(KeywordCapture, DotBeforeTheWordIsPutInFront)
{
    SetText("  .DATA?");
    Select(4, 4);
    HostWord = "DATA";
    EXPECT_EQ(Capture(), ".data");
}

TEST_F(KeywordCapture, WordAtPositionZeroIsNeverPrefixed)
{
    SetText("data .x");
    Select(0, 0);
    HostWord = "data";
    EXPECT_EQ(Capture(), "data");
    const EditorMessage* probe = Find(EM_GETTEXTRANGE);
    ASSERT_NE(probe, nullptr);
    EXPECT_EQ(probe->Range.cpMin, 0);
    EXPECT_EQ(probe->Range.cpMax, 0);
}

TEST_F(KeywordCapture, EmptyWordAfterADotIsTheDotAlone)
{
    SetText("a. b");
    Select(2, 2);
    HostWord = "";
    EXPECT_EQ(Capture(), ".");
}

TEST_F(KeywordCapture, EmptyWordWithNothingBeforeYieldsNull)
{
    SetText("   ");
    Select(2, 2);
    HostWord = "";
    EXPECT_EQ(Capture(), "<null>");
}

TEST_F(KeywordCapture, DoubleByteCharacterBeforeTheWordIsNotADot)
{
    SetText("\xD6\xD0mov");  // a double-byte character, then the word
    Select(1, 1);
    HostWord = "mov";
    EXPECT_EQ(Capture(), "mov");
}

TEST_F(KeywordCapture, SelectionOf127PositionsIsTakenLongerOnesAreRefused)
{
    std::string text(200, 'a');
    SetText(text.c_str());
    Select(0, 127);
    EXPECT_EQ(Capture(), std::string(127, 'a'));
    Select(0, 128);
    EXPECT_EQ(Capture(), "<null>");
    EXPECT_FALSE(Sent(EM_GETSELTEXT)) << "a selection too long for the buffer is not read";
    Select(0, 129);
    EXPECT_EQ(Capture(), "<null>");
    EXPECT_FALSE(Sent(EM_GETSELTEXT));
}

TEST_F(KeywordCapture, ReversedSelectionCountsAsLongAndYieldsNull)
{
    SetText("mov eax, ebx");
    ForceSelection = true;
    ForcedSelection = {8, 4};
    EXPECT_EQ(Capture(), "<null>");
    EXPECT_FALSE(Sent(EM_GETSELTEXT));
    EXPECT_FALSE(Sent(WordAtCaretCalled));
}

TEST_F(KeywordCapture, DoubleByteSelectionIsTakenWhenItFitsAndRefusedWhenNot)
{
    std::string wide;
    for (int i = 0; i < 70; ++i)
        wide += "\xD6\xD0";
    SetText((wide + "a").c_str());
    // 63 characters and the letter after them: 64 positions, 127 bytes.
    Select(7, 71);
    EXPECT_EQ(Capture(), wide.substr(0, 126) + "a");
    // 64 positions, 128 bytes: no room for the terminator.
    Select(6, 70);
    EXPECT_EQ(Capture(), "<null>");
    // 71 positions, 141 bytes: far more than the buffer.
    Select(0, 71);
    EXPECT_EQ(Capture(), "<null>");
}

TEST_F(KeywordCapture, HostWordThatDoesNotFitIsRefusedNotCut)
{
    SetText("x .y z");
    Select(0, 0);
    HostWord = std::string(127, 'w');
    EXPECT_EQ(Capture(), std::string(127, 'w'));
    HostWord = std::string(128, 'w');
    EXPECT_EQ(Capture(), "<null>");

    Select(3, 3);  // after the dot: one byte less for the word
    HostWord = std::string(126, 'w');
    EXPECT_EQ(Capture(), "." + std::string(126, 'w'));
    HostWord = std::string(127, 'w');
    EXPECT_EQ(Capture(), "<null>");
}

TEST_F(KeywordCapture, NoActiveEditorSendsNothingAndYieldsNull)
{
    SetText("mov");
    Select(0, 3);
    HostWord = "mov";
    host_.Handles.EditWindow = nullptr;
    EXPECT_EQ(Capture(), "<null>");
    EXPECT_TRUE(Log.empty()) << "no message to any editor, no host word";
    EXPECT_EQ(WordAskedFor, nullptr);
}

} // namespace
