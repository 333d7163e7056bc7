// Help on a word that no list holds, offered from the cache's nearest keywords.
#pragma once
#include <stdint.h>

// A popup menu at the caret offers the cache's nearest keywords (those of the
// word from bareFrom on when the whole word has none); the one chosen is
// looked up and opened as the help command would. 1 when help was opened, 0
// when nothing was offered or the menu was dismissed.
uint32_t OfferSuggestions(char* keyword, uint32_t bareFrom);
