#include "kwltool/kwlsort.h"

#include <algorithm>

#include "common/text.h"

namespace {

struct Entry {
    std::string Keyword;
    std::string Rest;  // "=alias", or empty when the line had no "="
    size_t Line;
};

// Any of CR LF, lone CR or lone LF ends a line here: the rewrite is the place
// to repair line ends, not to reproduce the reader's reading of them.
std::vector<std::string> SplitLines(const char* bytes, size_t size, std::vector<SortNote>& changes)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < size; ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            lines.emplace_back(bytes + start, i - start);
            if (bytes[i] == '\r' && i + 1 < size && bytes[i + 1] == '\n')
                ++i;
            else
                changes.push_back({SortChange::LineEnd, "line " + std::to_string(lines.size()) + ": " +
                                                            (bytes[i] == '\r' ? "CR" : "LF") + " ended as CR LF"});
            start = i + 1;
        }
    }
    if (start < size) {
        lines.emplace_back(bytes + start, size - start);
        changes.push_back({SortChange::LineEnd, "line " + std::to_string(lines.size()) + ": CR LF added at the end"});
    }
    return lines;
}

// Blanks and tabs around a keyword or alias: a looked-up word never has them.
bool Trim(std::string& text)
{
    size_t first = text.find_first_not_of(" \t");
    size_t last = text.find_last_not_of(" \t");
    std::string trimmed = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
    bool changed = trimmed != text;
    text.swap(trimmed);
    return changed;
}

bool Before(const Entry& a, const Entry& b) { return StrCmp(a.Keyword.c_str(), b.Keyword.c_str()) < 0; }

// A plain merge sort: it stays stable and in bounds even where StrCmp is not a
// consistent order (bytes of 0x80 and above against ASCII), which library sorts
// do not promise.
void MergeSort(std::vector<Entry>& items)
{
    std::vector<Entry> scratch(items.size());
    for (size_t width = 1; width < items.size(); width *= 2) {
        for (size_t low = 0; low < items.size(); low += 2 * width) {
            size_t mid = std::min(low + width, items.size());
            size_t high = std::min(low + 2 * width, items.size());
            size_t i = low, j = mid, k = low;
            while (i < mid && j < high)
                scratch[k++] = Before(items[j], items[i]) ? std::move(items[j++]) : std::move(items[i++]);
            while (i < mid)
                scratch[k++] = std::move(items[i++]);
            while (j < high)
                scratch[k++] = std::move(items[j++]);
        }
        items.swap(scratch);
    }
}

}  // namespace

SortResult SortKeywordList(const char* bytes, size_t size)
{
    SortResult result;
    std::vector<SortNote>& changes = result.Changes;
    std::vector<std::string> lines = SplitLines(bytes, size, changes);
    if (lines.size() < 2)
        return result;
    std::vector<Entry> entries;
    for (size_t i = 2; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        std::string where = "line " + std::to_string(i + 1) + ": ";
        size_t equals = line.find('=');
        std::string alias = equals == std::string::npos ? std::string() : line.substr(equals + 1);
        Entry entry{line.substr(0, equals), alias, i + 1};
        bool trimmed = Trim(entry.Keyword);
        if (equals != std::string::npos)
            trimmed = Trim(entry.Rest) || trimmed;
        if (entry.Keyword.empty()) {
            changes.push_back({SortChange::EmptyDropped, where + "empty keyword dropped"});
            continue;
        }
        if (trimmed)
            changes.push_back({SortChange::Trimmed, where + "blanks or tabs around \"" + entry.Keyword + "\" removed"});
        if (equals != std::string::npos)
            entry.Rest = "=" + entry.Rest;
        std::string lower = entry.Keyword;
        StrLower(&lower[0]);
        if (lower != entry.Keyword) {
            changes.push_back(
                {SortChange::Lowercased, where + "keyword \"" + entry.Keyword + "\" lowercased to \"" + lower + "\""});
            entry.Keyword = lower;
        }
        if (!entries.empty() && Before(entry, entries.back()))
            changes.push_back({SortChange::Reordered, where + "\"" + entry.Keyword + "\" moved into order"});
        entries.push_back(std::move(entry));
    }
    MergeSort(entries);

    result.Output = lines[0] + "\r\n" + lines[1] + "\r\n";
    const Entry* kept = nullptr;
    for (const Entry& entry : entries) {
        if (kept != nullptr && kept->Keyword == entry.Keyword) {
            std::string text = "line " + std::to_string(entry.Line) + ": duplicate of line " +
                               std::to_string(kept->Line) + " dropped";
            if (entry.Rest != kept->Rest)
                text += " (its alias differed)";
            changes.push_back({SortChange::DuplicateDropped, text});
            continue;
        }
        result.Output += entry.Keyword + entry.Rest + "\r\n";
        kept = &entry;
    }
    result.Ok = true;
    return result;
}

std::vector<std::string> SortSummary(const std::vector<SortNote>& changes)
{
    static const char* const what[] = {
        "line ends rewritten as CR LF", "keywords or aliases trimmed of blanks and tabs",
        "keywords lowercased",          "empty keyword lines dropped",
        "duplicate keywords dropped",   "keywords moved into order",
    };
    std::vector<std::string> summary;
    for (int kind = 0; kind < 6; ++kind) {
        size_t count = 0;
        const SortNote* first = nullptr;
        for (const SortNote& note : changes) {
            if (static_cast<int>(note.Kind) == kind && count++ == 0)
                first = &note;
        }
        if (count > 0)
            summary.push_back(std::to_string(count) + " " + what[kind] + " (first: " + first->Text + ")");
    }
    return summary;
}
