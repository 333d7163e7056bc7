#include "cache/cache.h"

#include <string.h>

#include "cache/build.h"
#include "cache/profilesection.h"
#include "common/errorbox.h"
#include "common/messages.h"
#include "common/owners.h"
#include "common/text.h"
#include "shell/tembril.h"

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

// Reads the help target of every row from the settings file in force.
bool ReadHelpTargets(const SectionCopy* section, uint32_t rows)
{
    for (uint32_t i = 0; i < rows; ++i) {
        char* target = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, PathBufferSize));
        if (target == nullptr)
            return false;
        ListTable[i].HelpTarget = target;
        ReadCopiedSetting(section, ListTable[i].Name, NO_HELP_TARGET, target, PathBufferSize);
    }
    return true;
}

uint32_t OpenCacheWith(bool mayRebuild, SectionCopy* section)
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
    if (IsAbsent(CachePath) || !MapCacheFile())
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
    return 1;
}

uint32_t OpenCacheFrom(bool mayRebuild)
{
    SectionCopy section = {};
    uint32_t opened = OpenCacheWith(mayRebuild, &section);
    FreeSection(&section);
    return opened;
}

}  // namespace

uint32_t OpenCache() { return OpenCacheFrom(true); }

uint32_t OpenBuiltCache() { return OpenCacheFrom(false); }

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

const char* LookupKeyword(char* keyword)
{
    if (CacheView == nullptr || ListTable == nullptr)
        return nullptr;
    // A word without its NUL inside the buffer can't be one we hold.
    const char* end = static_cast<const char*>(memchr(keyword, 0, KeywordBufferSize));
    KeywordHit hit;
    if (end != nullptr && FindKeyword(CacheView, CacheSize, keyword, static_cast<uint32_t>(end - keyword), &hit)) {
        // An alias too long for the buffer is not cut: help opens for the keyword itself.
        if (hit.AliasLength != 0 && hit.AliasLength < KeywordBufferSize)
            memcpy(keyword, hit.Alias, hit.AliasLength + 1);
        return ListTable[hit.List].HelpTarget;
    }
    if ((OptionFlags & OptDefaultList) != 0 && ListCount < ListTableRows)
        return ListTable[ListCount].HelpTarget;
    return nullptr;
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

    if (!WriteCacheFile(EnabledLists, HostData->AddinDir, CachePath)) {
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
