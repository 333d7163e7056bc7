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

bool PutText(Writer& w, const char* text)
{
    if (text == nullptr)
        text = "";
    for (; *text != 0; ++text) {
        if (!Put(w, *text))
            return false;
    }
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

// The keyword as one argument of a program's command line, read by the
// platform's usual rules (quotes group, a backslash escapes a quote, 2n
// backslashes before a quote are n). Inside the template's own quotes, its
// double quotes are escaped and the backslashes before any quote doubled, so
// it can neither close those quotes nor add arguments; outside them it is
// quoted itself, only when it holds a blank, a tab or a double quote. A
// keyword without such bytes goes in exactly as typed.
bool PutArgumentKeyword(Writer& w, const char* keyword, bool insideQuotes, bool quoteFollows)
{
    uint32_t length = StrLen(keyword);
    if (length > 0 && keyword[length - 1] == '\\')
        --length;
    bool wrap = false;
    if (!insideQuotes) {
        for (uint32_t i = 0; i < length; ++i)
            wrap = wrap || keyword[i] == ' ' || keyword[i] == '\t' || keyword[i] == '"';
    }
    if (wrap && !Put(w, '"'))
        return false;
    uint32_t backslashes = 0;
    for (uint32_t i = 0; i < length; ++i) {
        char byte = keyword[i];
        if (byte == '\\') {
            ++backslashes;
        } else {
            if (byte == '"') {
                for (uint32_t b = 0; b < backslashes + 1; ++b) {
                    if (!Put(w, '\\'))
                        return false;
                }
            }
            backslashes = 0;
        }
        if (!Put(w, byte))
            return false;
    }
    // Backslashes that end the keyword would escape the quote that follows it.
    if (wrap || (insideQuotes && quoteFollows)) {
        for (uint32_t b = 0; b < backslashes; ++b) {
            if (!Put(w, '\\'))
                return false;
        }
    }
    if (wrap && !Put(w, '"'))
        return false;
    return Terminate(w);
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
    bool insideQuotes = false;  // within a quoted part of the argument string
    uint32_t backslashes = 0;   // the template's backslashes just before this byte
    for (;;) {
        char byte = *p;
        if (byte == '$') {
            // p[1] is at most the terminator, since p[0] is not.
            const char* text = CodeText(p[1], dirs, keyword);
            if (text != nullptr) {
                bool put;
                if (p[1] != 'K')
                    put = PutDir(w, text);
                else if (inArguments)
                    put = PutArgumentKeyword(w, text, insideQuotes, p[2] == '"');
                else
                    put = urlPath ? PutUrlKeyword(w, text) : PutDir(w, text);
                if (!put)
                    return 0;
                p += 2;
            } else if (p[1] == '$') {
                if (!Put(w, '$'))
                    return 0;
                p += 2;
            } else {
                // Kept as written; the next byte goes through these rules itself.
                if (!Put(w, '$'))
                    return 0;
                ++p;
            }
            backslashes = 0;
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
            quoted = false;
            inArguments = true;
            continue;
        }
        if (inArguments) {
            if (byte == '"' && backslashes % 2 == 0)
                insideQuotes = !insideQuotes;
            backslashes = byte == '\\' ? backslashes + 1 : 0;
        }
        if (!Put(w, byte))
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
    if (PutText(w, "/helpcol ") && PutText(w, url) && PutText(w, " /filterquery /index ") &&
        PutArgumentKeyword(w, keyword != nullptr ? keyword : "", false, false) && PutText(w, " /XNav /appid Varnok") &&
        Put(w, 0))
        return 1;
    commandLine[0] = 0;
    return 0;
}
