#include "help/expand.h"

#include "common/text.h"

namespace {

// Appends into a fixed buffer; every byte written, NULs included, lies below Size.
struct Writer {
    char* Buffer;
    uint32_t Size;
    uint32_t Used;
};

bool Put(Writer& w, char byte)
{
    if (w.Used >= w.Size)
        return false;
    w.Buffer[w.Used++] = byte;
    return true;
}

// A directory or the keyword, through CopyDir: it writes the text and its NUL,
// so both must fit.
bool PutDir(Writer& w, const char* text)
{
    if (text == nullptr)
        text = "";
    uint32_t room = w.Size - w.Used;
    if (BoundedLength(text, room) >= room)
        return false;
    w.Used += CopyDir(w.Buffer + w.Used, text);
    return true;
}

// Room for a NUL after what was written, as CopyDir leaves one; the next
// byte written overwrites it.
bool Terminate(Writer& w)
{
    if (w.Used >= w.Size)
        return false;
    w.Buffer[w.Used] = 0;
    return true;
}

bool PutHex(Writer& w, unsigned char byte)
{
    static const char digits[] = "0123456789abcdef";  // lowercase: the path is lowercased after
    return Put(w, '%') && Put(w, digits[byte >> 4]) && Put(w, digits[byte & 15]);
}

// Bytes of a keyword that would end a URL or change its structure where the
// keyword stands: blanks and controls end it, a double quote closes the
// quoting of the shell's command for it, "#" and "&" start a fragment or
// another query parameter, and the rest mean something to a command shell.
bool BreaksUrl(unsigned char byte)
{
    if (byte <= 0x20 || byte == 0x7F)
        return true;
    switch (byte) {
    case '"':
    case '<':
    case '>':
    case '#':
    case '&':
    case '|':
    case '^':
    case '`':
    case '{':
    case '}':
        return true;
    default:
        return false;
    }
}

// The keyword in a URL: as typed (one trailing backslash dropped, as for any
// code), with only the bytes that would break out percent-escaped.
bool PutUrlKeyword(Writer& w, const char* keyword)
{
    uint32_t length = StrLen(keyword);
    if (length > 0 && keyword[length - 1] == '\\')
        --length;
    for (uint32_t i = 0; i < length; ++i) {
        unsigned char byte = static_cast<unsigned char>(keyword[i]);
        if (!(BreaksUrl(byte) ? PutHex(w, byte) : Put(w, static_cast<char>(byte))))
            return false;
    }
    return Terminate(w);
}

// An argument string as the platform's usual rules read it while it is
// written: quotes group, a backslash escapes a quote, 2n backslashes before a
// quote are n. Every byte of the argument string goes through it, so that the
// keyword is placed knowing what the template wrote around it.
struct ArgumentState {
    uint32_t Start;  // where the argument string begins in the buffer
    bool InQuotes;
    uint32_t Backslashes;   // the backslashes that end what is written
    uint32_t Literal;       // of those, the ones meant as characters: doubled if a quote follows
    bool QuoteClosed;       // the last byte is a quote that closed
    uint32_t BeforeQuote;   // the backslashes written before that quote
    bool KeywordQuoteOpen;  // the keyword opened a quote, closed at the next byte
};

bool PutBackslashes(Writer& w, uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i) {
        if (!Put(w, '\\'))
            return false;
    }
    return true;
}

// A byte of the template, a directory or the viewer's fixed text: it keeps the
// meaning it has for the platform, the keyword's backslashes before a quote
// staying backslashes.
bool PutArgumentByte(Writer& w, ArgumentState& s, char byte)
{
    if (s.KeywordQuoteOpen) {
        s.KeywordQuoteOpen = false;
        // A quote that the template opens right after the keyword continues
        // the keyword's: a closing and an opening quote side by side would
        // read as a quote character.
        if (byte == '"')
            return true;
        if (!PutBackslashes(w, s.Literal) || !Put(w, '"'))
            return false;
        s.InQuotes = false;
        s.BeforeQuote = s.Backslashes + s.Literal;
        s.Backslashes = 0;
        s.Literal = 0;
        s.QuoteClosed = true;
    }
    if (byte == '"') {
        uint32_t own = s.Backslashes - s.Literal;
        if (!PutBackslashes(w, s.Literal))
            return false;
        bool opensOrCloses = own % 2 == 0;
        if (opensOrCloses)
            s.InQuotes = !s.InQuotes;
        s.QuoteClosed = opensOrCloses && !s.InQuotes;
        s.BeforeQuote = s.Backslashes + s.Literal;
        s.Backslashes = 0;
        s.Literal = 0;
        return Put(w, byte);
    }
    s.QuoteClosed = false;
    s.Backslashes = byte == '\\' ? s.Backslashes + 1 : 0;
    s.Literal = byte == '\\' ? s.Literal : 0;
    return Put(w, byte);
}

bool PutArgumentText(Writer& w, ArgumentState& s, const char* text, uint32_t length)
{
    for (uint32_t i = 0; i < length; ++i) {
        if (!PutArgumentByte(w, s, text[i]))
            return false;
    }
    return true;
}

// The keyword's length bytes as typed, in one argument where the template puts
// them. Its quotes are escaped, and the backslashes before any quote, the
// template's included, doubled, so it can neither close the template's quotes
// nor add arguments. Outside quotes it is quoted itself only when it holds a
// blank or a tab, or is empty and would otherwise vanish between blanks, or
// would vanish between two quotes of the template (which side by side read as a
// quote character). A keyword without such bytes goes in exactly as typed.
bool PutArgumentKeyword(Writer& w, ArgumentState& s, const char* keyword, uint32_t length, char next)
{
    bool wrap = false;
    if (!s.InQuotes) {
        for (uint32_t i = 0; i < length; ++i)
            wrap = wrap || keyword[i] == ' ' || keyword[i] == '\t';
        if (length == 0) {
            char before = w.Used > s.Start ? w.Buffer[w.Used - 1] : ' ';
            bool alone = (before == ' ' || before == '\t') && (next == ' ' || next == '\t' || next == 0);
            wrap = alone || (s.QuoteClosed && next == '"');
        }
    }
    if (wrap) {
        if (s.QuoteClosed) {
            // Opens again the quote that the template just closed; the
            // backslashes before it, halved by it, are halved here.
            w.Used -= 1 + s.BeforeQuote / 2;
            s.Backslashes = s.BeforeQuote / 2;
            s.Literal = s.Backslashes;
        } else {
            // The template's backslashes before it stay backslashes.
            if (!PutBackslashes(w, s.Backslashes) || !Put(w, '"'))
                return false;
            s.Backslashes = 0;
            s.Literal = 0;
        }
        s.InQuotes = true;
        s.KeywordQuoteOpen = true;
    }
    s.QuoteClosed = false;
    for (uint32_t i = 0; i < length; ++i) {
        char byte = keyword[i];
        if (byte == '"') {
            if (!PutBackslashes(w, s.Backslashes + 1))
                return false;
            s.Backslashes = 0;
            s.Literal = 0;
        } else if (byte == '\\') {
            ++s.Backslashes;
            ++s.Literal;
        } else {
            s.Backslashes = 0;
            s.Literal = 0;
        }
        if (!Put(w, byte))
            return false;
    }
    return Terminate(w);
}

// The length of the keyword as a code puts it: CopyDir drops one trailing backslash.
uint32_t CodeLength(const char* text)
{
    uint32_t length = StrLen(text);
    return length > 0 && text[length - 1] == '\\' ? length - 1 : length;
}

const char* CodeText(char code, const HelpDirs& dirs, const char* keyword)
{
    switch (code) {
    case 'A':
        return dirs.ToolsDir != nullptr ? dirs.ToolsDir : "";
    case 'D':
        return dirs.AddinDir != nullptr ? dirs.AddinDir : "";
    case 'H':
        return dirs.HelpDir != nullptr ? dirs.HelpDir : "";
    case 'R':
        return dirs.AppDir != nullptr ? dirs.AppDir : "";
    case 'K':
        return keyword != nullptr ? keyword : "";
    default:
        return nullptr;
    }
}

uint32_t Expand(const char* p, const HelpDirs& dirs, const char* keyword, bool urlPath, Writer& w, char** arguments)
{
    bool quoted = *p == '"';
    if (quoted)
        ++p;
    bool inArguments = false;
    ArgumentState s = {};
    for (;;) {
        char byte = *p;
        if (byte == '$') {
            // p[1] is at most the terminator, since p[0] is not.
            const char* text = CodeText(p[1], dirs, keyword);
            if (text != nullptr) {
                bool put;
                if (inArguments && p[1] == 'K')
                    put = PutArgumentKeyword(w, s, text, CodeLength(text), p[2]);
                else if (inArguments)
                    put = PutArgumentText(w, s, text, CodeLength(text)) && Terminate(w);
                else if (p[1] == 'K' && urlPath)
                    put = PutUrlKeyword(w, text);
                else
                    put = PutDir(w, text);
                if (!put)
                    return 0;
                p += 2;
            } else {
                // "$$" is one "$"; any other "$" is kept as written, and the
                // byte after it goes through these rules itself.
                if (!(inArguments ? PutArgumentByte(w, s, '$') : Put(w, '$')))
                    return 0;
                p += p[1] == '$' ? 2 : 1;
            }
            continue;
        }
        if (byte == '"' && quoted) {
            if (!Put(w, 0))
                return 0;
            ++p;
            while (*p == ' ')
                ++p;
            if (*p == 0)
                return 1;
            *arguments = w.Buffer + w.Used;
            s.Start = w.Used;
            quoted = false;
            inArguments = true;
            continue;
        }
        if (!(inArguments ? PutArgumentByte(w, s, byte) : Put(w, byte)))
            return 0;
        if (byte == 0)
            return 1;
        ++p;
    }
}

}  // namespace

uint32_t ExpandHelpTarget(const char* helpTarget, const HelpDirs& dirs, const char* keyword, char* work, uint32_t size,
                          char** arguments, bool urlPath)
{
    *arguments = nullptr;
    if (size == 0)
        return 0;
    Writer w = {work, size, 0};
    if (!Expand(helpTarget != nullptr ? helpTarget : "", dirs, keyword, urlPath, w, arguments)) {
        work[0] = 0;
        *arguments = nullptr;
        return 0;
    }
    StrLower(work);
    return 1;
}

uint32_t BuildHelp2CommandLine(const char* url, const char* keyword, char* commandLine, uint32_t size)
{
    if (size == 0)
        return 0;
    Writer w = {commandLine, size, 0};
    ArgumentState s = {};
    static const char before[] = " /filterquery /index ";
    static const char after[] = " /XNav /appid Varnok";
    if (url == nullptr)
        url = "";
    if (keyword == nullptr)
        keyword = "";
    // The keyword as typed: unlike a code, it keeps a trailing backslash.
    if (PutArgumentText(w, s, "/helpcol ", 9) && PutArgumentText(w, s, url, StrLen(url)) &&
        PutArgumentText(w, s, before, sizeof before - 1) &&
        PutArgumentKeyword(w, s, keyword, StrLen(keyword), after[0]) &&
        PutArgumentText(w, s, after, sizeof after - 1) && PutArgumentByte(w, s, 0))
        return 1;
    commandLine[0] = 0;
    return 0;
}
