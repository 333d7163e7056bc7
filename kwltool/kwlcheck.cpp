#include "kwltool/kwlcheck.h"

#include <string.h>

#include <algorithm>
#include <unordered_map>

#include "cache/listnames.h"
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

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool HasHighByte(const char* text, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80)
            return true;
    }
    return false;
}

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsUtf8(const unsigned char* text, size_t length)
{
    for (size_t i = 0; i < length;) {
        unsigned char c = text[i];
        size_t more = c < 0x80                 ? 0
                      : c >= 0xC2 && c <= 0xDF ? 1
                      : c >= 0xE0 && c <= 0xEF ? 2
                      : c >= 0xF0 && c <= 0xF4 ? 3
                                               : 9;  // a continuation byte, C0, C1 or F5 to FF
        if (more == 9 || i + more >= length)
            return false;
        unsigned char low = 0x80, high = 0xBF;
        if (c == 0xE0)
            low = 0xA0;
        else if (c == 0xED)
            high = 0x9F;
        else if (c == 0xF0)
            low = 0x90;
        else if (c == 0xF4)
            high = 0x8F;
        for (size_t k = 1; k <= more; ++k) {
            unsigned char t = text[i + k];
            if (t < (k == 1 ? low : 0x80) || t > (k == 1 ? high : 0xBF))
                return false;
        }
        i += more + 1;
    }
    return true;
}

// Whether a double-byte pair stands for a character of code page 936 as the
// dialog shows it. The user-defined areas and the unassigned cells of the
// symbol rows show as boxes or question marks, so they count as not GBK here:
// UTF-8 Chinese text often parses as pairs but lands in them.
bool IsGbkPair(unsigned char lead, unsigned char trail)
{
    if (lead < 0x81 || lead > 0xFE || trail < 0x40 || trail == 0x7F || trail > 0xFE)
        return false;
    if (trail >= 0xA1) {
        if ((lead >= 0xAA && lead <= 0xAF) || lead >= 0xF8 || (lead == 0xD7 && trail >= 0xFA))
            return false;
        // Assigned cells of the symbol rows 0xA2 to 0xA9, as ranges of trail bytes.
        static const unsigned char rows[8][10] = {
            {0xA1, 0xAA, 0xB1, 0xE2, 0xE5, 0xEE, 0xF1, 0xFC, 0, 0},
            {0xA1, 0xFE, 0, 0, 0, 0, 0, 0, 0, 0},
            {0xA1, 0xF3, 0, 0, 0, 0, 0, 0, 0, 0},
            {0xA1, 0xF6, 0, 0, 0, 0, 0, 0, 0, 0},
            {0xA1, 0xB8, 0xC1, 0xD8, 0xE0, 0xEB, 0xEE, 0xF2, 0xF4, 0xF5},
            {0xA1, 0xC1, 0xD1, 0xF1, 0, 0, 0, 0, 0, 0},
            {0xA1, 0xBB, 0xBD, 0xBE, 0xC0, 0xC0, 0xC5, 0xE9, 0, 0},
            {0xA4, 0xEF, 0, 0, 0, 0, 0, 0, 0, 0},
        };
        if (lead >= 0xA2 && lead <= 0xA9) {
            const unsigned char* row = rows[lead - 0xA2];
            for (int k = 0; k < 10 && row[k] != 0; k += 2) {
                if (trail >= row[k] && trail <= row[k + 1])
                    return true;
            }
            return false;
        }
    } else if (lead >= 0xA1 && lead <= 0xA7) {
        return false;  // user-defined
    }
    return true;
}

bool IsGbk(const unsigned char* text, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        if (text[i] < 0x80)
            continue;
        if (i + 1 >= length || !IsGbkPair(text[i], text[i + 1]))
            return false;
        ++i;
    }
    return true;
}

class Checker {
public:
    explicit Checker(CheckResult& result) : result_(result) {}

    bool LfEnds = false;  // a lone LF ends a line too: the file was not written with CR LF alone

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
        const unsigned char* text = reinterpret_cast<const unsigned char*>(line.Text);
        size_t length = line.Length;
        if (line.Number == 1 && length >= 3 && memcmp(text, "\xEF\xBB\xBF", 3) == 0) {
            Add(1, Severity::Warning,
                "UTF-8 byte-order mark: the title shows it garbled; save the file as ANSI (code page 936)");
            text += 3;
            length -= 3;
        }
        if (HasHighByte(reinterpret_cast<const char*>(text), length) && IsUtf8(text, length) && !IsGbk(text, length))
            Add(line.Number, Severity::Warning,
                std::string(what) + " is UTF-8 text: the dialog shows it as code page 936, garbled; save it as GBK");
        Common(line);
    }

    void Keyword(const RawLine& line, bool first)
    {
        Common(line);
        const char* equals = static_cast<const char*>(memchr(line.Text, '=', line.Length));
        size_t keywordLength = equals ? static_cast<size_t>(equals - line.Text) : line.Length;
        std::string keyword(line.Text, keywordLength);
        ++result_.Keywords;
        if (keywordLength > 0)
            result_.Names.push_back(keyword);

        if (first && keywordLength == 0) {
            Add(line.Number, Severity::BuildFails, "the first keyword line is empty: the cache build fails");
            return;
        }
        if (keywordLength == 0) {
            Add(line.Number, Severity::Unreachable, "empty keyword: it is stored but never matched");
            return;
        }
        if (IsBlank(keyword[0]) || IsBlank(keyword.back()))
            Add(line.Number, Severity::Unreachable,
                "blank or tab around the keyword: the word at the caret never has one, so F1 does not find it");
        if (equals != nullptr) {
            const char* alias = equals + 1;
            size_t rest = line.Length - keywordLength - 1;
            const char* second = static_cast<const char*>(memchr(alias, '=', rest));
            size_t aliasLength = second ? static_cast<size_t>(second - alias) : rest;
            if (second != nullptr)
                Add(line.Number, Severity::Warning, "a second \"=\": the text after it is ignored");
            if (aliasLength > 0 && (IsBlank(alias[0]) || IsBlank(alias[aliasLength - 1])))
                Add(line.Number, Severity::Unreachable,
                    "blank or tab around the alias: help is asked for it with them and finds nothing");
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
        if (!LfEnds && memchr(line.Text, '\n', line.Length) != nullptr)
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

    // A file saved with LF line ends, wholly or in part, is one mistake with one
    // repair: told once, and its lines then read as the author sees them, rather
    // than as the reader would (one long line, or lines run together).
    size_t crLf = 0, lf = 0;
    uint32_t firstLf = 0, endsBefore = 0;
    for (size_t i = 0; i < size; ++i) {
        if (bytes[i] == '\n') {
            if (i > 0 && bytes[i - 1] == '\r') {
                ++crLf;
            } else if (lf++ == 0) {
                firstLf = endsBefore + 1;
            }
            ++endsBefore;
        }
    }
    if (lf > 0) {
        checker.LfEnds = true;
        if (crLf == 0)
            checker.Add(1, Severity::BuildFails,
                        "the file uses LF line ends; run kwltool sort (the cache build needs "
                        "CR LF and fails on this file)");
        else
            checker.Add(firstLf, Severity::Unreachable,
                        "the file mixes CR LF and LF line ends (" + std::to_string(lf) +
                            " LF alone, the first here); run kwltool sort (each such line runs into the next)");
    }

    size_t at = 0;
    uint32_t number = 1;
    while (at < size) {
        size_t end = at;
        while (end < size && bytes[end] != '\r' && !(checker.LfEnds && bytes[end] == '\n'))
            ++end;
        if (checker.LfEnds) {
            lines.push_back(RawLine{bytes + at, end - at, number++});
            at = end + (end + 1 < size && bytes[end] == '\r' && bytes[end + 1] == '\n' ? 2 : 1);
            continue;
        }
        // As the reader does: the first CR that is not the file's last byte ends
        // a line, and the one byte after it is taken for its LF.
        if (end + 1 >= size) {
            checker.Add(number, Severity::Unreachable,
                        "last line has no CR LF: the reader never hands it out, so it is dropped");
            break;
        }
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

std::vector<std::string> EnabledListNames(const std::string& value, bool* withDefault)
{
    std::string lowered = value;
    StrLower(&lowered[0]);
    std::vector<std::string> names;
    ListNameWalk walk;
    StartListNames(&walk, lowered.c_str());
    ListName name = {};
    while (NextListName(&walk, &name))
        names.emplace_back(name.Text, name.Length);
    *withDefault = name.Bare;
    if (*withDefault)
        names.pop_back();
    return names;
}

std::string UnfoundListReason(const std::string& name, const std::vector<std::string>& fileNames)
{
    // Besides what no file name may hold, "/" and "\\" would reach outside
    // the add-in directory, where the add-in looks for no list.
    if (name.find_first_of("\\/:*?\"<>|") != std::string::npos)
        return "\"" + name +
               "\" can name no list file in the add-in directory: the add-in builds it "
               "empty, and its keywords get no help";
    for (const std::string& file : fileNames) {
        if (file == name)
            return "";
    }
    return "\"" + name + "\" is enabled but names none of the files given: unless " + name +
           ".kwl lies in the add-in directory, the add-in builds it empty, and its keywords get no help";
}

std::vector<SharedKeyword> FindSharedKeywords(const std::vector<const std::vector<std::string>*>& lists)
{
    std::unordered_map<std::string, std::vector<uint32_t>> holders;
    for (uint32_t i = 0; i < lists.size(); ++i) {
        for (const std::string& keyword : *lists[i]) {
            std::vector<uint32_t>& in = holders[keyword];
            if (in.empty() || in.back() != i)
                in.push_back(i);
        }
    }
    std::vector<SharedKeyword> shared;
    for (auto& holder : holders) {
        if (holder.second.size() > 1)
            shared.push_back(SharedKeyword{holder.first, std::move(holder.second)});
    }
    // Plain byte order: the cache's order for the keywords that can be found,
    // and a consistent one for those that cannot.
    std::sort(shared.begin(), shared.end(),
              [](const SharedKeyword& a, const SharedKeyword& b) { return a.Keyword < b.Keyword; });
    return shared;
}
