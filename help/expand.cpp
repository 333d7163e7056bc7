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

// The length of text when it is shorter than limit, else limit: never reads
// past the terminator nor beyond limit bytes.
uint32_t BoundedLength(const char* text, uint32_t limit)
{
    uint32_t n = 0;
    while (n < limit && text[n] != 0)
        ++n;
    return n;
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

const char* CodeText(char code, const HelpDirs& dirs, const char* keyword)
{
    switch (code) {
    case 'A': return dirs.ToolsDir != nullptr ? dirs.ToolsDir : "";
    case 'D': return dirs.AddinDir != nullptr ? dirs.AddinDir : "";
    case 'H': return dirs.HelpDir != nullptr ? dirs.HelpDir : "";
    case 'R': return dirs.AppDir != nullptr ? dirs.AppDir : "";
    case 'K': return keyword != nullptr ? keyword : "";
    default: return nullptr;
    }
}

uint32_t Expand(const char* p, const HelpDirs& dirs, const char* keyword, Writer& w, char** arguments)
{
    bool quoted = *p == '"';
    if (quoted)
        ++p;
    for (;;) {
        char byte = *p;
        if (byte == '$') {
            // p[1] is at most the terminator, since p[0] is not.
            const char* text = CodeText(p[1], dirs, keyword);
            if (text != nullptr) {
                if (!PutDir(w, text))
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
            continue;
        }
        if (!Put(w, byte))
            return 0;
        if (byte == 0)
            return 1;
        ++p;
    }
}

} // namespace

uint32_t ExpandHelpTarget(const char* helpTarget, const HelpDirs& dirs, const char* keyword, char* work,
                          uint32_t size, char** arguments)
{
    *arguments = nullptr;
    if (size == 0)
        return 0;
    Writer w = {work, size, 0};
    if (!Expand(helpTarget != nullptr ? helpTarget : "", dirs, keyword, w, arguments)) {
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
    if (PutText(w, "/helpcol ") && PutText(w, url) && PutText(w, " /filterquery /index ") && PutText(w, keyword) &&
        PutText(w, " /XNav /appid Varnok") && Put(w, 0))
        return 1;
    commandLine[0] = 0;
    return 0;
}
