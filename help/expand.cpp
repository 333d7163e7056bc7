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

// A directory, through CopyDir: it writes the text and its NUL, so both must fit.
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

// The length bytes of the keyword in the path: in a URL with only the bytes
// that would break out percent-escaped, elsewhere as they are.
bool PutKeyword(Writer& w, const char* keyword, uint32_t length, bool url)
{
    for (uint32_t i = 0; i < length; ++i) {
        unsigned char byte = static_cast<unsigned char>(keyword[i]);
        if (!(url && BreaksUrl(byte) ? PutHex(w, byte) : Put(w, static_cast<char>(byte))))
            return false;
    }
    return Terminate(w);
}

// An argument string is written from a stream of the template's bytes, the
// directories already in, and the keyword's places. The template is read as
// the C runtime reads a command line (Microsoft's rule since Visual C++ 2008,
// the one of the Universal CRT): inside quotes, a quote right after a quote is
// a quote character and the quotes go on. CommandLineToArgvW reads that pair
// as a quote character too but ends the quotes, so the two read runs of quotes
// apart; the arguments are therefore written again in the one form that both
// read alike: an argument quoted as a whole
// when it holds a blank or a tab or the template quoted it or it is empty,
// each quote character as \", the backslashes before any written quote doubled.
// The keyword, whatever it holds, then stays one piece of its argument.
constexpr uint16_t KeywordPlace = 0x100;

struct ArgumentStream {
    uint16_t Items[HelpWorkSize];
    uint32_t Length;
};

bool Push(ArgumentStream& stream, uint16_t item)
{
    if (stream.Length >= HelpWorkSize)
        return false;
    stream.Items[stream.Length++] = item;
    return true;
}

bool PushText(ArgumentStream& stream, const char* text, uint32_t length)
{
    for (uint32_t i = 0; i < length; ++i) {
        if (!Push(stream, static_cast<unsigned char>(text[i])))
            return false;
    }
    return true;
}

// A lead byte and the byte after it are one character of the ANSI code page
// when that byte can be its second (every double-byte code page's second
// bytes are 0x40 and above); the platform then reads a 0x5C there as part of
// the character, not as a backslash. A lead byte without such a second byte
// would swallow the byte behind it when the line is made wide, so it is left out.
uint32_t CharacterLength(const unsigned char* text, uint32_t length, LeadByteTest isLead)
{
    if (isLead == nullptr || !isLead(text[0]))
        return 1;
    return length > 1 && text[1] >= 0x40 ? 2 : 0;
}

// Writes the arguments, each as a whole: a quote is put before an argument's
// first byte once it is known to need one.
struct ArgumentWriter {
    Writer& W;
    LeadByteTest IsLead;
    bool Started;          // an argument was begun before this one
    uint32_t ArgStart;     // where the current argument begins in the buffer
    bool Quoted;           // it has its opening quote
    bool Empty;            // nothing of it is written yet
    uint32_t Backslashes;  // held back until it is known whether a quote follows
};

bool PutBackslashes(Writer& w, uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i) {
        if (!Put(w, '\\'))
            return false;
    }
    return true;
}

bool BeginArgument(ArgumentWriter& a)
{
    if (a.Started && !Put(a.W, ' '))
        return false;
    a.Started = true;
    a.ArgStart = a.W.Used;
    a.Quoted = false;
    a.Empty = true;
    a.Backslashes = 0;
    return true;
}

// What is written of the argument reads the same inside quotes: no quote of
// its own is bare, and backslashes before a written quote are held back.
bool QuoteArgument(ArgumentWriter& a)
{
    if (a.Quoted)
        return true;
    if (!Put(a.W, 0))
        return false;
    for (uint32_t i = a.W.Used - 1; i > a.ArgStart; --i)
        a.W.Buffer[i] = a.W.Buffer[i - 1];
    a.W.Buffer[a.ArgStart] = '"';
    a.Quoted = true;
    return true;
}

// length bytes of one character of the argument, as the program is to receive them.
bool PutCharacter(ArgumentWriter& a, const unsigned char* text, uint32_t length)
{
    a.Empty = false;
    if (length == 1 && text[0] == '\\') {
        ++a.Backslashes;
        return true;
    }
    if (length == 1 && (text[0] == ' ' || text[0] == '\t') && !QuoteArgument(a))
        return false;
    bool quote = length == 1 && text[0] == '"';
    if (!PutBackslashes(a.W, quote ? 2 * a.Backslashes + 1 : a.Backslashes))
        return false;
    a.Backslashes = 0;
    for (uint32_t i = 0; i < length; ++i) {
        if (!Put(a.W, static_cast<char>(text[i])))
            return false;
    }
    return true;
}

bool EndArgument(ArgumentWriter& a)
{
    if (a.Empty && !QuoteArgument(a))
        return false;
    if (!PutBackslashes(a.W, a.Quoted ? 2 * a.Backslashes : a.Backslashes))
        return false;
    return !a.Quoted || Put(a.W, '"');
}

bool PutKeyword(ArgumentWriter& a, const char* keyword, uint32_t length)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(keyword);
    for (uint32_t i = 0; i < length;) {
        uint32_t n = CharacterLength(bytes + i, length - i, a.IsLead);
        if (n > 0 && !PutCharacter(a, bytes + i, n))
            return false;
        i += n > 0 ? n : 1;
    }
    return true;
}

bool IsBlank(uint16_t item) { return item == ' ' || item == '\t'; }

// The stream read by the C runtime's rule, each argument written again.
bool PutArguments(Writer& w, const ArgumentStream& stream, const char* keyword, uint32_t keywordLength,
                  LeadByteTest isLead)
{
    ArgumentWriter a = {w, isLead, false, 0, false, true, 0};
    const uint16_t* items = stream.Items;
    uint32_t length = stream.Length;
    static const unsigned char quote = '"';
    static const unsigned char backslash = '\\';
    uint32_t i = 0;
    for (;;) {
        while (i < length && IsBlank(items[i]))
            ++i;
        if (i == length)
            break;
        if (!BeginArgument(a))
            return false;
        bool inQuotes = false;
        while (i < length && (inQuotes || !IsBlank(items[i]))) {
            uint16_t item = items[i];
            if (item == KeywordPlace) {
                if (!PutKeyword(a, keyword, keywordLength))
                    return false;
                ++i;
            } else if (item == '\\') {
                uint32_t run = 0;
                while (i < length && items[i] == '\\')
                    ++run, ++i;
                bool beforeQuote = i < length && items[i] == '"';
                for (uint32_t n = beforeQuote ? run / 2 : run; n > 0; --n) {
                    if (!PutCharacter(a, &backslash, 1))
                        return false;
                }
                if (beforeQuote && run % 2 == 1) {
                    if (!PutCharacter(a, &quote, 1))
                        return false;
                    ++i;
                }
            } else if (item == '"') {
                ++i;
                if (inQuotes && i < length && items[i] == '"') {
                    if (!PutCharacter(a, &quote, 1))
                        return false;
                    ++i;
                } else {
                    inQuotes = !inQuotes;
                    if (inQuotes && !QuoteArgument(a))
                        return false;
                }
            } else {
                unsigned char bytes[2] = {static_cast<unsigned char>(item), 0};
                uint32_t n = 1;
                if (isLead != nullptr && isLead(bytes[0])) {
                    n = i + 1 < length && items[i + 1] >= 0x40 && items[i + 1] < KeywordPlace ? 2 : 0;
                    bytes[1] = n == 2 ? static_cast<unsigned char>(items[i + 1]) : 0;
                }
                if (n > 0 && !PutCharacter(a, bytes, n))
                    return false;
                i += n > 0 ? n : 1;
            }
        }
        if (!EndArgument(a))
            return false;
    }
    return Terminate(w);
}

// The length of a code's text as CopyDir puts it: without one trailing backslash.
uint32_t CodeLength(const char* text)
{
    uint32_t length = StrLen(text);
    return length > 0 && text[length - 1] == '\\' ? length - 1 : length;
}

// The keyword's length in the argument string: a trailing backslash is
// dropped as by CopyDir, but not the second byte of a character.
uint32_t KeywordLength(const char* keyword, LeadByteTest isLead)
{
    uint32_t length = StrLen(keyword);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(keyword);
    uint32_t last = 0;
    for (uint32_t i = 0; i < length;) {
        last = i;
        uint32_t n = CharacterLength(bytes + i, length - i, isLead);
        i += n > 0 ? n : 1;
    }
    return length > 0 && last == length - 1 && bytes[last] == '\\' ? length - 1 : length;
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

// The rest of the template, after the path's closing quote and its blanks,
// as the argument writer's stream: codes other than the keyword put in.
bool ReadArguments(const char* p, const HelpDirs& dirs, ArgumentStream& stream)
{
    for (; *p != 0;) {
        if (*p == '$') {
            // p[1] is at most the terminator, since p[0] is not.
            const char* text = CodeText(p[1], dirs, nullptr);
            if (p[1] == 'K') {
                if (!Push(stream, KeywordPlace))
                    return false;
                p += 2;
            } else if (text != nullptr) {
                if (!PushText(stream, text, CodeLength(text)))
                    return false;
                p += 2;
            } else {
                // "$$" is one "$"; any other "$" is kept as written, and the
                // byte after it goes through these rules itself.
                if (!Push(stream, '$'))
                    return false;
                p += p[1] == '$' ? 2 : 1;
            }
            continue;
        }
        if (!Push(stream, static_cast<unsigned char>(*p)))
            return false;
        ++p;
    }
    return true;
}

uint32_t Expand(const char* p, const HelpDirs& dirs, const char* keyword, bool urlPath, LeadByteTest isLead, Writer& w,
                char** arguments)
{
    bool quoted = *p == '"';
    if (quoted)
        ++p;
    for (;;) {
        char byte = *p;
        if (byte == '$') {
            const char* text = CodeText(p[1], dirs, keyword);
            if (text != nullptr) {
                if (!(p[1] == 'K' ? PutKeyword(w, text, KeywordLength(text, isLead), urlPath) : PutDir(w, text)))
                    return 0;
                p += 2;
            } else {
                if (!Put(w, '$'))
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
            ArgumentStream stream;
            stream.Length = 0;
            if (keyword == nullptr)
                keyword = "";
            return ReadArguments(p, dirs, stream) &&
                   PutArguments(w, stream, keyword, KeywordLength(keyword, isLead), isLead);
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
                          char** arguments, bool urlPath, LeadByteTest isLead)
{
    *arguments = nullptr;
    if (size == 0)
        return 0;
    Writer w = {work, size, 0};
    if (!Expand(helpTarget != nullptr ? helpTarget : "", dirs, keyword, urlPath, isLead, w, arguments)) {
        work[0] = 0;
        *arguments = nullptr;
        return 0;
    }
    StrLower(work);
    return 1;
}

uint32_t BuildHelp2CommandLine(const char* url, const char* keyword, char* commandLine, uint32_t size,
                               LeadByteTest isLead)
{
    if (size == 0)
        return 0;
    Writer w = {commandLine, size, 0};
    static const char before[] = "/helpcol ";
    static const char middle[] = " /filterquery /index ";
    static const char after[] = " /XNav /appid Varnok";
    if (url == nullptr)
        url = "";
    if (keyword == nullptr)
        keyword = "";
    ArgumentStream stream;
    stream.Length = 0;
    // The keyword as typed: unlike a code, it keeps a trailing backslash.
    if (PushText(stream, before, sizeof before - 1) && PushText(stream, url, StrLen(url)) &&
        PushText(stream, middle, sizeof middle - 1) && Push(stream, KeywordPlace) &&
        PushText(stream, after, sizeof after - 1) && PutArguments(w, stream, keyword, StrLen(keyword), isLead))
        return 1;
    commandLine[0] = 0;
    return 0;
}
