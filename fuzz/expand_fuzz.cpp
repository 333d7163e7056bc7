// Help-target expansion over templates, directories and keywords of any
// length and content: it must stay inside its buffers, keep the path and the
// arguments terminated, and never read past any input's terminator. And the
// keyword never changes the arguments: read by either of the platform's
// readers, the started program's arguments are the template's own split with
// a plain word for the keyword, the keyword in that word's place.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "help/expand.h"

namespace {

// Input pieces are separated by 0xFE bytes: template, keyword, then the four
// directories. Each is copied into a block of exactly its size, so the
// sanitizer sees any read past its terminator.
std::vector<std::vector<char>> Pieces(const uint8_t* data, size_t size)
{
    std::vector<std::vector<char>> pieces(6);
    size_t at = 0;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0xFE && at + 1 < pieces.size())
            ++at;
        else if (data[i] != 0)
            pieces[at].push_back(static_cast<char>(data[i]));
    }
    for (auto& piece : pieces)
        piece.push_back(0);
    return pieces;
}

void Check(const char* work, uint32_t size, const char* arguments)
{
    if (memchr(work, 0, size) == nullptr)
        __builtin_trap();
    if (arguments != nullptr) {
        if (arguments <= work || arguments >= work + size || memchr(arguments, 0, work + size - arguments) == nullptr)
            __builtin_trap();
    }
}

typedef std::vector<std::string> Argv;

bool IsGbkLead(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

// The characters of text: a lead byte and the byte after it are one.
std::vector<std::string> Characters(const std::string& text, LeadByteTest isLead)
{
    std::vector<std::string> characters;
    for (size_t i = 0; i < text.size();) {
        size_t n = isLead != nullptr && isLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
        characters.push_back(text.substr(i, n));
        i += n;
    }
    return characters;
}

bool IsBlank(const std::string& c) { return c == " " || c == "\t"; }

// CommandLineToArgvW after the program's name: inside quotes, two quotes are
// a quote character and end the quotes; three in a row are one quote.
Argv ShellSplit(const std::string& line, LeadByteTest isLead)
{
    std::vector<std::string> c = Characters(line, isLead);
    Argv argv;
    std::string arg;
    bool inArg = false;
    int quotes = 0;
    size_t backslashes = 0;
    for (size_t i = 0; i < c.size();) {
        if (IsBlank(c[i]) && quotes == 0) {
            if (inArg)
                argv.push_back(arg);
            arg.clear();
            inArg = false;
            backslashes = 0;
            ++i;
            continue;
        }
        inArg = true;
        if (c[i] == "\\") {
            arg += '\\';
            ++backslashes;
            ++i;
            continue;
        }
        if (c[i] != "\"") {
            arg += c[i];
            backslashes = 0;
            ++i;
            continue;
        }
        if (backslashes % 2 == 0) {
            arg.resize(arg.size() - backslashes / 2);
            ++quotes;
        } else {
            arg.resize(arg.size() - backslashes / 2 - 1);
            arg += '"';
        }
        backslashes = 0;
        for (++i; i < c.size() && c[i] == "\""; ++i) {
            if (++quotes == 3) {
                arg += '"';
                quotes = 0;
            }
        }
        if (quotes == 2)
            quotes = 0;
    }
    if (inArg)
        argv.push_back(arg);
    return argv;
}

// The C runtime's __argv after the program's name: inside quotes, two quotes
// are a quote character and the quotes go on.
Argv RuntimeSplit(const std::string& line, LeadByteTest isLead)
{
    std::vector<std::string> c = Characters(line, isLead);
    Argv argv;
    size_t i = 0;
    for (;;) {
        while (i < c.size() && IsBlank(c[i]))
            ++i;
        if (i == c.size())
            return argv;
        std::string arg;
        bool inQuotes = false;
        while (i < c.size() && (inQuotes || !IsBlank(c[i]))) {
            if (c[i] == "\\") {
                size_t run = 0;
                for (; i < c.size() && c[i] == "\\"; ++i)
                    ++run;
                bool beforeQuote = i < c.size() && c[i] == "\"";
                arg.append(beforeQuote ? run / 2 : run, '\\');
                if (beforeQuote && run % 2 == 1) {
                    arg += '"';
                    ++i;
                }
            } else if (c[i] == "\"") {
                if (inQuotes && i + 1 < c.size() && c[i + 1] == "\"") {
                    arg += '"';
                    i += 2;
                } else {
                    inQuotes = !inQuotes;
                    ++i;
                }
            } else {
                arg += c[i++];
            }
        }
        argv.push_back(arg);
    }
}

// A plain word for the keyword: no byte of it means anything to a reader,
// and inputs that hold its first byte are not checked.
const char Marker[] = "\x01mark\x01";

// The template's argument string with the codes put in as ExpandHelpTarget
// puts them, and the marker for the keyword.
std::string Reference(const char* p, const HelpDirs& dirs)
{
    std::string text;
    for (; *p != 0;) {
        if (p[0] != '$') {
            text += *p++;
            continue;
        }
        const char* dir = nullptr;
        switch (p[1]) {
        case 'A':
            dir = dirs.ToolsDir;
            break;
        case 'D':
            dir = dirs.AddinDir;
            break;
        case 'H':
            dir = dirs.HelpDir;
            break;
        case 'R':
            dir = dirs.AppDir;
            break;
        case 'K':
            text += Marker;
            p += 2;
            continue;
        default:
            text += '$';
            p += p[1] == '$' ? 2 : 1;
            continue;
        }
        std::string d = dir;
        if (!d.empty() && d.back() == '\\')
            d.pop_back();
        text += d;
        p += 2;
    }
    return text;
}

Argv Replaced(Argv argv, const std::string& keyword)
{
    for (std::string& arg : argv) {
        std::string out;
        for (size_t at = 0; at < arg.size();) {
            if (arg.compare(at, sizeof Marker - 1, Marker) == 0) {
                out += keyword;
                at += sizeof Marker - 1;
            } else {
                out += arg[at++];
            }
        }
        arg = out;
    }
    return argv;
}

// The keyword as a started program receives it: one trailing backslash goes,
// but not a character's second byte.
std::string Received(const std::string& keyword, LeadByteTest isLead)
{
    std::vector<std::string> c = Characters(keyword, isLead);
    return !c.empty() && c.back() == "\\" ? keyword.substr(0, keyword.size() - 1) : keyword;
}

// In a double-byte code page only whole characters, so that no reader's
// view of the bytes depends on where a broken one ends; a directory's last
// character is not one whose second byte CopyDir would take for a backslash.
std::string Whole(const std::vector<char>& piece, bool directory)
{
    std::vector<std::string> characters;
    for (size_t i = 0; i + 1 < piece.size(); ++i) {
        unsigned char byte = static_cast<unsigned char>(piece[i]);
        unsigned char next = static_cast<unsigned char>(piece[i + 1]);
        if (byte < 0x80)
            characters.push_back(std::string(1, piece[i]));
        else if (IsGbkLead(byte) && next >= 0x40 && next != 0x7F && next != 0xFF)
            characters.push_back(std::string(&piece[i++], 2));
    }
    while (directory && !characters.empty() && characters.back().size() == 2 && characters.back()[1] == '\\')
        characters.pop_back();
    std::string text;
    for (const std::string& c : characters)
        text += c;
    return text;
}

void CheckArguments(const std::vector<std::vector<char>>& pieces, LeadByteTest isLead)
{
    std::string parts[6];
    for (size_t i = 0; i < 6; ++i)
        parts[i] = isLead != nullptr ? Whole(pieces[i], i >= 2) : std::string(pieces[i].data());
    HelpDirs dirs = {parts[2].c_str(), parts[3].c_str(), parts[4].c_str(), parts[5].c_str()};
    std::string target = "\"p.exe\" " + parts[0];
    size_t skip = 0;
    while (skip < parts[0].size() && parts[0][skip] == ' ')
        ++skip;
    for (const std::string& part : parts) {
        if (part.find(Marker[0]) != std::string::npos)
            return;
    }
    std::string reference = Reference(parts[0].c_str() + skip, dirs);
    Argv expected = Replaced(RuntimeSplit(reference, isLead), Received(parts[1], isLead));
    std::vector<char> work(HelpWorkSize);
    char* arguments = nullptr;
    if (!ExpandHelpTarget(target.c_str(), dirs, parts[1].c_str(), work.data(), HelpWorkSize, &arguments, false, isLead))
        return;
    std::string line = arguments != nullptr ? arguments : "";
    if (ShellSplit(line, isLead) != expected || RuntimeSplit(line, isLead) != expected)
        __builtin_trap();

    std::string viewer = "/helpcol " + parts[0] + " /filterquery /index " + Marker + " /XNav /appid Varnok";
    expected = Replaced(RuntimeSplit(viewer, isLead), parts[1]);
    std::vector<char> viewerLine(Help2CommandLineSize);
    if (!BuildHelp2CommandLine(parts[0].c_str(), parts[1].c_str(), viewerLine.data(), Help2CommandLineSize, isLead))
        return;
    if (ShellSplit(viewerLine.data(), isLead) != expected || RuntimeSplit(viewerLine.data(), isLead) != expected)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto pieces = Pieces(data, size);
    HelpDirs dirs = {pieces[2].data(), pieces[3].data(), pieces[4].data(), pieces[5].data()};
    for (bool url : {false, true}) {
        std::vector<char> work(HelpWorkSize);
        char* arguments = nullptr;
        if (ExpandHelpTarget(pieces[0].data(), dirs, pieces[1].data(), work.data(), HelpWorkSize, &arguments, url))
            Check(work.data(), HelpWorkSize, arguments);
        else if (work[0] != 0 || arguments != nullptr)
            __builtin_trap();
    }
    std::vector<char> line(Help2CommandLineSize);
    if (BuildHelp2CommandLine(pieces[0].data(), pieces[1].data(), line.data(), Help2CommandLineSize))
        Check(line.data(), Help2CommandLineSize, nullptr);
    CheckArguments(pieces, nullptr);
    CheckArguments(pieces, IsGbkLead);
    return 0;
}
