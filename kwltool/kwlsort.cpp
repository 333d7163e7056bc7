#include "kwltool/kwlsort.h"

#include <algorithm>

#include "common/text.h"

namespace {

struct Entry {
    std::string Keyword;
    std::string Rest;  // "=alias" as written, or empty
    size_t Line;
};

// Any of CR LF, lone CR or lone LF ends a line here: the rewrite is the place
// to repair line ends, not to reproduce the reader's reading of them.
std::vector<std::string> SplitLines(const char* bytes, size_t size)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < size; ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            lines.emplace_back(bytes + start, i - start);
            if (bytes[i] == '\r' && i + 1 < size && bytes[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < size)
        lines.emplace_back(bytes + start, size - start);
    return lines;
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
    std::vector<std::string> lines = SplitLines(bytes, size);
    if (lines.size() < 2) {
        result.Warnings.push_back("no title and description line: nothing to sort");
        return result;
    }
    std::vector<Entry> entries;
    for (size_t i = 2; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        size_t equals = line.find('=');
        Entry entry{line.substr(0, equals), equals == std::string::npos ? std::string() : line.substr(equals), i + 1};
        if (entry.Keyword.empty()) {
            result.Warnings.push_back("line " + std::to_string(i + 1) + ": empty keyword dropped");
            continue;
        }
        std::string lower = entry.Keyword;
        StrLower(&lower[0]);
        if (lower != entry.Keyword) {
            result.Warnings.push_back("line " + std::to_string(i + 1) + ": keyword \"" + entry.Keyword +
                                      "\" lowercased to \"" + lower + "\"");
            entry.Keyword = lower;
        }
        entries.push_back(std::move(entry));
    }
    MergeSort(entries);

    result.Output = lines[0] + "\r\n" + lines[1] + "\r\n";
    const Entry* kept = nullptr;
    for (const Entry& entry : entries) {
        if (kept != nullptr && kept->Keyword == entry.Keyword) {
            result.Warnings.push_back("line " + std::to_string(entry.Line) + ": duplicate of line " +
                                      std::to_string(kept->Line) + " dropped" +
                                      (entry.Rest != kept->Rest ? " (its alias differed)" : ""));
            continue;
        }
        result.Output += entry.Keyword + entry.Rest + "\r\n";
        kept = &entry;
    }
    result.Ok = true;
    return result;
}
