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

void ReadWordAtCaret(HWND editor, LONG caret, char* buffer)
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
    if (charBefore[0] == '.' && charBefore[1] == 0)
        used = 1;
    uint32_t room = MaxKeyword - used;
    uint32_t n = BoundedLength(word, room + 1);
    if (n > room)
        return;
    if (used != 0)
        buffer[0] = '.';
    memcpy(buffer + used, word, n + 1);
}

}  // namespace

char* GetKeyword(char* buffer)
{
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
            ReadWordAtCaret(editor, range.cpMin, buffer);
    }
    TrimLeft(buffer, buffer);
    StrLower(buffer);
    return buffer[0] != 0 ? buffer : nullptr;
}
