// Help-target expansion: the "$" codes, the quoted form and its argument
// string. Pure code over bytes, so it also builds natively for fuzzing.
#pragma once
#include <stdint.h>

// path + NUL + argument string + NUL
constexpr uint32_t HelpWorkSize = 520;

// Whether a byte begins a double-byte character of the ANSI code page in
// which a started program's command line is read; null: none does.
typedef bool (*LeadByteTest)(unsigned char byte);

// The host's directories that the codes stand for; a null one counts as empty.
struct HelpDirs {
    const char* ToolsDir;  // $A
    const char* AddinDir;  // $D
    const char* HelpDir;   // $H
    const char* AppDir;    // $R
};

// Expands helpTarget into work (size bytes): the path, lowercased, and its
// NUL; in the quoted form with arguments, the argument string (case kept) and
// its NUL right behind, *arguments pointing at it, else *arguments is null.
// "$$" gives one "$"; any other "$" pair and a trailing "$" stay as written.
// Returns 0, and work holds an empty path, when the expansion would not fit:
// nothing is cut, since a cut path or URL names something else.
// The keyword goes in as typed, escaped only where it would break out of its
// place: with urlPath, its bytes that would end the URL or start another part
// of it are percent-escaped. The argument string is written for a command
// line that begins with the program's quoted path: the arguments are the
// template's as the C runtime splits it, written again so that both it and
// CommandLineToArgvW split them alike, and the keyword stays in its place in
// one of them, whatever it holds and whatever quotes and backslashes of the
// template stand around it. A lead byte (isLead) and the byte after it are
// one character there, and in the path, whose lowercasing leaves such a
// character's second byte as it is.
uint32_t ExpandHelpTarget(const char* helpTarget, const HelpDirs& dirs, const char* keyword, char* work, uint32_t size,
                          char** arguments, bool urlPath = false, LeadByteTest isLead = nullptr);

// H2Viewer's command line for url and keyword, NUL included in size.
constexpr uint32_t Help2CommandLineSize = 256;

// Joins the viewer's command line into commandLine (size bytes), the keyword
// as typed and as one argument, written as the argument string is; a plain
// keyword gives the line exactly as documented. Returns 0, commandLine empty,
// when it would not fit.
uint32_t BuildHelp2CommandLine(const char* url, const char* keyword, char* commandLine, uint32_t size,
                               LeadByteTest isLead = nullptr);
