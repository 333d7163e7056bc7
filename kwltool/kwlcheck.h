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
    std::vector<std::string> Names;  // every non-empty keyword, in file order
    uint32_t Keywords = 0;
    uint32_t Count(Severity level) const;
    bool Clean() const { return Count(Severity::BuildFails) == 0 && Count(Severity::Unreachable) == 0; }
};

CheckResult CheckKeywordList(const char* bytes, size_t size);

const char* SeverityName(Severity level);

// The names of a KeywordLists value as the cache takes them: lowercased, split
// at ",", trimmed, the pseudo-list "default" left out when it stands last.
std::vector<std::string> EnabledListNames(const std::string& value, bool* withDefault);

// Why the add-in would find no list for an enabled name (as EnabledListNames
// gives it), given the list names of the files at hand; empty when it would.
std::string UnfoundListReason(const std::string& name, const std::vector<std::string>& fileNames);

// A keyword held by more than one enabled list. A lookup takes the list named
// latest in the enabled order: the last of Lists.
struct SharedKeyword {
    std::string Keyword;
    std::vector<uint32_t> Lists;  // indexes into the enabled order, ascending
};

// lists[i]: the keywords of the i-th enabled list (CheckResult::Names). The
// result is in byte order of the keywords.
std::vector<SharedKeyword> FindSharedKeywords(const std::vector<const std::vector<std::string>*>& lists);
