// The cache build: merges the enabled keyword lists, each streamed through its
// reader's window, into a fresh cache file in one sequential pass.
#include <windows.h>

#include <string.h>

#include "cache/build.h"
#include "cache/cacheformat.h"
#include "cache/linereader.h"
#include "common/dbcs.h"
#include "common/messages.h"
#include "common/owners.h"
#include "common/text.h"

namespace {

// Writes are gathered here so that a large list costs few system calls.
constexpr uint32_t OutputBufferSize = 64 * 1024;
constexpr uint32_t ListPathSize = 260;  // the platform's path limit, NUL included
constexpr uint32_t ShortEntry = 32;     // most entries are shorter: they are copied in one piece

struct MergeInput {
    LineReader Reader;
    uint32_t Length;         // length of the current line at Reader.Line
    uint32_t KeywordLength;  // bytes of its keyword, before the first NUL
    uint32_t EntryLength;    // keyword, NUL, alias, NUL: what its entry copies before the list index
    uint64_t Rank;           // see RankKeyword
    uint32_t Leader;         // the selection's candidate once this input's step is done
    bool Plain;              // exhausted, or a keyword of bytes below 0x80 only
    uint64_t NextRank;       // for a Plain keyword, the rank of its bytes from the ninth on
};

// The inputs of the merged lists, one per list and one for each further leaf
// of the selection tree, zero-filled. A reader still open when the build
// ends, whether it failed or not, is closed before its block goes.
class MergeInputs {
public:
    MergeInputs() = default;
    MergeInputs(const MergeInputs&) = delete;
    MergeInputs& operator=(const MergeInputs&) = delete;
    ~MergeInputs()
    {
        for (uint32_t i = 0; i < count_; ++i)
            CloseLineReader(&block_.get()[i].Reader);
    }
    // A block of leaves inputs (leaves >= count), the first count of them the lists'.
    bool Allocate(uint32_t count, uint32_t leaves)
    {
        block_ = AllocateZeroed<MergeInput>(leaves);
        count_ = block_.valid() ? count : 0;
        return block_.valid();
    }
    uint32_t Count() const { return count_; }  // the lists', not the leaves
    MergeInput* get() const { return block_.get(); }
    MergeInput& operator[](uint32_t i) const { return block_.get()[i]; }

private:
    HeapBlock<MergeInput> block_;
    uint32_t count_ = 0;
};

// Everything one build holds; its owners release it when the build ends.
struct Build {
    CacheHeader Header;
    MergeInputs Inputs;
    uint32_t Unplain;            // inputs whose keyword is not Plain
    HeapBlock<uint32_t> Losers;  // the selection tree: 4 x TreeLeaves words, zero-filled
    uint32_t TreeLeaves;         // the inputs rounded up to a power of two
    uint32_t Winner;             // the tree's selection
    FileHandle File;             // the cache file being written
    HeapBlock<char> Output;      // OutputBufferSize bytes
    uint32_t Used;               // bytes waiting in Output
    uint32_t Position;           // file offset of the next byte put
    bool WriteFailed;
    char Dir[ListPathSize];  // AddinDir without its trailing backslash
    uint32_t DirLength;
    bool DirTooLong;
    const char* Lists;    // the names being merged
    BuildReport* Report;  // of the lists left out
};

bool Flush(Build* build)
{
    if (build->Used != 0 && !build->WriteFailed) {
        DWORD written = 0;
        if (!WriteFile(build->File.get(), build->Output.get(), build->Used, &written, nullptr) ||
            written != build->Used)
            build->WriteFailed = true;
    }
    build->Used = 0;
    return !build->WriteFailed;
}

// Whether count more bytes keep every offset in the file 32-bit; a build
// that would outgrow them fails.
bool FitsOffsets(Build* build, uint32_t count)
{
    if (count <= 0xFFFFFFFFu - build->Position)
        return true;
    build->WriteFailed = true;
    return false;
}

void Put(Build* build, const char* bytes, uint32_t count)
{
    if (!FitsOffsets(build, count))
        return;
    build->Position += count;
    while (count != 0 && !build->WriteFailed) {
        uint32_t room = OutputBufferSize - build->Used;
        uint32_t step = count < room ? count : room;
        memcpy(build->Output.get() + build->Used, bytes, step);
        build->Used += step;
        bytes += step;
        count -= step;
        if (build->Used == OutputBufferSize)
            Flush(build);
    }
}

}  // namespace

// The directory, one "\", the name and the list extension. False when that can't fit the path limit.
bool JoinListPath(const char* dir, uint32_t dirLength, const char* name, uint32_t nameLength, char* path)
{
    if (dirLength + 1 + nameLength + (sizeof LIST_EXTENSION - 1) >= ListPathSize)
        return false;
    memcpy(path, dir, dirLength);
    path[dirLength] = '\\';
    memcpy(path + dirLength + 1, name, nameLength);
    memcpy(path + dirLength + 1 + nameLength, LIST_EXTENSION, sizeof LIST_EXTENSION);
    return true;
}

namespace {

// AddinDir, one "\", the name and the list extension.
bool FormListPath(const Build* build, const char* name, uint32_t nameLength, char* path)
{
    return !build->DirTooLong && JoinListPath(build->Dir, build->DirLength, name, nameLength, path);
}

// Writes a title or description line with its NUL. The reader turned each "="
// into a NUL; they go back to "=" so that the ListBlock keeps three strings per list.
void PutHeaderLine(Build* build, LineReader* reader, uint32_t length)
{
    for (uint32_t i = 0; i < length; ++i) {
        if (reader->Line[i] == 0)
            reader->Line[i] = '=';
    }
    Put(build, reader->Line, length + 1);
    reader->Line += length + 2;
}

void TakeLine(MergeInput* input, bool ranked);
constexpr uint64_t UnorderedRank = ~0ull;
void RankSixteen(MergeInput* input, const char* line, uint32_t length);
void MarkExhausted(MergeInput* input);
void RankKeyword(MergeInput* input, const char* line, uint32_t length);
uint64_t EightBytes(const LineReader& reader, const char* line, uint32_t length);

// Why a list is left out of the build, and where.
struct ListFault {
    const char* Headline;  // the text the user knows for it
    const char* Reason;    // null: the reader's system error code tells
    uint32_t Line;         // 1-based; 0 for none; AtReader for the line the reader stands on
};
constexpr uint32_t AtReader = ~0u;

// The name of list i of the build.
ListName NameOfList(const Build* build, uint32_t i)
{
    ListNameWalk walk;
    StartListNames(&walk, build->Lists);
    ListName name = {"", 0, false};
    for (uint32_t k = 0; k <= i && NextListName(&walk, &name); ++k) {
    }
    return name;
}

// The reason as the user reads it: the common system errors in words, any other by its code.
void SystemReason(uint32_t error, char* text)
{
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        lstrcpyA(text, MSG_REASON_NOT_FOUND);
    else if (error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION)
        lstrcpyA(text, MSG_REASON_LOCKED);
    else
        wsprintfA(text, MSG_REASON_SYSTEM_FORMAT, error);
}

// Appends text to the build's report, as much as fits.
void Report(Build* build, const char* text) { AppendCut(build->Report->Text, build->Report->Size, text); }

// Tells of list i in the report and merges no more of it: the keywords it
// gave before stay in the cache, and so does its place in the ListBlock.
void LeaveOut(Build* build, uint32_t i, const ListFault& fault)
{
    LineReader* reader = &build->Inputs[i].Reader;
    ListName name = NameOfList(build, i);
    char path[ListPathSize];
    bool joined = FormListPath(build, name.Text, name.Length, path);
    if (!joined) {
        // The name alone, as much of it as the path's room takes.
        uint32_t keep = name.Length < sizeof path - sizeof LIST_EXTENSION ? name.Length
                                                                          : sizeof path - sizeof LIST_EXTENSION;
        memcpy(path, name.Text, keep);
        memcpy(path + keep, LIST_EXTENSION, sizeof LIST_EXTENSION);
    }
    uint32_t line = fault.Line;
    if (line == AtReader)
        line = reader->File != nullptr ? reader->Number : 0;
    char where[32];
    if (line != 0)
        wsprintfA(where, MSG_LIST_LINE_FORMAT, line);
    else
        lstrcpyA(where, MSG_LIST_REASON);
    char reason[64] = "";
    if (fault.Reason == nullptr) {
        SystemReason(reader->Error, reason);
        build->Report->Unread |= reader->Error != ERROR_FILE_NOT_FOUND && reader->Error != ERROR_PATH_NOT_FOUND;
    }

    if (build->Report->Text[0] != 0)
        Report(build, "\r\n\r\n");
    const char* pieces[] = {fault.Headline, "\r\n" MSG_LIST_FILE,
                            path,           "\r\n",
                            where,          fault.Reason ? fault.Reason : reason};
    for (const char* piece : pieces)
        Report(build, piece);
    CloseLineReader(reader);
    MarkExhausted(&build->Inputs[i]);
}

// What stopped a reader that GetNextLine left on text it could not hand out.
ListFault StoppedReader(const LineReader* reader)
{
    if (reader->Error != 0)
        return ListFault{MSG_CANNOT_READ_INPUT, nullptr, 0};
    if (reader->Filled == 0)
        return ListFault{MSG_LINE_TOO_LONG, MSG_REASON_EMPTY_FILE, 1};
    // The window holds the line that did not fit: with an LF in it, the file
    // was written with the wrong line ends, and that is what to mend.
    if (memchr(reader->Line, '\n', reader->Filled) != nullptr)
        return ListFault{MSG_LINE_TOO_LONG, MSG_REASON_LF, AtReader};
    // A window smaller than its limit held the rest of the file.
    if (reader->Filled < LineWindowSize)
        return ListFault{MSG_LINE_TOO_LONG, MSG_REASON_NO_LINE_END, AtReader};
    return ListFault{MSG_LINE_TOO_LONG, MSG_REASON_LINE_TOO_LONG, AtReader};
}

// Why header line number line (3: the first keyword line) could not be had.
ListFault HeaderFault(const LineReader* reader, uint32_t line)
{
    if (reader->Window == nullptr && reader->Error != 0)
        return ListFault{MSG_CANNOT_OPEN_INPUT, nullptr, 0};
    if (reader->Failed)
        return StoppedReader(reader);
    if (reader->Line == nullptr)
        return ListFault{MSG_LIST_INCOMPLETE, MSG_REASON_MISSING_LINE, line};
    return ListFault{MSG_LIST_INCOMPLETE, MSG_REASON_EMPTY_LINE, line};
}

// Opens list i and writes its name, title and description; leaves the reader
// on the first keyword line. A list that can't be read that far keeps its
// place with empty strings for what it lacks and no keywords: the others'
// help does not depend on it.
void OpenList(Build* build, uint32_t i, const ListName& name)
{
    Put(build, name.Text, name.Length);
    Put(build, "", 1);
    MergeInput* input = &build->Inputs[i];
    MarkExhausted(input);
    char path[ListPathSize];
    if (!FormListPath(build, name.Text, name.Length, path)) {
        Put(build, "\0", 2);
        LeaveOut(build, i, ListFault{MSG_CANNOT_OPEN_INPUT, MSG_REASON_PATH_TOO_LONG, 0});
        return;
    }
    uint32_t length = GetFirstLine(&input->Reader, path);
    uint32_t line = 1;  // the line that length belongs to
    for (; line <= 2 && length != 0; ++line) {
        PutHeaderLine(build, &input->Reader, length);
        length = GetNextLine(&input->Reader);
    }
    if (length != 0) {
        input->Length = length;
        TakeLine(input, build->Inputs.Count() > 1);
        return;
    }
    for (uint32_t missing = line; missing <= 2; ++missing)
        Put(build, "", 1);
    LeaveOut(build, i, HeaderFault(&input->Reader, line));
}

// Takes in the current line of an input that GetNextLine has just handed
// out: its keyword's length (from the reader's scan), its alias's, and, when
// there are lists to select among, its rank for the selection.
void TakeLine(MergeInput* input, bool ranked)
{
    const char* line = input->Reader.Line;
    uint32_t keywordLength = input->Reader.Keyword;
    input->KeywordLength = keywordLength;
    // The alias runs from the keyword's NUL to the next NUL within the line;
    // a line without "=" has none, and its entry gets an empty one.
    uint32_t entryLength = keywordLength + 2;
    if (keywordLength < input->Length) {
        uint32_t aliasEnd = keywordLength + 1;
        while (line[aliasEnd] != 0)  // the CR's NUL at Length bounds it
            ++aliasEnd;
        entryLength = aliasEnd + 1;
    }
    input->EntryLength = entryLength;
    if (!ranked) {
        // A single list is its own merge: nothing asks its ranks.
        input->Rank = 0;
        input->Plain = true;
        input->NextRank = 0;
        return;
    }
    const LineReader& reader = input->Reader;
    if (static_cast<uint32_t>(reader.Window + reader.Filled - line) >= 16) {
        RankSixteen(input, line, keywordLength);
        return;
    }
    RankKeyword(input, line, keywordLength);
    // The rank has looked at the first eight bytes.
    bool plain = input->Rank != UnorderedRank;
    uint32_t j = 8;
    for (; plain && j + 4 <= keywordLength; j += 4) {
        uint32_t group;
        memcpy(&group, line + j, 4);
        plain = (group & 0x80808080u) == 0;
    }
    for (; plain && j < keywordLength; ++j)
        plain = static_cast<unsigned char>(line[j]) < 0x80;
    input->Plain = plain;
    // Real lists share long beginnings: the tree looks at eight more bytes before it compares.
    input->NextRank = plain && keywordLength > 8 ? EightBytes(input->Reader, line + 8, keywordLength - 8) : 0;
}

// The first n bytes of a 4-byte group loaded in memory order, the rest zero.
inline uint32_t FirstBytes(uint32_t group, uint32_t n) { return n >= 4 ? group : group & ((1u << (8 * n)) - 1); }

// Two groups in memory order as a rank: the first byte the highest.
inline uint64_t RankOf(uint32_t first, uint32_t second)
{
    return (static_cast<uint64_t>(__builtin_bswap32(first)) << 32) | __builtin_bswap32(second);
}

// Sixteen bytes, then zeros: a load at 16 - n keeps the first n bytes of sixteen.
alignas(16) constexpr unsigned char KeepFirst[32] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                     0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// Rank, Plain and NextRank as TakeLine has them, where the window holds
// sixteen bytes from line on: four loads, kept to the keyword by a mask
// rather than by branches on its length, which is anybody's guess.
void RankSixteen(MergeInput* input, const char* line, uint32_t length)
{
    uint32_t group[4], keep[4];
    memcpy(group, line, 16);
    memcpy(keep, KeepFirst + 16 - (length < 16 ? length : 16), 16);
    for (uint32_t g = 0; g < 4; ++g)
        group[g] &= keep[g];
    if (((group[0] | group[1]) & 0x80808080u) != 0) {
        input->Rank = UnorderedRank;
        input->Plain = false;
        input->NextRank = 0;
        return;
    }
    input->Rank = RankOf(group[0], group[1]);
    bool plain = ((group[2] | group[3]) & 0x80808080u) == 0;
    for (uint32_t j = 16; plain && j < length; ++j)
        plain = static_cast<unsigned char>(line[j]) < 0x80;
    input->Plain = plain;
    input->NextRank = plain ? RankOf(group[2], group[3]) : 0;
}

// Rank of the current keyword of input, length bytes at line: its first
// eight bytes, the first the highest, zero from the keyword's NUL on. For
// keywords of bytes below 0x80, StrCmp follows the plain byte order, so two
// ranks that differ order their keywords as StrCmp does. Any byte of 0x80 or
// above among the eight sets the top bit instead: such a rank orders nothing.
// Two plain loads when the window holds eight bytes from line on; a short
// keyword near the window's end is taken byte by byte.
void RankKeyword(MergeInput* input, const char* line, uint32_t length)
{
    input->Rank = EightBytes(input->Reader, line, length);
}

uint64_t EightBytes(const LineReader& reader, const char* line, uint32_t length)
{
    uint32_t first = 0, second = 0;
    if (static_cast<uint32_t>(reader.Window + reader.Filled - line) >= 8) {
        memcpy(&first, line, 4);
        memcpy(&second, line + 4, 4);
        first = FirstBytes(first, length);
        second = length > 4 ? FirstBytes(second, length - 4) : 0;
    } else {
        for (uint32_t j = 0; j < 8 && j < length; ++j) {
            uint32_t c = static_cast<unsigned char>(line[j]);
            if (j < 4)
                first |= c << (8 * j);
            else
                second |= c << (8 * (j - 4));
        }
    }
    if (((first | second) & 0x80808080u) != 0)
        return UnorderedRank;
    return RankOf(first, second);
}

// An exhausted input's rank orders nothing either: the selection asks the reader.
void MarkExhausted(MergeInput* input)
{
    input->Rank = UnorderedRank;
    input->Plain = true;
}

// StrCmp of two keywords whose ranks are equal and order them: their first
// from bytes agree (eight, or sixteen where NextRank agrees too), or both end
// alike within them. Shared beginnings are
// common in real lists, so the rest goes four bytes a step. Each keyword and
// its NUL lie in its window, and no load reaches past the shorter one's NUL.
int32_t SameRankOrder(const MergeInput* a, const MergeInput* b, uint32_t from = 8)
{
    uint32_t shorter = a->KeywordLength < b->KeywordLength ? a->KeywordLength : b->KeywordLength;
    if (shorter < from)
        return 0;
    const char* x = a->Reader.Line;
    const char* y = b->Reader.Line;
    uint32_t i = from;
    for (; i + 4 <= shorter + 1; i += 4) {
        uint32_t p, q;
        memcpy(&p, x + i, 4);
        memcpy(&q, y + i, 4);
        if (p != q) {
            i += static_cast<uint32_t>(__builtin_ctz(p ^ q)) >> 3;
            return static_cast<int8_t>(static_cast<uint8_t>(x[i] - y[i]));
        }
    }
    for (; i <= shorter; ++i) {
        if (x[i] != y[i])
            return static_cast<int8_t>(static_cast<uint8_t>(x[i] - y[i]));
    }
    return 0;
}

// Whether input takes best's place as the scan's candidate: when best is
// exhausted, or input is not and StrCmp of best's keyword and input's is 0
// or more. sameRank: both ranks order their keywords and are equal.
bool Displaces(const MergeInput* best, const MergeInput* input, bool sameRank)
{
    if (sameRank)
        return SameRankOrder(best, input) >= 0;
    if (best->Reader.Line == nullptr)
        return true;
    if (input->Reader.Line == nullptr)
        return false;
    // Each keyword ends at its NUL in its window.
    return StrCmp(best->Reader.Line, input->Reader.Line) >= 0;
}

// The reader with the smallest current keyword; among equal ones the list
// that stands latest, so that its entry comes first and wins the lookup.
// The scan goes through the readers in list order, the candidate after each
// step depending only on the readers up to it. Since the last selection only
// reader moved has changed, the steps before it stand as they were: they are
// kept in each input's Leader and the scan resumes at moved.
uint32_t SelectInput(Build* build, uint32_t moved)
{
    MergeInput* inputs = build->Inputs.get();
    uint32_t candidate = 0;
    if (moved == 0)
        inputs[0].Leader = 0;
    else
        candidate = inputs[moved - 1].Leader;
    // The candidate's rank is carried along rather than read back through
    // its index, so that each step waits on nothing but the step before.
    uint64_t best = inputs[candidate].Rank;
    const uint32_t count = build->Inputs.Count();  // not read back after each store of a Leader
    for (uint32_t i = moved == 0 ? 1 : moved; i < count; ++i) {
        uint64_t rank = inputs[i].Rank;
        if (((rank | best) >> 63) == 0 && rank != best) {
            // Two ranks that order their keywords. Which wins is anybody's
            // guess: no branch on it.
            uint32_t take = 0u - static_cast<uint32_t>(rank < best);
            candidate ^= (candidate ^ i) & take;
            best ^= (best ^ rank) & (static_cast<uint64_t>(take) << 32 | take);
        } else if (Displaces(&inputs[candidate], &inputs[i], ((rank | best) >> 63) == 0)) {
            candidate = i;
            best = rank;
        }
        inputs[i].Leader = candidate;
    }
    return candidate;
}

// Whether input a's entry comes before input b's, where every keyword that is
// not exhausted is Plain: StrCmp is then a true order, and the scan's choice
// is the smallest keyword, among equal ones the latest list. An exhausted
// input, and a leaf past the last list (it stands exhausted), come last.
bool Before(const Build* build, uint32_t a, uint32_t b)
{
    const MergeInput& x = build->Inputs[a];
    const MergeInput& y = build->Inputs[b];
    if (x.Rank != y.Rank)
        return x.Rank < y.Rank;
    if (x.Rank == UnorderedRank)
        return a < b;  // both are done; a real input, not a leaf past the lists, ends the merge
    if (x.NextRank != y.NextRank)
        return x.NextRank < y.NextRank;
    int32_t order = SameRankOrder(&x, &y, 16);
    return order != 0 ? order < 0 : a > b;
}

// The selection where every keyword is Plain: a tree of losers over the
// inputs, so that a selection costs the steps from the moved input's leaf to
// the root, not a scan through every list. The scan's answer wherever StrCmp
// orders the keywords; the scan itself takes over where it does not.
void MakeTree(Build* build)
{
    uint32_t leaves = build->TreeLeaves;
    uint32_t* losers = build->Losers.get();   // nodes 1 to leaves - 1
    uint32_t* winners = losers + 2 * leaves;  // the winner below each node; the leaves from leaves on
    for (uint32_t i = 0; i < leaves; ++i)
        winners[leaves + i] = i;
    for (uint32_t node = leaves - 1; node >= 1; --node) {
        uint32_t a = winners[2 * node], b = winners[2 * node + 1];
        bool first = Before(build, a, b);
        winners[node] = first ? a : b;
        losers[node] = first ? b : a;
    }
    build->Winner = leaves > 1 ? winners[1] : 0;
}

// The tree after the moved input has taken its next keyword: its leaf's way
// up. Where the two ranks at a node differ, which comes first is anybody's
// guess: the step takes it without a branch, and only equal ranks ask Before.
void ReplayTree(Build* build, uint32_t moved)
{
    uint32_t* losers = build->Losers.get();
    const MergeInput* inputs = build->Inputs.get();
    uint32_t winner = moved;
    uint64_t best = inputs[moved].Rank;  // the winner's, carried along
    for (uint32_t node = (moved + build->TreeLeaves) >> 1; node >= 1; node >>= 1) {
        uint32_t loser = losers[node];
        uint64_t rank = inputs[loser].Rank;
        uint32_t take = 0u - static_cast<uint32_t>(rank != best ? rank < best : Before(build, loser, winner));
        uint32_t swap = (loser ^ winner) & take;
        losers[node] = loser ^ swap;
        winner ^= swap;
        best ^= (best ^ rank) & (static_cast<uint64_t>(take) << 32 | take);
    }
    build->Winner = winner;
}

// Writes the current keyword line of input i as an entry, in one copy: the
// keyword, its NUL, the alias and its NUL stand in the window as the entry
// needs them, save the NUL of an empty alias, which takes the LF's place.
bool PutEntry(Build* build, uint32_t i)
{
    MergeInput* input = &build->Inputs[i];
    const char* line = input->Reader.Line;
    if (input->KeywordLength > MaxKeywordLength)
        return false;
    uint32_t bucket = static_cast<unsigned char>(line[0]) & 0x7F;
    if (GetHeaderWord(&build->Header, bucket) == 0)
        SetHeaderWord(&build->Header, bucket, build->Position);

    uint32_t count = input->EntryLength + 2;
    if (!FitsOffsets(build, count))
        return true;
    if (OutputBufferSize - build->Used < count && !Flush(build))
        return true;
    char* out = build->Output.get() + build->Used;
    uint32_t copied = input->KeywordLength < input->Length ? input->EntryLength : input->KeywordLength + 1;
    const LineReader& reader = input->Reader;
    if (count <= ShortEntry && OutputBufferSize - build->Used >= ShortEntry &&
        static_cast<uint32_t>(reader.Window + reader.Filled - line) >= ShortEntry) {
        // A copy of fixed length, whatever follows the entry: the bytes past
        // it are overwritten by the next one.
        memcpy(out, line, ShortEntry);
    } else {
        uint32_t j = 0;
        for (; j + 4 <= copied; j += 4)
            memcpy(out + j, line + j, 4);
        for (; j < copied; ++j)
            out[j] = line[j];
    }
    uint32_t j = copied;
    if (copied < input->EntryLength)
        out[j++] = 0;
    out[j] = static_cast<char>(i & 0xFF);
    out[j + 1] = static_cast<char>(i >> 8);
    build->Used += count;
    build->Position += count;
    input->Reader.Line += input->Length + 2;
    return true;
}

bool BuildCacheFile(Build* build, const char* lists, const char* addinDir, const char* path)
{
    build->Lists = lists;
    if (addinDir == nullptr || StrLen(addinDir) >= ListPathSize)
        build->DirTooLong = true;
    else
        build->DirLength = CopyDir(build->Dir, addinDir);

    bool defaultLast = false;
    uint32_t count = CountListNames(lists, &defaultLast);
    if (count == 0)
        return false;  // "default" alone: nothing to merge
    build->Header.ListCount = count;
    build->Output = HeapBlock<char>(static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, OutputBufferSize)));
    build->TreeLeaves = 1;
    while (build->TreeLeaves < count)
        build->TreeLeaves *= 2;
    // The losers of the nodes, then the winners that making the tree wants.
    build->Losers = AllocateZeroed<uint32_t>(4 * build->TreeLeaves);
    // An input for every leaf of the tree: those past the lists stand exhausted.
    if (!build->Inputs.Allocate(count, build->TreeLeaves) || !build->Output.valid() || !build->Losers.valid())
        return false;
    for (uint32_t i = count; i < build->TreeLeaves; ++i)
        MarkExhausted(&build->Inputs[i]);

    // The file at path is most often the empty one that the temporary-name
    // routine has just made. It is emptied only when it holds something:
    // emptying an empty file still has some file systems (ext4, under Wine)
    // write all of the new file out in the close, a fifth of a large build.
    build->File = FileHandle(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                         FILE_ATTRIBUTE_ARCHIVE | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    HANDLE file = build->File.get();
    LARGE_INTEGER held;
    if (!build->File.valid() || !GetFileSizeEx(file, &held) || (held.QuadPart != 0 && !SetEndOfFile(file)) ||
        SetFilePointer(file, CacheHeaderSize, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        return false;
    build->Position = CacheHeaderSize;

    ListNameWalk walk;
    StartListNames(&walk, lists);
    ListName name;
    for (uint32_t i = 0; i < count && NextListName(&walk, &name); ++i)
        OpenList(build, i, name);
    build->Header.EntriesOffset = build->Position;

    for (uint32_t i = 0; i < count; ++i)
        build->Unplain += build->Inputs[i].Plain ? 0 : 1;
    uint32_t moved = 0;        // every reader is new to the first selection
    bool leadersKept = false;  // the scan's Leaders stand as its last selection left them
    bool treeKept = false;     // the tree stands as its last selection left it
    for (;;) {
        uint32_t i;
        if (build->Unplain == 0) {
            if (treeKept)
                ReplayTree(build, moved);
            else
                MakeTree(build);
            i = build->Winner;
            treeKept = true;
            leadersKept = false;
        } else {
            i = SelectInput(build, leadersKept ? moved : 0);
            leadersKept = true;
            treeKept = false;
        }
        moved = i;
        LineReader* reader = &build->Inputs[i].Reader;
        if (reader->Line == nullptr)
            break;  // every list is exhausted
        if (!PutEntry(build, i)) {
            build->Unplain -= build->Inputs[i].Plain ? 0 : 1;
            LeaveOut(build, i, ListFault{MSG_KEYWORD_TOO_LONG, MSG_REASON_KEYWORD_TOO_LONG, AtReader});
            continue;
        }
        build->Inputs[i].Length = GetNextLine(reader);
        // A line that doesn't fit, or a failed read, leaves Line on text without a line end.
        // The keyword just written no longer counts, whatever comes after it.
        build->Unplain -= build->Inputs[i].Plain ? 0 : 1;
        if (build->Inputs[i].Length == 0 && reader->Line != nullptr && LineReaderFailed(reader)) {
            LeaveOut(build, i, StoppedReader(reader));  // exhausted, and so Plain
            continue;
        }
        if (reader->Line != nullptr)
            TakeLine(&build->Inputs[i], build->Inputs.Count() > 1);
        else
            MarkExhausted(&build->Inputs[i]);
        build->Unplain += build->Inputs[i].Plain ? 0 : 1;
        if (build->WriteFailed)
            return false;
    }
    build->Header.EndOffset = build->Position;
    if (!Flush(build))
        return false;
    if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        return false;
    DWORD written = 0;
    return WriteFile(file, &build->Header, CacheHeaderSize, &written, nullptr) && written == CacheHeaderSize;
}

}  // namespace

uint32_t WriteCacheFile(const char* lists, const char* addinDir, const char* path, BuildReport* report)
{
    report->Text[0] = 0;
    report->Unread = false;
    Build build{};
    build.Report = report;
    return BuildCacheFile(&build, lists, addinDir, path) ? 1 : 0;
}
