// The help request: the keyword from the editor, and its help target opened.
#pragma once
#include <stdint.h>

// Fills the 128-byte keyword buffer from the host's active editor: the
// selection, or the word at the caret (with a "." before it when one stands
// there), trimmed of leading blanks and lowercased. The buffer, or null when
// the keyword is empty.
char* GetKeyword(char* buffer);

// Expands the help target's "$" codes and opens it for the keyword. Always 1.
uint32_t ShowHelp(const char* keyword, const char* helpTarget);
