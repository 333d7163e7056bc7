// The keywords of the cache nearest to a word that no list holds, offered
// when a help command finds nothing. Pure code over the mapped view, like the
// lookup: it builds natively and is fuzzed, and reads nothing outside the view.
#pragma once
#include <stdint.h>

constexpr uint32_t MaxSuggestions = 10;

struct Suggestion {
    const char* Keyword;  // in the view, NUL-terminated
    uint32_t KeywordLength;
    const char* Alias;  // in the view, NUL-terminated; empty when the entry has none
    uint32_t AliasLength;
    uint32_t Common;  // bytes the keyword shares with the word from its start
};

// Up to MaxSuggestions keywords that begin with the word's first byte (word
// is length bytes followed by a NUL): the longest common prefix first, then
// the length closest to the word's, then the cache's order. Each keyword
// comes once, as the entry a lookup would find; keywords too long for the
// keyword buffer are left out. Returns how many were put in out.
uint32_t SuggestKeywords(const char* view, uint32_t size, const char* word, uint32_t length, Suggestion* out);
// The same with the walk chosen by the caller: wide for the SSE2 build, which
// only a processor with SSE2 may run. SuggestKeywords asks the processor.
uint32_t SuggestKeywordsUsing(bool wide, const char* view, uint32_t size, const char* word, uint32_t length,
                              Suggestion* out);

struct BucketRange;
// The SSE2 build's search through the word's bucket, built beside the SSE2 walk.
uint32_t SuggestInBucketSse2(const BucketRange& range, const char* word, uint32_t length, Suggestion* out);
