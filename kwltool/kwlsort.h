// Rewrites a keyword list in the cache's order: title and description kept,
// keywords lowercased and trimmed, duplicates kept once, every line ended by
// CR LF.
#pragma once
#include <stddef.h>

#include <string>
#include <vector>

// The kinds of change a rewrite makes, in the order its summary tells them.
enum class SortChange { LineEnd, Trimmed, Lowercased, EmptyDropped, DuplicateDropped, Reordered };

struct SortNote {
    SortChange Kind;
    std::string Text;  // "line N: ..."
};

struct SortResult {
    std::string Output;
    std::vector<SortNote> Changes;  // every change, in the order met
    bool Ok = false;                // false: no title and description to keep
};

SortResult SortKeywordList(const char* bytes, size_t size);

// One line for each kind of change: how many, and the first of them. A list of
// Win32 names written in their own case would otherwise give a line a keyword.
std::vector<std::string> SortSummary(const std::vector<SortNote>& changes);
