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

bool IsWordChar(wchar_t c)
{
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || c == L'_';
}

// The start of the word left of position: back over blanks, then over word characters.
LONG MoveWordLeft(HWND editor, LONG position)
{
    GETTEXTLENGTHEX lengthOf = {GTL_DEFAULT, 1200};
    LONG length = static_cast<LONG>(
        CallWindowProcA(RichEditProc, editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&lengthOf), 0));
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
        bare_ = 99;
        char* result = GetKeyword(buffer(), &bare_);
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
    const EditorMessage* FindLast(UINT message) const
    {
        for (size_t i = Log.size(); i-- > 0;) {
            if (Log[i].Message == message)
                return &Log[i];
        }
        return nullptr;
    }

    HMODULE library_ = nullptr;
    HWND editor_ = nullptr;
    FakeHost host_;
    char guarded_[KeywordBufferSize + 64];
    uint32_t bare_ = 0;  // where the last capture's word stands without its prefix
};

std::string Repeat(const std::string& text, int times)
{
    std::string all;
    for (int i = 0; i < times; ++i)
        all += text;
    return all;
}

TEST_F(KeywordCapture, SelectionIsTakenWhenItFitsAndRefusedWhenNot)
{
    const std::string wide = Repeat("\xD6\xD0", 70) + "a";  // 70 double-byte characters, then a letter
    struct Case {
        std::string Text;
        LONG From, To;
        std::string Keyword;
    } cases[] = {
        {"  MOV Eax, 1  ;x", 0, 14, "mov eax, 1"},  // blanks go at both ends, inner ones stay
        {"xor \t eax", 0, 6, "xor"},                // a double-click's blank after the word, and tabs
        {std::string(127, 'A') + " b", 0, 128, std::string(127, 'a')},  // trimmed before its length counts
        {"x.MOV\r\nEAX", 2, 9, "mov\reax"},  // a line break stays (stored as one CR); no "." prefix
        {"a \t  b", 1, 5, "<null>"},
        {std::string(200, 'A'), 0, 127, std::string(127, 'a')},
        {std::string(200, 'a'), 0, 128, "<null>"},
        {std::string(200, 'a'), 0, 129, "<null>"},
        {wide, 7, 71, Repeat("\xD6\xD0", 63) + "a"},      // 64 positions, 127 bytes
        {wide, 6, 70, "<null>"},                          // 64 positions, 128 bytes: no room for the terminator
        {wide, 0, 71, "<null>"},                          // 71 positions, 141 bytes
        {" " + std::string(128, 'a'), 0, 129, "<null>"},  // too many positions, whatever the trim leaves
    };
    for (const Case& c : cases) {
        SetText(c.Text.c_str());
        Select(c.From, c.To);
        EXPECT_EQ(Capture(), c.Keyword) << c.From << ".." << c.To;
        EXPECT_EQ(bare_, 0u);
        EXPECT_FALSE(Sent(WordAtCaretCalled)) << "the host's word is not asked for on a selection";
        EXPECT_FALSE(Sent(EM_FINDWORDBREAK));
        EXPECT_EQ(Sent(EM_GETSELTEXT), c.To - c.From <= 128) << "a selection too long for the buffer is not read";
    }
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

TEST_F(KeywordCapture, CaretTakesTheHostsWordWhereTheTextHasIt)
{
    SetText("  lea Eax, [esi]");
    Select(7, 7);
    HostWord = "Eax";
    EXPECT_EQ(Capture(), "eax");
    EXPECT_EQ(WordAskedFor, editor_);
    // The host's word first, then the text either side of the caret, then
    // the character before the word; the editor's word breaks are not needed.
    std::vector<UINT> order;
    for (const EditorMessage& m : Log) {
        if (m.Message == WordAtCaretCalled || m.Message == EM_FINDWORDBREAK || m.Message == EM_GETTEXTRANGE)
            order.push_back(m.Message);
    }
    EXPECT_EQ(order, (std::vector<UINT>{WordAtCaretCalled, EM_GETTEXTRANGE, EM_GETTEXTRANGE, EM_GETTEXTRANGE}));

    // A host word that the text does not hold there: the editor's word breaks, asked from after the caret.
    HostWord = "ebx";
    EXPECT_EQ(Capture(), "ebx");
    const EditorMessage* wordBreak = Find(EM_FINDWORDBREAK);
    ASSERT_NE(wordBreak, nullptr);
    EXPECT_EQ(wordBreak->WParam, static_cast<WPARAM>(WB_MOVEWORDLEFT));
    EXPECT_EQ(wordBreak->LParam, 8);  // the caret plus 1
}

TEST_F(KeywordCapture, PrefixBeforeTheWordAndWhatDoesNotFit)
{
    struct Case {
        const char* Text;
        LONG Caret;
        std::string Word;
        std::string Keyword;
        LONG ProbeFrom, ProbeTo;
        uint32_t Bare = 0;  // a prefix that the lookup may drop
    } cases[] = {
        {"  .DATA?", 4, "DATA", ".data", 2, 3},
        {"  %Define x", 4, "Define", "%define", 2, 3, 1},
        {"jmp @F", 5, "F", "@f", 4, 5, 1},
        {"#include <a>", 3, "include", "#include", 0, 1, 1},
        {"a% b", 3, "b", "b", 2, 3},  // the byte just before the word only
        {"x %", 2, "", "%", 2, 3, 1},
        {"data .x", 0, "data", "data", 0, 0},  // at position 0: nothing before, never a prefix
        {"a. b", 2, "", ".", 1, 2},            // no word after the dot: the dot alone
        {"   ", 2, "", "<null>", 0, 0},
        {"\xD6\xD0mov", 1, "mov", "mov", 0, 1},  // a double-byte character before is not a dot
        {"x .y z", 0, std::string(127, 'w'), std::string(127, 'w'), 0, 0},
        {"x .y z", 0, std::string(128, 'w'), "<null>", -1, -1},  // refused, not cut, and nothing asked
        {"x .y z", 3, std::string(126, 'w'), "." + std::string(126, 'w'), 2, 3},
        {"x .y z", 3, std::string(127, 'w'), std::string(127, 'w'), 2, 3},  // too long with it: bare
        {"x %y z", 3, std::string(127, 'w'), std::string(127, 'w'), 2, 3},
        // The caret right after the word, before punctuation that this editor's word breaks stop at.
        {"section '.data'", 14, "data", ".data", 9, 10},
        {"  call @f,", 9, "f", "@f", 7, 8, 1},
        {"\xD6\xD0.mov'", 5, "mov", ".mov", 1, 2},  // positions, not bytes, before the word
        {"\xB0\x40mov'", 4, "mov", "mov", 0, 1},    // "@" as the second byte of a character is no prefix
    };
    for (const Case& c : cases) {
        SetText(c.Text);
        Select(c.Caret, c.Caret);
        HostWord = c.Word;
        EXPECT_EQ(Capture(), c.Keyword) << c.Text << " at " << c.Caret;
        EXPECT_EQ(bare_, c.Bare) << c.Text;
        const EditorMessage* probe = FindLast(EM_GETTEXTRANGE);
        if (c.ProbeFrom < 0) {
            EXPECT_EQ(probe, nullptr) << c.Text;
            continue;
        }
        ASSERT_NE(probe, nullptr);
        EXPECT_EQ(probe->Range.cpMin, c.ProbeFrom) << c.Text;
        EXPECT_EQ(probe->Range.cpMax, c.ProbeTo) << c.Text;
    }
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

}  // namespace
