// The keyword of a help request, taken from the host's editor.
#pragma once
#include <stdint.h>

// Fills the 128-byte keyword buffer from the host's active editor: the
// selection, or the word at the caret (with a "." before it when one stands
// there), trimmed of leading blanks and lowercased. The buffer, or null when
// the keyword is empty.
char* GetKeyword(char* buffer);
