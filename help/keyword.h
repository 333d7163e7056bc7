// The keyword of a help request, taken from the host's editor.
#pragma once
#include <stdint.h>

// Fills the 128-byte keyword buffer from the host's active editor: the
// selection, or the word at the caret (with the ".", "%", "@" or "#" that
// stands just before it, unless only the bare word fits), trimmed of blanks
// and tabs at both ends and lowercased. The buffer, or null when the keyword is empty. *bareFrom, when
// given, gets 1 when a "%", "@" or "#" was put before the word (the lookup
// then tries the word without it too), else 0.
char* GetKeyword(char* buffer, uint32_t* bareFrom = nullptr);
