// Help on a miss: the cache's nearest keywords in a popup menu at the caret.
#include "help/suggestmenu.h"

#include <windows.h>

#include <richedit.h>
#include <string.h>

#include "cache/cache.h"
#include "cache/suggest.h"
#include "help/help.h"
#include "shell/tembril.h"

namespace {

// A keyword and an alias that fits the keyword buffer, each with every "&"
// doubled, a tab between them, and the NUL.
constexpr uint32_t ItemTextSize = 4 * KeywordBufferSize + 2;

// Appends length bytes of text at out + *used with each "&" doubled, so that
// the menu shows it rather than underlining the next letter.
void PutItemText(char* out, uint32_t* used, const char* text, uint32_t length)
{
    for (uint32_t i = 0; i < length && *used + 2 < ItemTextSize; ++i) {
        if (text[i] == '&')
            out[(*used)++] = '&';
        out[(*used)++] = text[i];
    }
    out[*used] = 0;
}

// Where the menu opens: in screen coordinates, just below the character at
// the start of the selection (the caret, when nothing is selected).
POINT BelowCaret(HWND editor)
{
    CHARRANGE range = {0, 0};
    SendMessageA(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    POINTL at = {0, 0};
    SendMessageA(editor, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), range.cpMin);
    CHARFORMATA format = {};
    format.cbSize = sizeof format;
    format.dwMask = CFM_SIZE;
    SendMessageA(editor, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    int height = 0;
    HDC screen = GetDC(nullptr);
    if (screen != nullptr) {
        height = MulDiv(format.yHeight, GetDeviceCaps(screen, LOGPIXELSY), 1440);  // twips to pixels
        ReleaseDC(nullptr, screen);
    }
    if (height <= 0)
        height = GetSystemMetrics(SM_CYMENU);
    POINT point = {at.x, at.y + height};
    ClientToScreen(editor, &point);
    return point;
}

}  // namespace

uint32_t OfferSuggestions(char* keyword, uint32_t bareFrom)
{
    HWND editor = HostHandles != nullptr ? HostHandles->EditWindow : nullptr;
    if (editor == nullptr)
        return 0;
    Suggestion found[MaxSuggestions];
    uint32_t count = SuggestFromCache(keyword, found);
    if (count == 0 && bareFrom != 0 && bareFrom < KeywordBufferSize && memchr(keyword, 0, bareFrom) == nullptr) {
        char bare[KeywordBufferSize] = {};
        memcpy(bare, keyword + bareFrom, KeywordBufferSize - bareFrom);
        count = SuggestFromCache(bare, found);
    }
    if (count == 0)
        return 0;

    // The texts are copied out of the view: the menu's loop dispatches the
    // host's messages, and a reload among them would unmap it.
    char words[MaxSuggestions][KeywordBufferSize];
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr)
        return 0;
    for (uint32_t i = 0; i < count; ++i) {
        memcpy(words[i], found[i].Keyword, found[i].KeywordLength + 1);
        char text[ItemTextSize];
        uint32_t used = 0;
        PutItemText(text, &used, found[i].Keyword, found[i].KeywordLength);
        // Only an alias that help can open with is shown.
        if (found[i].AliasLength != 0 && found[i].AliasLength < KeywordBufferSize) {
            PutItemText(text, &used, "\t", 1);
            PutItemText(text, &used, found[i].Alias, found[i].AliasLength);
        }
        AppendMenuA(menu, MF_STRING, i + 1, text);
    }
    POINT at = BelowCaret(editor);
    UINT chosen = static_cast<UINT>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, at.x, at.y,
                       0, editor, nullptr));
    DestroyMenu(menu);
    if (chosen == 0 || chosen > count)
        return 0;

    // Exactly what the help command does with a word that a list holds. The
    // menu may have stayed open while a list was saved: the lookup is made
    // on the lists as they are now.
    memcpy(keyword, words[chosen - 1], KeywordBufferSize);
    RefreshCache();
    const char* target = LookupKeyword(keyword);
    return target != nullptr ? ShowHelp(keyword, target) : 0;
}
