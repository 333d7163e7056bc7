// The keyword of one help command, taken from the host's active editor.
#include <windows.h>

#include <limits.h>
#include <richedit.h>
#include <string.h>

#include "common/dbcs.h"
#include "common/text.h"
#include "help/keyword.h"
#include "shell/host/tembril.h"

namespace {

// A keyword is at most this long: the buffer's last byte is its terminator.
// Anything longer is refused, never cut: a cut word is a different keyword.
constexpr uint32_t MaxKeyword = KeywordBufferSize - 1;

// A selection of up to a buffer's worth of positions is read, then trimmed:
// a double-clicked word of 127 bytes comes with the blank after it.
constexpr uint32_t MaxSelection = KeywordBufferSize;

// The editor writes ANSI text unbounded. A character of a double-byte code
// page takes at most two bytes per position; room for four also covers a host
// running with a wider multibyte code page.
constexpr uint32_t TextSize(uint32_t positions) { return positions * 4 + 4; }

// Room for one double-byte character before the word and its terminator.
constexpr uint32_t CharBeforeSize = 8;

// The text of the positions from..to into a buffer of TextSize(to - from)
// bytes; its length in bytes. An empty or unreadable range reads as "".
uint32_t ReadRange(HWND editor, LONG from, LONG to, char* text, uint32_t size)
{
    text[0] = 0;
    TEXTRANGEA range;
    range.chrg.cpMin = from;
    range.chrg.cpMax = to;
    range.lpstrText = text;
    SendMessageA(editor, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
    text[size - 1] = 0;
    return BoundedLength(text, size);
}

// Cuts the blanks and tabs at the end of a keyword: a double-click selects a
// word with the blank after it. Neither byte can end a double-byte character.
void TrimRight(char* text)
{
    uint32_t n = StrLen(text);
    while (n > 0 && (text[n - 1] == ' ' || text[n - 1] == '\t'))
        --n;
    text[n] = 0;
}

void ReadSelection(HWND editor, uint32_t length, char* buffer)
{
    if (length > MaxSelection)
        return;
    char text[TextSize(MaxSelection)];
    text[0] = 0;
    SendMessageA(editor, EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(text));
    text[sizeof text - 1] = 0;
    TrimLeft(text, text);
    TrimRight(text);
    uint32_t n = BoundedLength(text, sizeof text);
    if (n > MaxKeyword)
        return;
    memcpy(buffer, text, n + 1);
}

// Bytes that belong to the word after them: a directive's "." (the word is
// taken with it, always), and the "%", "@" and "#" of other assemblers' names
// (tried with it first, then without).
bool IsPrefix(char c) { return c == '.' || c == '%' || c == '@' || c == '#'; }

// Where the host's word of length bytes begins, found in the text on both
// sides of the caret: the word lies across the caret or ends at it. The part
// before the caret is taken as long as it can be, so that a caret between two
// words that both match stands after the first, where typing leaves it.
// -1 when the text there is not the host's word.
LONG FindWordAround(HWND editor, LONG caret, const char* word, uint32_t length)
{
    if (length == 0 || caret < 0)
        return -1;
    LONG reach = static_cast<LONG>(length);  // a word of n bytes spans at most n positions
    char before[TextSize(MaxKeyword)];
    char after[TextSize(MaxKeyword)];
    uint32_t nBefore = ReadRange(editor, caret > reach ? caret - reach : 0, caret, before, sizeof before);
    LONG end = caret < LONG_MAX - reach ? caret + reach : LONG_MAX;
    uint32_t nAfter = ReadRange(editor, caret, end, after, sizeof after);
    for (uint32_t i = nBefore < length ? nBefore : length;; --i) {
        const char* head = before + nBefore - i;
        if (length - i <= nAfter && memcmp(head, word, i) == 0 && memcmp(after, word + i, length - i) == 0 &&
            CutLength(before, nBefore, nBefore - i) == nBefore - i) {  // a character starts at head
            int positions = i != 0 ? MultiByteToWideChar(CP_ACP, 0, head, static_cast<int>(i), nullptr, 0) : 0;
            return caret - positions;
        }
        if (i == 0)
            return -1;
    }
}

void ReadWordAtCaret(HWND editor, LONG caret, char* buffer, uint32_t* bareFrom)
{
    // Asked first and copied last: the host keeps the word valid over the
    // editor messages in between.
    GetWordAtCaretProc getWord = HostProcs != nullptr ? HostProcs->GetWordAtCaret : nullptr;
    const char* word = getWord != nullptr ? getWord(editor) : nullptr;
    if (word == nullptr)
        word = "";
    uint32_t n = BoundedLength(word, MaxKeyword + 1);
    if (n > MaxKeyword)
        return;

    // The host decides what the word is; the text says where it begins.
    // Editors break words differently, and one that stops at punctuation
    // answers the caret right after a word with the word's last letter. Only
    // a word that is not there is left to the editor's own word breaks.
    LONG start = FindWordAround(editor, caret, word, n);
    if (start < 0) {
        LONG from = static_cast<LONG>(static_cast<uint32_t>(caret) + 1);
        start = static_cast<LONG>(SendMessageA(editor, EM_FINDWORDBREAK, WB_MOVEWORDLEFT, from));
    }
    char charBefore[CharBeforeSize];
    ReadRange(editor, start > 0 ? start - 1 : 0, start > 0 ? start : 0, charBefore, sizeof charBefore);

    // A word that does not fit with its prefix is still tried bare.
    uint32_t used = IsPrefix(charBefore[0]) && charBefore[1] == 0 && n < MaxKeyword ? 1 : 0;
    if (used != 0)
        buffer[0] = charBefore[0];
    memcpy(buffer + used, word, n + 1);
    if (used != 0 && charBefore[0] != '.')
        *bareFrom = 1;
}

}  // namespace

char* GetKeyword(char* buffer, uint32_t* bareFrom)
{
    uint32_t bare = 0;
    buffer[0] = 0;
    HWND editor = HostHandles != nullptr ? HostHandles->EditWindow : nullptr;
    if (editor != nullptr) {
        CHARRANGE range = {0, 0};
        SendMessageA(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
        // Unsigned: a range reported backwards counts as a very long selection.
        uint32_t length = static_cast<uint32_t>(range.cpMax) - static_cast<uint32_t>(range.cpMin);
        if (length != 0)
            ReadSelection(editor, length, buffer);
        else
            ReadWordAtCaret(editor, range.cpMin, buffer, &bare);
    }
    // A prefix is never a blank: the trim leaves the bare word where it was.
    TrimLeft(buffer, buffer);
    TrimRight(buffer);
    StrLower(buffer);
    if (bareFrom != nullptr)
        *bareFrom = bare;
    return buffer[0] != 0 ? buffer : nullptr;
}
