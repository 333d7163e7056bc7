// The help request: the keyword from the editor, and its help target opened.
#pragma once
#include <stdint.h>

// Fills the 128-byte keyword buffer from the host's active editor: the
// selection, or the word at the caret (with the ".", "%", "@" or "#" that
// stands just before it), trimmed of blanks and tabs at both ends and
// lowercased. The buffer, or null when the keyword is empty. *bareFrom, when
// given, gets 1 when a "%", "@" or "#" was put before the word (the lookup
// then tries the word without it too), else 0.
char* GetKeyword(char* buffer, uint32_t* bareFrom = nullptr);

// Help on a word that no list holds: a popup menu at the caret offers the
// cache's nearest keywords (those of the word from bareFrom on when the whole
// word has none); the one chosen is looked up and opened as the help command
// would. 1 when help was opened, 0 when nothing was offered or the menu was
// dismissed.
uint32_t OfferSuggestions(char* keyword, uint32_t bareFrom);

// Expands the help target's "$" codes and opens it for the keyword. Always 1.
uint32_t ShowHelp(const char* keyword, const char* helpTarget);
