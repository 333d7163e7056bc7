#include "kwltool/kwlcheck.h"

#include <string.h>

#include <algorithm>
#include <unordered_map>

#include "common/text.h"

namespace {

// The longest keyword the cache build accepts, and the longest word a help
// request can hold (its 128-byte buffer keeps one byte for the terminator).
constexpr size_t LongestStoredKeyword = 128;
constexpr size_t LongestWord = 127;
constexpr size_t LongestLine = 4094;  // a line and its CR LF fit the reader's window

struct RawLine {
    const char* Text;
    size_t Length;  // bytes before the CR
    uint32_t Number;
};

std::string Shown(const char* text, size_t length)
{
    std::string shown;
    for (size_t i = 0; i < length && shown.size() < 60; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) {
            static const char hex[] = "0123456789abcdef";
            shown += "\\x";
            shown += hex[c >> 4];
            shown += hex[c & 15];
        } else {
            shown += static_cast<char>(c);
        }
    }
    if (length > 60)
        shown += "...";
    return "\"" + shown + "\"";
}

class Checker {
public:
    explicit Checker(CheckResult& result) : result_(result) {}

    void Add(uint32_t line, Severity level, std::string text)
    {
        result_.Problems.push_back(Problem{line, level, std::move(text)});
    }

    void Header(const RawLine& line, const char* what)
    {
        if (line.Length == 0)
            Add(line.Number, Severity::BuildFails, std::string("empty ") + what + ": the cache build fails");
        if (memchr(line.Text, '=', line.Length) != nullptr)
            Add(line.Number, Severity::Warning,
                std::string(what) + " holds \"=\": the line reader cuts it there (the dialog shows it whole)");
        Common(line);
    }

    void Keyword(const RawLine& line, bool first)
    {
        Common(line);
        const char* equals = static_cast<const char*>(memchr(line.Text, '=', line.Length));
        size_t keywordLength = equals ? static_cast<size_t>(equals - line.Text) : line.Length;
        std::string keyword(line.Text, keywordLength);
        ++result_.Keywords;

        if (first && keywordLength == 0) {
            Add(line.Number, Severity::BuildFails, "the first keyword line is empty: the cache build fails");
            return;
        }
        if (keywordLength == 0) {
            Add(line.Number, Severity::Unreachable, "empty keyword: it is stored but never matched");
            return;
        }
        if (equals != nullptr) {
            const char* alias = equals + 1;
            size_t rest = line.Length - keywordLength - 1;
            const char* second = static_cast<const char*>(memchr(alias, '=', rest));
            size_t aliasLength = second ? static_cast<size_t>(second - alias) : rest;
            if (second != nullptr)
                Add(line.Number, Severity::Warning, "a second \"=\": the text after it is ignored");
            if (aliasLength > LongestWord)
                Add(line.Number, Severity::Warning,
                    "alias over 127 bytes: it is ignored and help opens for the keyword itself");
        }
        if (keywordLength > LongestStoredKeyword) {
            Add(line.Number, Severity::BuildFails, "keyword over 128 bytes: the whole cache build fails");
        } else if (keywordLength > LongestWord) {
            Add(line.Number, Severity::Unreachable, "keyword of 128 bytes: a looked-up word holds at most 127");
        }
        for (char c : keyword) {
            if (c >= 'A' && c <= 'Z') {
                Add(line.Number, Severity::Unreachable,
                    "uppercase letter: words are looked up in lower case, so it is never found");
                break;
            }
        }
        unsigned char lead = static_cast<unsigned char>(keyword[0]);
        if (lead == 0x7F || lead == 0xFF) {
            Add(line.Number, Severity::Unreachable, "first byte 0x7f or 0xff: such keywords are never found");
        } else if (lead >= 0x80) {
            Add(line.Number, Severity::Unreachable,
                "first byte 0x80 or above: it does not sort consistently, so it is not reliably found");
        }
        auto seen = seen_.emplace(keyword, line.Number);
        if (!seen.second) {
            Add(line.Number, Severity::Unreachable,
                "duplicate of line " + std::to_string(seen.first->second) + ": this one is never reached");
        } else if (previousLine_ != 0 && StrCmp(previous_.c_str(), keyword.c_str()) > 0) {
            Add(line.Number, Severity::Unreachable,
                "out of order after " + Shown(previous_.data(), previous_.size()) + " (line " +
                    std::to_string(previousLine_) + "): it may not be found");
        }
        previous_ = keyword;
        previousLine_ = line.Number;
    }

private:
    void Common(const RawLine& line)
    {
        if (line.Length > LongestLine)
            Add(line.Number, Severity::BuildFails, "line over 4094 bytes: it does not fit the reader's window");
        if (memchr(line.Text, '\n', line.Length) != nullptr)
            Add(line.Number, Severity::Unreachable,
                "lone LF inside the line: only CR LF ends a line, so it becomes part of the text");
    }

    CheckResult& result_;
    std::string previous_;
    std::unordered_map<std::string, uint32_t> seen_;
    uint32_t previousLine_ = 0;
};

}  // namespace

uint32_t CheckResult::Count(Severity level) const
{
    uint32_t n = 0;
    for (const Problem& p : Problems)
        n += p.Level == level;
    return n;
}

const char* SeverityName(Severity level)
{
    switch (level) {
    case Severity::Warning:
        return "warning";
    case Severity::Unreachable:
        return "unreachable";
    case Severity::BuildFails:
        return "error";
    }
    return "?";
}

CheckResult CheckKeywordList(const char* bytes, size_t size)
{
    CheckResult result;
    Checker checker(result);
    std::vector<RawLine> lines;
    size_t at = 0;
    uint32_t number = 1;
    while (at < size) {
        // As the reader does: the first CR that is not the file's last byte ends
        // a line, and the one byte after it is taken for its LF.
        const char* cr = static_cast<const char*>(memchr(bytes + at, '\r', size - at));
        if (cr == nullptr || static_cast<size_t>(cr - bytes) + 1 >= size) {
            checker.Add(number, Severity::Unreachable,
                        "last line has no CR LF: the reader never hands it out, so it is dropped");
            break;
        }
        size_t end = static_cast<size_t>(cr - bytes);
        lines.push_back(RawLine{bytes + at, end - at, number});
        if (bytes[end + 1] != '\n')
            checker.Add(number, Severity::Unreachable,
                        "lone CR: it ends the line and the byte after it is lost from the next line");
        at = end + 2;
        ++number;
    }

    if (size == 0) {
        checker.Add(1, Severity::BuildFails, "empty file: the cache build fails");
        return result;
    }
    if (lines.size() < 1) {
        checker.Add(1, Severity::BuildFails, "no complete title line: the cache build fails");
        return result;
    }
    checker.Header(lines[0], "title");
    if (lines.size() < 2) {
        checker.Add(2, Severity::BuildFails, "no description line: the cache build fails");
        return result;
    }
    checker.Header(lines[1], "description");
    if (lines.size() < 3) {
        checker.Add(3, Severity::BuildFails, "no keyword line: the cache build fails");
        return result;
    }
    for (size_t i = 2; i < lines.size(); ++i)
        checker.Keyword(lines[i], i == 2);
    // Line-end problems are found while splitting, before the lines' own.
    std::stable_sort(result.Problems.begin(), result.Problems.end(),
                     [](const Problem& a, const Problem& b) { return a.Line < b.Line; });
    return result;
}
