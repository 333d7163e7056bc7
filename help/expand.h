// Help-target expansion: the "$" codes, the quoted form and its argument
// string. Pure code over bytes, so it also builds natively for fuzzing.
#pragma once
#include <stdint.h>

// path + NUL + argument string + NUL
constexpr uint32_t HelpWorkSize = 520;

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
// of it are percent-escaped; in the argument string it is one argument in its
// place, read by the platform's usual rules, whatever backslashes and quotes
// of the template stand around it.
uint32_t ExpandHelpTarget(const char* helpTarget, const HelpDirs& dirs, const char* keyword, char* work, uint32_t size,
                          char** arguments, bool urlPath = false);

// H2Viewer's command line for url and keyword, NUL included in size.
constexpr uint32_t Help2CommandLineSize = 256;

// Joins the viewer's command line into commandLine (size bytes), the keyword
// as typed and as one argument. Returns 0, commandLine empty, when it would not fit.
uint32_t BuildHelp2CommandLine(const char* url, const char* keyword, char* commandLine, uint32_t size);
