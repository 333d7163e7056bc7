// The keyword of one help command, taken from the host's active editor.
#include <windows.h>

#include <richedit.h>
#include <string.h>

#include "common/text.h"
#include "help/keyword.h"
#include "shell/tembril.h"

namespace {

// A keyword is at most this long: the buffer's last byte is its terminator.
// Anything longer is refused, never cut: a cut word is a different keyword.
constexpr uint32_t MaxKeyword = KeywordBufferSize - 1;

// EM_GETSELTEXT writes as much as the selection holds, unbounded. A character
// of a double-byte code page takes at most two bytes per position; room for
// four also covers a host running with a wider multibyte code page.
constexpr uint32_t SelectionTextSize = MaxKeyword * 4 + 4;

// Room for one double-byte character before the word and its terminator.
constexpr uint32_t CharBeforeSize = 8;

void ReadSelection(HWND editor, uint32_t length, char* buffer)
{
    if (length > MaxKeyword)
        return;
    char text[SelectionTextSize];
    text[0] = 0;
    SendMessageA(editor, EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(text));
    uint32_t n = BoundedLength(text, sizeof text);
    if (n > MaxKeyword)
        return;
    memcpy(buffer, text, n + 1);
}

// Bytes that belong to the word after them: a directive's "." (the word is
// taken with it, always), and the "%", "@" and "#" of other assemblers' names
// (tried with it first, then without).
bool IsPrefix(char c) { return c == '.' || c == '%' || c == '@' || c == '#'; }

// Cuts the blanks and tabs at the end of a keyword: a double-click selects a
// word with the blank after it.
void TrimRight(char* text)
{
    uint32_t n = StrLen(text);
    while (n > 0 && (text[n - 1] == ' ' || text[n - 1] == '\t'))
        --n;
    text[n] = 0;
}

void ReadWordAtCaret(HWND editor, LONG caret, char* buffer, uint32_t* bareFrom)
{
    // Asked first and copied last: the host keeps the word valid over the
    // two editor messages in between.
    GetWordAtCaretProc getWord = HostProcs != nullptr ? HostProcs->GetWordAtCaret : nullptr;
    const char* word = getWord != nullptr ? getWord(editor) : nullptr;
    if (word == nullptr)
        word = "";

    // The host decides what the word is; the editor only where it begins.
    LONG from = static_cast<LONG>(static_cast<uint32_t>(caret) + 1);
    LONG start = static_cast<LONG>(SendMessageA(editor, EM_FINDWORDBREAK, WB_MOVEWORDLEFT, from));
    char charBefore[CharBeforeSize] = {};
    TEXTRANGEA probe;
    probe.chrg.cpMin = start > 0 ? start - 1 : 0;
    probe.chrg.cpMax = start > 0 ? start : 0;
    probe.lpstrText = charBefore;
    SendMessageA(editor, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&probe));

    uint32_t used = 0;
    if (IsPrefix(charBefore[0]) && charBefore[1] == 0)
        used = 1;
    uint32_t room = MaxKeyword - used;
    uint32_t n = BoundedLength(word, room + 1);
    if (n > room)
        return;
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
