// The host's editor: a RichEdit with the host's own word breaks, and the
// trace of what the add-in asks it during a help command.
#include <algorithm>

#include "support/temp_dir.h"
#include "testhost/host.h"

namespace {

WNDPROC EditorBaseProc = nullptr;

// The editor's text in UTF-16, one unit per character position (paragraphs
// end in a lone CR, as the positions count them).
std::wstring EditorText(HWND editor)
{
    GETTEXTLENGTHEX lengthQuery = {GTL_DEFAULT | GTL_NUMCHARS, 1200};
    LRESULT length = SendMessageW(editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&lengthQuery), 0);
    if (length <= 0)
        return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
    GETTEXTEX query = {static_cast<DWORD>(buffer.size() * sizeof(wchar_t)), GT_DEFAULT, 1200, nullptr, nullptr};
    LRESULT got = SendMessageW(editor, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&query),
                               reinterpret_cast<LPARAM>(buffer.data()));
    return std::wstring(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

// What the host takes for a word of assembly source: the dot belongs to the
// text before a word (the add-in looks for it), not to the word.
bool IsWordChar(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_' || c == L'$' ||
           c == L'?' || c >= 0x80;
}

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == 0x0B || c == 0x0C || c == 0x3000;
}

// The editor's word-break procedures, of which EM_FINDWORDBREAK's
// WB_MOVEWORDLEFT asks for the start of the word before the position: back
// over blanks, then back over the rest of the word. Wine's RichEdit answers 0
// to EM_FINDWORDBREAK, so the editor answers it here through the one chosen.
LONG MoveWordLeft(LPCWSTR text, int position, int length, bool punctuationBreaks)
{
    int p = std::max(0, std::min(position, length));
    while (p > 0 && IsBlank(text[p - 1]))
        --p;
    if (p == 0)
        return 0;
    bool word = IsWordChar(text[p - 1]);
    while (p > 0 && !IsBlank(text[p - 1]) && (!punctuationBreaks || IsWordChar(text[p - 1]) == word))
        --p;
    return p;
}

// As Windows' RichEdit breaks: a run of punctuation is a word of its own.
int CALLBACK BreakAtPunctuation(LPWSTR text, int position, int length, int code)
{
    return code == WB_MOVEWORDLEFT ? MoveWordLeft(text, position, length, true) : position;
}

// As a plainer editor breaks: only blanks end a word, punctuation is part of it.
int CALLBACK BreakAtBlanks(LPWSTR text, int position, int length, int code)
{
    return code == WB_MOVEWORDLEFT ? MoveWordLeft(text, position, length, false) : position;
}

EDITWORDBREAKPROCW WordBreak = BreakAtPunctuation;

std::string Quoted(const char* ansi) { return "\"" + AnsiToUtf8(ansi) + "\""; }

// What the add-in asked the editor during a help command, and what it got.
void Trace(UINT message, WPARAM wParam, LPARAM lParam, LRESULT result)
{
    char line[160];
    switch (message) {
    case EM_EXGETSEL: {
        const CHARRANGE* range = reinterpret_cast<const CHARRANGE*>(lParam);
        wsprintfA(line, "editor: EM_EXGETSEL -> %ld-%ld", range->cpMin, range->cpMax);
        Print(*CurrentHost(), line);
        break;
    }
    case EM_FINDWORDBREAK:
        wsprintfA(line, "editor: EM_FINDWORDBREAK %u from %ld -> %ld", static_cast<unsigned>(wParam),
                  static_cast<long>(lParam), static_cast<long>(result));
        Print(*CurrentHost(), line);
        break;
    case EM_GETTEXTRANGE: {
        const TEXTRANGEA* range = reinterpret_cast<const TEXTRANGEA*>(lParam);
        wsprintfA(line, "editor: EM_GETTEXTRANGE %ld-%ld -> ", range->chrg.cpMin, range->chrg.cpMax);
        Print(*CurrentHost(), line + Quoted(range->lpstrText));
        break;
    }
    case EM_GETSELTEXT:
        Print(*CurrentHost(), "editor: EM_GETSELTEXT -> " + Quoted(reinterpret_cast<const char*>(lParam)));
        break;
    default:
        break;
    }
}

LRESULT CALLBACK EditorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (message == EM_FINDWORDBREAK && wParam == WB_MOVEWORDLEFT) {
        std::wstring text = EditorText(window);
        result = WordBreak(&text[0], static_cast<int>(lParam), static_cast<int>(text.size()), WB_MOVEWORDLEFT);
    } else {
        result = CallWindowProcA(EditorBaseProc, window, message, wParam, lParam);
    }
    if (CurrentHost() != nullptr && CurrentHost()->InHelp)
        Trace(message, wParam, lParam, result);
    return result;
}

}  // namespace

HWND CreateEditor(Host& host)
{
    HWND editor = CreateWindowExA(WS_EX_CLIENTEDGE, "RichEdit20A", "",
                                  WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                                      ES_AUTOHSCROLL | ES_NOHIDESEL,
                                  0, 0, 10, 10, host.Main, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (editor == nullptr)
        return nullptr;
    EditorBaseProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(editor, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditorProc)));
    SendMessageA(editor, EM_EXLIMITTEXT, 0, 1 << 20);
    // One font for the life of the process.
    static HFONT font = CreateFontW(-15, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, L"Courier New");
    SendMessageA(editor, WM_SETFONT, reinterpret_cast<WPARAM>(font ? font : GetStockObject(ANSI_FIXED_FONT)), TRUE);
    return editor;
}

bool SetWordBreak(const std::string& name)
{
    if (name != "punctuation" && name != "blanks")
        return false;
    WordBreak = name == "punctuation" ? BreakAtPunctuation : BreakAtBlanks;
    return true;
}

void SetEditorText(Host& host, const std::string& ansi)
{
    SetWindowTextA(host.Editor, ansi.c_str());
    SetSelection(host, 0, 0);
}

void LoadSource(Host& host, const std::string& path)
{
    if (!FileExists(path)) {
        Print(host, "source: cannot open " + AnsiToUtf8(path));
        return;
    }
    std::string text = ReadFileBytes(path);
    if (text.size() > (1u << 20))
        text.resize(1u << 20);
    SetEditorText(host, text);
}

void SetSelection(Host& host, LONG first, LONG last)
{
    CHARRANGE range = {first, last};
    SendMessageA(host.Editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

CHARRANGE GetSelection(Host& host)
{
    CHARRANGE range = {0, 0};
    SendMessageA(host.Editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    return range;
}

LONG FindInEditor(Host& host, const std::string& ansi, int occurrence)
{
    std::wstring text = EditorText(host.Editor);
    std::wstring needle = ToWide(ansi, CP_ACP);
    if (needle.empty())
        return -1;
    size_t at = 0;
    for (int n = 0; n < occurrence; ++n) {
        at = text.find(needle, n == 0 ? 0 : at + 1);
        if (at == std::wstring::npos)
            return -1;
    }
    return static_cast<LONG>(at);
}

const char* __stdcall HostWordAtCaret(HWND editor)
{
    static char word[1024];
    word[0] = 0;
    // The host's own questions to its editor are not the add-in's: no trace.
    Host* host = CurrentHost();
    bool tracing = host != nullptr && host->InHelp;
    if (tracing)
        host->InHelp = false;
    std::wstring text = EditorText(editor);
    CHARRANGE sel = {0, 0};
    SendMessageA(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
    LONG length = static_cast<LONG>(text.size());
    LONG caret = std::max<LONG>(0, std::min<LONG>(sel.cpMin, length));
    LONG first = caret, last = caret;
    while (first > 0 && IsWordChar(text[first - 1]))
        --first;
    while (last < length && IsWordChar(text[last]))
        ++last;
    if (last > first) {
        int n = WideCharToMultiByte(CP_ACP, 0, text.data() + first, last - first, word, sizeof word - 1, nullptr,
                                    nullptr);
        word[n > 0 ? n : 0] = 0;
    }
    if (tracing) {
        host->InHelp = true;
        Print(*host, "host: GetWordAtCaret -> " + Quoted(word));
    }
    return word;
}
