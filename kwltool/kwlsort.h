// Rewrites a keyword list in the cache's order: title and description kept,
// keywords lowercased, duplicates kept once, every line ended by CR LF.
#pragma once
#include <stddef.h>

#include <string>
#include <vector>

struct SortResult {
    std::string Output;
    std::vector<std::string> Warnings;  // what the rewrite changed, one line each
    bool Ok = false;                    // false: no title and description to keep
};

SortResult SortKeywordList(const char* bytes, size_t size);
