// Checks a keyword-list file the way the cache build and the lookup will
// treat it, so a list author learns of an unreachable keyword before F1
// silently opens nothing. Works on the file's bytes alone.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

enum class Severity {
    Warning,      // works, but not as the author may think
    Unreachable,  // a keyword (or its alias) that help will never find
    BuildFails,   // the whole cache build fails: help is unavailable
};

struct Problem {
    uint32_t Line;  // 1-based, counted as the line reader counts: a line ends at its CR
    Severity Level;
    std::string Text;
};

struct CheckResult {
    std::vector<Problem> Problems;
    uint32_t Keywords = 0;
    uint32_t Count(Severity level) const;
    bool Clean() const { return Count(Severity::BuildFails) == 0 && Count(Severity::Unreachable) == 0; }
};

CheckResult CheckKeywordList(const char* bytes, size_t size);

const char* SeverityName(Severity level);
