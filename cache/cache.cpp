#include "cache/cache.h"

#include <string.h>

#include "cache/bucketindex.h"
#include "cache/build.h"
#include "cache/profilesection.h"
#include "cache/suggest.h"
#include "common/dbcs.h"
#include "common/errorbox.h"
#include "common/messages.h"
#include "common/owners.h"
#include "common/text.h"
#include "shell/host/tembril.h"

const char* ActiveIni;
char CachePath[CachePathSize];
char EnabledLists[EnabledListsSize];

HANDLE CacheFile;
HANDLE CacheMapping;
const char* CacheView;
ListEntry* ListTable;

namespace {

#define NO_HELP_TARGET "(None)"

uint32_t CacheSize;                  // bytes in CacheView
uint32_t ListCount;                  // list rows of ListTable; the default row follows them
uint32_t ListTableRows;              // rows allocated, whether or not their HelpTarget is read
char DiscardOnClose[CachePathSize];  // the open cache's file, once nothing names it
uint64_t OpenStamp;                  // StampLists as the build of the open cache saw it
// The index of each bucket of the open cache, made at its first lookup or
// search. CloseCache is the one place that frees them.
struct BucketSlot {
    IndexBlock* Blocks;  // null: none made (yet, or the bucket can't have one)
    BucketIndex Index;
    bool Tried;
};
BucketSlot BucketSlots[CacheHeaderWords];
// A shorter bucket is walked whole in a few microseconds; its index would only add to the memory.
constexpr uint32_t IndexedBucketBytes = 16 * 1024;
// After an open that failed over the lists themselves: their stamp then.
// The help command tries again once they change.
bool RetryOnEdit;
uint64_t RetryStamp;

// One read of the add-in's section of a settings file. Each profile call
// opens the file and checks it anew, which under some platforms costs more
// than the rest of an open; the keys are then read from this copy.
struct SectionCopy {
    const char* IniPath;
    HeapBlock<char> Block;  // SectionBlockSize bytes; empty when the read failed
    uint32_t Length;        // bytes the read put in Block
    bool Whole;             // the section fitted the block
};

constexpr uint32_t SectionBlockSize = 32 * 1024;

void ReadSection(SectionCopy* copy, const char* iniPath)
{
    copy->IniPath = iniPath;
    copy->Block.reset(static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, SectionBlockSize)));
    copy->Length = 0;
    copy->Whole = false;
    if (!copy->Block.valid())
        return;
    DWORD got = GetPrivateProfileSectionA(SETTINGS_SECTION, copy->Block.get(), SectionBlockSize, iniPath);
    // A section too large for the block comes back cut, its size 2 short of it.
    copy->Whole = got < SectionBlockSize - 2;
    copy->Length = got + 1 < SectionBlockSize ? got + 1 : SectionBlockSize;
    copy->Block.get()[copy->Length - 1] = 0;
}

void FreeSection(SectionCopy* copy) { copy->Block.reset(); }

// ReadSetting from the copy; whatever the copy can't answer for certain is
// asked of the profile functions themselves.
void ReadCopiedSetting(const SectionCopy* copy, const char* key, const char* fallback, char* buffer, uint32_t size)
{
    const char* value = nullptr;
    uint32_t length = 0;
    SectionValue found = SectionValue::Unsure;
    if (copy->Block.valid() && copy->Whole)
        found = FindSectionValue(copy->Block.get(), copy->Length, key, size, &value, &length);
    if (found == SectionValue::Absent) {
        value = fallback;
        length = StrLen(fallback);
        if (length >= size)
            found = SectionValue::Unsure;
    }
    if (found == SectionValue::Unsure) {
        ReadSetting(copy->IniPath, key, fallback, buffer, size);
        return;
    }
    memcpy(buffer, value, length);
    buffer[length] = 0;
}

// Reads the add-in's section of iniPath into *section and the two keys from it.
void ReadCacheKeys(SectionCopy* section, const char* iniPath)
{
    ReadSection(section, iniPath);
    ReadCopiedSetting(section, KEY_CACHE_FILE, ABSENT_VALUE, CachePath, CachePathSize);
    ReadCopiedSetting(section, KEY_LISTS, ABSENT_VALUE, EnabledLists, EnabledListsSize);
}

// Reads the two keys from the file in force, whose section is left in
// *section. False when neither file holds KeywordLists.
bool SettleActiveIni(SectionCopy* section)
{
    const char* assembler = HostData->AssemblerIniPath;
    if (assembler != nullptr) {
        ActiveIni = assembler;
        ReadCacheKeys(section, ActiveIni);
        if (!IsAbsent(EnabledLists))
            return true;
        FreeSection(section);
    }
    ActiveIni = HostData->HostIniPath;
    // A null path would make the profile functions fall back on win.ini.
    if (ActiveIni == nullptr) {
        lstrcpyA(CachePath, ABSENT_VALUE);
        lstrcpyA(EnabledLists, ABSENT_VALUE);
        return false;
    }
    ReadCacheKeys(section, ActiveIni);
    return !IsAbsent(EnabledLists);
}

// What an open does with a cache it cannot use: build it, or, in the open that
// ends a build, give up so that a file which still fails never loops.
uint32_t Unusable(bool mayRebuild, SectionCopy* section)
{
    // The build writes the settings and its open reads them afresh; the copy
    // would only add to the build's memory.
    FreeSection(section);
    if (mayRebuild)
        return RebuildCache();
    CloseCache();
    ShowFailure(MSG_REBUILD_FAILED);
    return 0;
}

// Maps CachePath whole into the cache globals. False when the file is missing,
// empty, too short for a header, too large for 32-bit offsets, or can't be mapped.
bool MapCacheFile()
{
    HANDLE file = CreateFileA(CachePath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_RANDOM_ACCESS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CacheFile = file;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) || size.QuadPart < CacheHeaderSize || size.QuadPart > 0xFFFFFFFFll)
        return false;
    CacheMapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (CacheMapping == nullptr)
        return false;
    CacheView = static_cast<const char*>(MapViewOfFile(CacheMapping, FILE_MAP_READ, 0, 0, 0));
    if (CacheView == nullptr)
        return false;
    CacheSize = static_cast<uint32_t>(size.QuadPart);
    return true;
}

// Whether the lists are as the cache file's build saw them: the stamp it
// recorded beside the cache file's path against the lists' stamp now, which
// goes to *stamp. A missing or garbled record counts as a change.
bool ListsUnchanged(const SectionCopy* section, uint64_t* stamp)
{
    char text[StampTextSize + 1];
    ReadCopiedSetting(section, KEY_LIST_STAMP, ABSENT_VALUE, text, sizeof text);
    uint64_t recorded = 0;
    *stamp = StampLists();
    return ParseStamp(text, &recorded) && recorded == *stamp;
}

// Reads the help target of every row from the settings file in force.
bool ReadHelpTargets(const SectionCopy* section, uint32_t rows)
{
    for (uint32_t i = 0; i < rows; ++i) {
        char* target = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, PathBufferSize));
        if (target == nullptr)
            return false;
        ListTable[i].HelpTarget = target;
        // A list named like one of the add-in's own keys has no key for its help target.
        if (i < ListCount && IsOwnSettingsKey(ListTable[i].Name)) {
            lstrcpyA(target, NO_HELP_TARGET);
            continue;
        }
        char value[HelpTargetReadSize];
        ReadCopiedSetting(section, ListTable[i].Name, NO_HELP_TARGET, value, sizeof value);
        lstrcpynA(target, value, PathBufferSize);
    }
    return true;
}

// builtPath, when given, is the cache file to open instead of the one the
// settings name: a fresh build whose path they could not take.
uint32_t OpenCacheWith(bool mayRebuild, uint64_t builtStamp, const char* builtPath, SectionCopy* section)
{
    CloseCache();
    OptionFlags &= ~OptDefaultList;
    if (HostData == nullptr)
        return 0;
    if (!SettleActiveIni(section)) {
        ShowFailure(MSG_NO_HELP_FILES);
        CloseCache();
        return 0;
    }
    StrLower(EnabledLists);
    if (builtPath != nullptr)
        lstrcpynA(CachePath, builtPath, CachePathSize);
    // The open that ends a build trusts the stamp that the build took: a list
    // edited since then is caught by the next help command, not by a second
    // build here.
    uint64_t stamp = builtStamp;
    if (IsAbsent(CachePath) || (mayRebuild && !ListsUnchanged(section, &stamp)) || !MapCacheFile())
        return Unusable(mayRebuild, section);

    bool defaultLast = false;
    uint32_t count = CountListNames(EnabledLists, &defaultLast);
    if (defaultLast)
        OptionFlags |= OptDefaultList;
    if (count == 0 || ViewWord(CacheView, ListCountWord) != count)
        return Unusable(mayRebuild, section);

    ListTable = static_cast<ListEntry*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, (count + 1) * sizeof(ListEntry)));
    if (ListTable == nullptr) {
        CloseCache();
        return 0;
    }
    ListTableRows = count + 1;
    ListCount = count;
    if (!CheckCacheView(CacheView, CacheSize, EnabledLists, count, ListTable))
        return Unusable(mayRebuild, section);
    uint32_t rows = count;
    if (defaultLast)
        ListTable[rows++].Name = DEFAULT_LIST_NAME;
    if (!ReadHelpTargets(section, rows)) {
        CloseCache();
        return 0;
    }
    OpenStamp = stamp;
    return 1;
}

uint32_t OpenCacheFrom(bool mayRebuild, uint64_t builtStamp, const char* builtPath = nullptr)
{
    SectionCopy section = {};
    uint32_t opened = OpenCacheWith(mayRebuild, builtStamp, builtPath, &section);
    FreeSection(&section);
    return opened;
}

// The index of the word's bucket, made now at the bucket's first use; null
// when the bucket is walked whole.
const BucketIndex* IndexFor(const BucketRange& range, const char* word)
{
    BucketSlot& slot = BucketSlots[static_cast<unsigned char>(word[0]) & 0x7F];
    if (!slot.Tried) {
        slot.Tried = true;
        uint32_t end = range.End < range.Limit ? range.End : range.Limit;
        if (end <= range.Start || end - range.Start < IndexedBucketBytes)
            return nullptr;
        uint32_t room = BucketIndexRoom(range);
        HeapBlock<IndexBlock> blocks(
            static_cast<IndexBlock*>(HeapAlloc(GetProcessHeap(), 0, room * sizeof(IndexBlock))));
        if (!blocks.valid() || !MakeBucketIndex(range, blocks.get(), room, &slot.Index))
            return nullptr;
        // Made with room for the worst case; kept at its size.
        void* fitted = HeapReAlloc(GetProcessHeap(), 0, blocks.get(), slot.Index.Count * sizeof(IndexBlock));
        if (fitted != nullptr) {
            blocks.release();
            blocks.reset(static_cast<IndexBlock*>(fitted));
        }
        slot.Blocks = blocks.release();
        slot.Index.Blocks = slot.Blocks;
    }
    return slot.Blocks != nullptr ? &slot.Index : nullptr;
}

bool FindInCache(const char* word, uint32_t length, KeywordHit* hit)
{
    BucketRange range;
    if (!IndexServes(word, length) || !FindBucket(CacheView, CacheSize, word, length, &range))
        return FindKeyword(CacheView, CacheSize, word, length, hit);
    const BucketIndex* index = IndexFor(range, word);
    return index != nullptr ? FindIndexed(range, *index, word, length, hit)
                            : FindKeyword(CacheView, CacheSize, word, length, hit);
}

// The help target of the word's list, or null when no list holds it; may
// replace the word by the entry's alias.
const char* FindListTarget(char* keyword)
{
    // A word without its NUL inside the buffer can't be one we hold.
    const char* end = static_cast<const char*>(memchr(keyword, 0, KeywordBufferSize));
    KeywordHit hit;
    if (end == nullptr || !FindInCache(keyword, static_cast<uint32_t>(end - keyword), &hit))
        return nullptr;
    // An alias too long for the buffer is not cut: help opens for the keyword itself.
    if (hit.AliasLength != 0 && hit.AliasLength < KeywordBufferSize)
        memcpy(keyword, hit.Alias, hit.AliasLength + 1);
    return ListTable[hit.List].HelpTarget;
}

}  // namespace

uint32_t OpenCache()
{
    uint32_t opened = OpenCacheFrom(true, 0);
    RetryOnEdit = opened == 0 && HostData != nullptr && !IsAbsent(EnabledLists);
    if (RetryOnEdit)
        RetryStamp = StampLists();
    return opened;
}

uint32_t OpenBuiltCache(uint64_t stamp) { return OpenCacheFrom(false, stamp); }

void RefreshCache()
{
    if (HostData == nullptr)
        return;
    if (CacheView != nullptr && ListTable != nullptr) {
        if (StampLists() == OpenStamp)
            return;
    } else if (!RetryOnEdit || StampLists() == RetryStamp) {
        return;  // closed, and no list saved since it failed: help stays unavailable
    }
    // The open finds the recorded stamp out of date too, and builds afresh.
    CloseCache();
    OpenCache();
}

void CloseCache()
{
    if (ListTable != nullptr) {
        for (uint32_t i = 0; i < ListTableRows; ++i) {
            if (ListTable[i].HelpTarget != nullptr)
                HeapFree(GetProcessHeap(), 0, ListTable[i].HelpTarget);
        }
        HeapFree(GetProcessHeap(), 0, ListTable);
        ListTable = nullptr;
    }
    ListTableRows = 0;
    ListCount = 0;
    if (CacheView != nullptr) {
        UnmapViewOfFile(CacheView);
        CacheView = nullptr;
    }
    CacheSize = 0;
    if (CacheMapping != nullptr) {
        CloseHandle(CacheMapping);
        CacheMapping = nullptr;
    }
    if (CacheFile != nullptr) {
        CloseHandle(CacheFile);
        CacheFile = nullptr;
    }
    for (BucketSlot& slot : BucketSlots) {
        if (slot.Blocks != nullptr)
            HeapFree(GetProcessHeap(), 0, slot.Blocks);
        slot = BucketSlot{};
    }
    if (DiscardOnClose[0] != 0) {
        DeleteFileA(DiscardOnClose);
        DiscardOnClose[0] = 0;
    }
}

void DiscardCacheFile(const char* path)
{
    if (HostData == nullptr || path == nullptr || StrLen(path) >= CachePathSize || !IsOwnCacheFile(path))
        return;
    if (CacheView != nullptr && lstrcmpiA(path, CachePath) == 0)
        lstrcpyA(DiscardOnClose, path);  // still mapped: help goes on from it until the next close
    else
        DeleteFileA(path);
}

const char* LookupKeyword(char* keyword, uint32_t bareFrom)
{
    if (CacheView == nullptr || ListTable == nullptr)
        return nullptr;
    const char* target = FindListTarget(keyword);
    if (target == nullptr && bareFrom != 0 && bareFrom < KeywordBufferSize && memchr(keyword, 0, bareFrom) == nullptr &&
        keyword[bareFrom] != 0) {
        // The word without its prefix; the buffer takes it (or its alias) only on a hit.
        char bare[KeywordBufferSize];
        uint32_t length = KeywordBufferSize - bareFrom;
        memcpy(bare, keyword + bareFrom, length);
        memset(bare + length, 0, bareFrom);
        target = FindListTarget(bare);
        if (target != nullptr)
            memcpy(keyword, bare, KeywordBufferSize);
    }
    if (target != nullptr)
        return target;
    if ((OptionFlags & OptDefaultList) != 0 && ListCount < ListTableRows)
        return ListTable[ListCount].HelpTarget;
    return nullptr;
}

uint32_t SuggestFromCache(const char* keyword, Suggestion* out)
{
    if (CacheView == nullptr)
        return 0;
    const char* end = static_cast<const char*>(memchr(keyword, 0, KeywordBufferSize));
    if (end == nullptr)
        return 0;
    uint32_t length = static_cast<uint32_t>(end - keyword);
    BucketRange range;
    if (IndexServes(keyword, length) && FindBucket(CacheView, CacheSize, keyword, length, &range)) {
        if (const BucketIndex* index = IndexFor(range, keyword))
            return SuggestIndexed(range, *index, keyword, length, out);
    }
    return SuggestKeywords(CacheView, CacheSize, keyword, length, out);
}

uint64_t StampLists()
{
    // 64-bit FNV-1a over each list's last-write time and size.
    uint64_t digest = 0xCBF29CE484222325ull;
    auto mix = [&digest](uint64_t value) {
        for (int i = 0; i < 8; ++i) {
            digest ^= (value >> (8 * i)) & 0xFF;
            digest *= 0x100000001B3ull;
        }
    };
    const char* addinDir = HostData != nullptr ? HostData->AddinDir : nullptr;
    char dir[PathBufferSize];
    bool dirFits = addinDir != nullptr && StrLen(addinDir) < PathBufferSize;
    uint32_t dirLength = dirFits ? CopyDir(dir, addinDir) : 0;
    bool defaultLast = false;
    uint32_t count = CountListNames(EnabledLists, &defaultLast);
    ListNameWalk walk;
    StartListNames(&walk, EnabledLists);
    ListName name;
    for (uint32_t i = 0; i < count && NextListName(&walk, &name); ++i) {
        char path[PathBufferSize];
        WIN32_FILE_ATTRIBUTE_DATA info;
        if (dirFits && JoinListPath(dir, dirLength, name.Text, name.Length, path) &&
            GetFileAttributesExA(path, GetFileExInfoStandard, &info)) {
            mix((static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                info.ftLastWriteTime.dwLowDateTime);
            mix((static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
        } else {
            mix(~0ull);
            mix(~0ull);
        }
    }
    return digest;
}

void FormatStamp(uint64_t stamp, char* text)
{
    static const char digits[] = "0123456789ABCDEF";
    for (int i = 0; i < 16; ++i)
        text[i] = digits[(stamp >> (60 - 4 * i)) & 0xF];
    text[16] = 0;
}

bool ParseStamp(const char* text, uint64_t* stamp)
{
    uint64_t value = 0;
    for (int i = 0; i < 16; ++i) {
        char c = text[i];
        uint32_t digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : 16;
        if (digit == 16)
            return false;
        value = value << 4 | digit;
    }
    *stamp = value;
    return text[16] == 0;
}

uint32_t CacheListCount() { return CacheView != nullptr ? ListCount : 0; }

const char* CacheListName(uint32_t row)
{
    return CacheView != nullptr && ListTable != nullptr && row < ListTableRows ? ListTable[row].Name : nullptr;
}

int32_t CacheRowOf(const char* helpTarget)
{
    uint32_t rows = ListCount + ((OptionFlags & OptDefaultList) != 0 ? 1 : 0);
    for (uint32_t i = 0; CacheView != nullptr && ListTable != nullptr && i < rows && i < ListTableRows; ++i) {
        if (ListTable[i].HelpTarget == helpTarget)
            return static_cast<int32_t>(i);
    }
    return -1;
}

uint32_t CacheListsHolding(const char* word, uint32_t* rows, uint32_t room)
{
    return FindKeywordLists(CacheView, CacheSize, word, StrLen(word), rows, room);
}

bool IsOwnCacheFile(const char* path)
{
    const char* addinDir = HostData->AddinDir;
    if (addinDir == nullptr || StrLen(addinDir) >= PathBufferSize || StrLen(path) >= PathBufferSize)
        return false;
    char dir[PathBufferSize];
    uint32_t dirLength = CopyDir(dir, addinDir);
    char file[PathBufferSize];
    memcpy(file, path, StrLen(path) + 1);
    char* slash = strrchr(file, '\\');
    if (slash == nullptr || static_cast<uint32_t>(slash - file) != dirLength)
        return false;
    *slash = 0;
    const char* name = StrLower(slash + 1);
    return lstrcmpiA(file, dir) == 0 && name[0] == 'h' && name[1] == 'l' && name[2] == 'p';
}

namespace {

// The settings file that could not take a fresh cache's path, told once a session.
char ToldUnwritable[PathBufferSize];

// Names the fresh cache file and its stamp in the settings in force. False
// when they can't be written, or don't read back what was written (a file
// that can't be changed, on a share that keeps the old copy).
bool RecordCacheFile(const char* fresh, uint64_t stamp)
{
    char stampText[StampTextSize];
    FormatStamp(stamp, stampText);
    bool written = WriteSetting(ActiveIni, KEY_CACHE_FILE, fresh);
    written = WriteSetting(ActiveIni, KEY_LIST_STAMP, stampText) && written;
    char named[CachePathSize];
    ReadSetting(ActiveIni, KEY_CACHE_FILE, ABSENT_VALUE, named, sizeof named);
    return written && lstrcmpiA(named, fresh) == 0;
}

constexpr uint32_t ReportSize = 2048;

}  // namespace

uint32_t RebuildCache()
{
    CloseCache();
    // The old file goes only once a new one is built and the settings name
    // it: until then it may be all the help there is.
    char old[CachePathSize];
    memcpy(old, CachePath, CachePathSize);
    char fresh[CachePathSize];
    if (HostData->AddinDir == nullptr || GetTempFileNameA(HostData->AddinDir, "hlp", 0, fresh) == 0) {
        ShowFailure(MSG_REBUILD_FAILED);
        return 0;
    }
    // Taken before any list is read: an edit made while the build runs shows
    // at the next check.
    uint64_t stamp = StampLists();

    char report[ReportSize];
    BuildReport built = {report, sizeof report, false};
    if (!WriteCacheFile(EnabledLists, HostData->AddinDir, fresh, &built)) {
        DeleteFileA(fresh);
        ShowFailure(MSG_REBUILD_FAILED);
        return 0;
    }

    char told[ReportSize + PathBufferSize + 128] = "";
    uint32_t opened;
    // A list that was there but could not be read changes no stamp once it
    // can: the stamp recorded for the next open is then one that no lists
    // have, so that the open tries again. This session's checks keep the
    // true one and build no more.
    if (RecordCacheFile(fresh, built.Unread ? stamp ^ 1 : stamp)) {
        if (IsOwnCacheFile(old) && lstrcmpiA(old, fresh) != 0)
            DeleteFileA(old);
        // The open reads the path back from the settings; should it find the
        // fresh file unusable, the file goes too.
        opened = OpenBuiltCache(stamp);
    } else {
        // Help goes on from the fresh file this session; nothing names it
        // for the next, so it goes at the close.
        opened = OpenCacheFrom(false, stamp, fresh);
        if (opened != 0)
            lstrcpyA(DiscardOnClose, fresh);
        if (ActiveIni != nullptr && lstrcmpiA(ToldUnwritable, ActiveIni) != 0) {
            lstrcpynA(ToldUnwritable, ActiveIni, sizeof ToldUnwritable);
            AppendCut(told, sizeof told, MSG_SETTINGS_UNWRITABLE);
            AppendCut(told, sizeof told, ActiveIni);
        }
    }
    if (opened == 0) {
        DeleteFileA(fresh);
        return 0;
    }
    if (report[0] != 0) {
        if (told[0] != 0)
            AppendCut(told, sizeof told, "\r\n\r\n");
        AppendCut(told, sizeof told, report);
        AppendCut(told, sizeof told, "\r\n\r\n" MSG_LISTS_LEFT_OUT);
    }
    if (told[0] != 0)
        ShowFailure(told);
    return opened;
}
