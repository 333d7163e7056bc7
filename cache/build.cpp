// RebuildCache: merges the enabled keyword lists, each streamed through its
// reader's window, into a fresh cache file in one sequential pass.
#include <windows.h>

#include <string.h>

#include "cache/build.h"
#include "cache/cache.h"
#include "cache/linereader.h"
#include "common/errorbox.h"
#include "common/messages.h"
#include "common/text.h"
#include "shell/tembril.h"

namespace {

// Writes are gathered here so that a large list costs few system calls.
constexpr uint32_t OutputBufferSize = 64 * 1024;
constexpr uint32_t ListPathSize = 260;  // the platform's path limit, NUL included

struct MergeInput {
    LineReader Reader;
    uint32_t Length;         // length of the current line at Reader.Line
    uint32_t KeywordLength;  // bytes of its keyword, before the first NUL
    uint32_t EntryLength;    // keyword, NUL, alias, NUL: what its entry copies before the list index
    uint32_t Key;            // its first four bytes in memory order, zero from the keyword's NUL on
    uint32_t Leader;         // the selection's candidate once this input's step is done
};

// Everything one build holds. ReleaseBuild is the one place that frees it.
struct Build {
    CacheHeader Header;
    MergeInput* Inputs;  // one per merged list, zero-filled
    uint32_t Count;
    HANDLE File;         // the cache file being written; null until created
    char* Output;        // OutputBufferSize bytes
    uint32_t Used;       // bytes waiting in Output
    uint32_t Position;   // file offset of the next byte put
    bool WriteFailed;
    char Dir[ListPathSize];  // AddinDir without its trailing backslash
    uint32_t DirLength;
    bool DirTooLong;
};

void ReleaseBuild(Build* build)
{
    if (build->Inputs != nullptr) {
        for (uint32_t i = 0; i < build->Count; ++i)
            CloseLineReader(&build->Inputs[i].Reader);
        HeapFree(GetProcessHeap(), 0, build->Inputs);
        build->Inputs = nullptr;
    }
    if (build->File != nullptr) {
        CloseHandle(build->File);
        build->File = nullptr;
    }
    if (build->Output != nullptr) {
        HeapFree(GetProcessHeap(), 0, build->Output);
        build->Output = nullptr;
    }
}

bool Flush(Build* build)
{
    if (build->Used != 0 && !build->WriteFailed) {
        DWORD written = 0;
        if (!WriteFile(build->File, build->Output, build->Used, &written, nullptr) || written != build->Used)
            build->WriteFailed = true;
    }
    build->Used = 0;
    return !build->WriteFailed;
}

void Put(Build* build, const char* bytes, uint32_t count)
{
    // Offsets in the file are 32-bit.
    if (count > 0xFFFFFFFFu - build->Position) {
        build->WriteFailed = true;
        return;
    }
    build->Position += count;
    while (count != 0 && !build->WriteFailed) {
        uint32_t room = OutputBufferSize - build->Used;
        uint32_t step = count < room ? count : room;
        memcpy(build->Output + build->Used, bytes, step);
        build->Used += step;
        bytes += step;
        count -= step;
        if (build->Used == OutputBufferSize)
            Flush(build);
    }
}

// AddinDir, one "\", the name and ".kwl". False when that can't fit the path limit.
bool FormListPath(const Build* build, const char* name, uint32_t nameLength, char* path)
{
    if (build->DirTooLong || build->DirLength + 1 + nameLength + 4 >= ListPathSize)
        return false;
    memcpy(path, build->Dir, build->DirLength);
    path[build->DirLength] = '\\';
    memcpy(path + build->DirLength + 1, name, nameLength);
    memcpy(path + build->DirLength + 1 + nameLength, ".kwl", 5);
    return true;
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

void TakeLine(MergeInput* input);

// Opens list i and writes its name, title and description; leaves the reader
// on the first keyword line.
bool OpenList(Build* build, uint32_t i, const char* name, uint32_t nameLength)
{
    Put(build, name, nameLength);
    Put(build, "", 1);
    char path[ListPathSize];
    if (!FormListPath(build, name, nameLength, path)) {
        ShowFailure(MSG_CANNOT_OPEN_INPUT);
        return false;
    }
    MergeInput* input = &build->Inputs[i];
    uint32_t length = GetFirstLine(&input->Reader, path);
    if (length == 0)
        return false;
    PutHeaderLine(build, &input->Reader, length);
    length = GetNextLine(&input->Reader);
    if (length == 0)
        return false;
    PutHeaderLine(build, &input->Reader, length);
    input->Length = GetNextLine(&input->Reader);
    if (input->Length == 0)
        return false;
    TakeLine(input);
    return true;
}

// Takes in the current line of an input that GetNextLine has just handed
// out: its keyword's length (from the reader's scan), its alias's, and its
// first bytes for the selection.
void TakeLine(MergeInput* input)
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
    uint32_t key = 0;
    for (uint32_t j = 0; j < 4 && j < keywordLength; ++j)
        key |= static_cast<uint32_t>(static_cast<unsigned char>(line[j])) << (8 * j);
    input->Key = key;
}

// StrCmp of the two inputs' keywords, from what TakeLine kept: the first four
// bytes settle most comparisons without touching the windows.
int32_t CompareKeywords(const MergeInput* a, const MergeInput* b)
{
    if (a->Key != b->Key) {
        // The lowest differing byte is the first difference in memory order.
        uint32_t shift = static_cast<uint32_t>(__builtin_ctz(a->Key ^ b->Key)) & ~7u;
        return static_cast<int8_t>(static_cast<uint8_t>((a->Key >> shift) - (b->Key >> shift)));
    }
    // Equal keys holding a NUL: both keywords end at the same place.
    if (a->KeywordLength < 4)
        return 0;
    const unsigned char* x = reinterpret_cast<const unsigned char*>(a->Reader.Line);
    const unsigned char* y = reinterpret_cast<const unsigned char*>(b->Reader.Line);
    uint32_t shorter = a->KeywordLength < b->KeywordLength ? a->KeywordLength : b->KeywordLength;
    uint32_t i = 4;
    while (i < shorter && x[i] == y[i])
        ++i;
    // At shorter at least one of the bytes is a keyword's NUL.
    return static_cast<int8_t>(static_cast<uint8_t>(x[i] - y[i]));
}

// The reader with the smallest current keyword; among equal ones the list
// that stands latest, so that its entry comes first and wins the lookup.
// The scan goes through the readers in list order, the candidate after each
// step depending only on the readers up to it. Since the last selection only
// reader moved has changed, the steps before it stand as they were: they are
// kept in each input's Leader and the scan resumes at moved.
uint32_t SelectInput(Build* build, uint32_t moved)
{
    MergeInput* inputs = build->Inputs;
    uint32_t candidate = 0;
    if (moved == 0)
        inputs[0].Leader = 0;
    else
        candidate = inputs[moved - 1].Leader;
    for (uint32_t i = moved == 0 ? 1 : moved; i < build->Count; ++i) {
        const MergeInput* best = &inputs[candidate];
        const MergeInput* input = &inputs[i];
        if (input->Reader.Line != nullptr && (best->Reader.Line == nullptr || CompareKeywords(best, input) >= 0))
            candidate = i;
        inputs[i].Leader = candidate;
    }
    return candidate;
}

// Writes the current keyword line of input i as an entry, in one copy: the
// keyword, its NUL, the alias and its NUL stand in the window as the entry
// needs them, save the NUL of an empty alias, which takes the LF's place.
bool PutEntry(Build* build, uint32_t i)
{
    MergeInput* input = &build->Inputs[i];
    const char* line = input->Reader.Line;
    if (input->KeywordLength > MaxKeywordLength) {
        ShowFailure(MSG_KEYWORD_TOO_LONG);
        return false;
    }
    uint32_t bucket = static_cast<unsigned char>(line[0]) & 0x7F;
    if (GetHeaderWord(&build->Header, bucket) == 0)
        SetHeaderWord(&build->Header, bucket, build->Position);

    uint32_t count = input->EntryLength + 2;
    // Offsets in the file are 32-bit.
    if (count > 0xFFFFFFFFu - build->Position) {
        build->WriteFailed = true;
        return true;
    }
    if (OutputBufferSize - build->Used < count && !Flush(build))
        return true;
    char* out = build->Output + build->Used;
    uint32_t copied = input->KeywordLength < input->Length ? input->EntryLength : input->KeywordLength + 1;
    uint32_t j = 0;
    for (; j + 4 <= copied; j += 4)
        memcpy(out + j, line + j, 4);
    for (; j < copied; ++j)
        out[j] = line[j];
    if (copied < input->EntryLength)
        out[j++] = 0;
    out[j] = static_cast<char>(i & 0xFF);
    out[j + 1] = static_cast<char>(i >> 8);
    build->Used += count;
    build->Position += count;
    input->Reader.Line += input->Length + 2;
    return true;
}

bool BuildCacheFile(Build* build)
{
    const char* addinDir = HostData->AddinDir;
    if (addinDir == nullptr || StrLen(addinDir) >= ListPathSize)
        build->DirTooLong = true;
    else
        build->DirLength = CopyDir(build->Dir, addinDir);

    bool defaultLast = false;
    uint32_t count = CountListNames(EnabledLists, &defaultLast);
    if (count == 0)
        return false;  // "default" alone: nothing to merge
    build->Header.ListCount = count;
    build->Inputs = static_cast<MergeInput*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, count * sizeof(MergeInput)));
    build->Output = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, OutputBufferSize));
    if (build->Inputs == nullptr || build->Output == nullptr)
        return false;
    build->Count = count;

    HANDLE file = CreateFileA(CachePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_ARCHIVE | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    build->File = file;
    if (SetFilePointer(file, CacheHeaderSize, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        return false;
    build->Position = CacheHeaderSize;

    const char* name = EnabledLists;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t nameLength = ListNameLength(name);
        if (!OpenList(build, i, name, nameLength))
            return false;
        name += nameLength;
        if (*name == ',')
            ++name;
    }
    build->Header.EntriesOffset = build->Position;

    uint32_t moved = 0;  // every reader is new to the first selection
    for (;;) {
        uint32_t i = SelectInput(build, moved);
        moved = i;
        LineReader* reader = &build->Inputs[i].Reader;
        if (reader->Line == nullptr)
            break;  // every list is exhausted
        if (!PutEntry(build, i))
            return false;
        build->Inputs[i].Length = GetNextLine(reader);
        // A line that doesn't fit, or a failed read, leaves Line on text without a line end.
        if (build->Inputs[i].Length == 0 && reader->Line != nullptr && LineReaderFailed(reader))
            return false;
        if (reader->Line != nullptr)
            TakeLine(&build->Inputs[i]);
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

} // namespace

bool IsOwnCacheFile(const char* path)
{
    const char* addinDir = HostData->AddinDir;
    if (addinDir == nullptr || StrLen(addinDir) >= ListPathSize || StrLen(path) >= ListPathSize)
        return false;
    char dir[ListPathSize];
    uint32_t dirLength = CopyDir(dir, addinDir);
    char file[ListPathSize];
    memcpy(file, path, StrLen(path) + 1);
    char* slash = strrchr(file, '\\');
    if (slash == nullptr || static_cast<uint32_t>(slash - file) != dirLength)
        return false;
    *slash = 0;
    const char* name = StrLower(slash + 1);
    return lstrcmpiA(file, dir) == 0 && name[0] == 'h' && name[1] == 'l' && name[2] == 'p';
}

uint32_t RebuildCache()
{
    CloseCache();
    if (IsOwnCacheFile(CachePath))
        DeleteFileA(CachePath);
    // The build runs only once the settings can name its file.
    if (HostData->AddinDir == nullptr || GetTempFileNameA(HostData->AddinDir, "hlp", 0, CachePath) == 0) {
        ShowFailure(MSG_REBUILD_FAILED);
        return 0;
    }
    WriteSetting(ActiveIni, KEY_CACHE_FILE, CachePath);

    Build* build = static_cast<Build*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Build)));
    bool built = build != nullptr && BuildCacheFile(build);
    if (build != nullptr) {
        ReleaseBuild(build);
        HeapFree(GetProcessHeap(), 0, build);
    }
    if (!built) {
        DeleteFileA(CachePath);
        ShowFailure(MSG_REBUILD_FAILED);
        return 0;
    }

    // The open reads the path back from the settings; should it not find the
    // fresh file there, or find it unusable, the file goes too.
    char fresh[CachePathSize];
    memcpy(fresh, CachePath, CachePathSize);
    uint32_t opened = OpenBuiltCache();
    if (opened == 0)
        DeleteFileA(fresh);
    return opened;
}
