// The help target opened for the keyword, and the openers behind it: each
// hands one expanded help target to an outside component and returns
// without waiting for it.
#pragma once
#include <stdint.h>

// Expands the help target's "$" codes and opens it for the keyword. Always 1.
uint32_t ShowHelp(const char* keyword, const char* helpTarget);

// How an expanded help path is opened, decided in this order: an "ms-help:"
// URL, any other URL, no extension (unset or not), ".hlp", ".exe", ".chm" or
// ".col", then an unset path or an unknown extension.
enum class HelpOpener { Help2Viewer, Shell, NotSet, NoExtension, WinHelp, Program, HtmlHelp, UnknownExtension };
HelpOpener ClassifyHelpPath(const char* path);

// Expands a help target for the keyword into the 520-byte work buffer as a
// request opens it: 0 when the expansion does not fit (nothing is opened).
uint32_t ExpandForOpening(const char* keyword, const char* helpTarget, char* work, char** arguments);

// Starts program with a command line of its own quoted path, then the
// arguments when there are any, so that its runtime reads its name as
// argv[0] and the arguments as they were written. Handles are closed at once.
void RunProgram(const char* program, const char* arguments);

// Keyword lookup in an HTML Help file or collection. hhctrl.ocx is loaded on
// first use and kept; the file's default topic is displayed only when the
// window of the last display no longer exists.
void ShowHtmlHelp(const char* path, const char* keyword);

// Starts H2Viewer.exe from the add-in directory for an "ms-help:" URL.
void ShowHelp2(const char* url, const char* keyword);
