#include "cache/listheader.h"

#include <windows.h>
#include <shlwapi.h>

#include "common/dbcs.h"
#include "common/owners.h"
#include "shell/tembril.h"

namespace {

constexpr uint32_t HeaderMapSize = 1024;

struct Piece {
    const char* Text;
    uint32_t Length;
};

// The length of a piece cut to room bytes, never splitting a double-byte character.
uint32_t CutLength(const Piece& piece, uint32_t room) { return ::CutLength(piece.Text, piece.Length, room); }

// The bytes from start up to the next CR, or to the end of the mapped bytes.
Piece LineAt(const char* start, const char* end)
{
    const char* p = start;
    while (p < end && *p != '\r')
        ++p;
    return Piece{start, static_cast<uint32_t>(p - start)};
}

char* Put(char* at, const Piece& piece)
{
    CopyMemory(at, piece.Text, piece.Length);
    at[piece.Length] = 0;
    return at + piece.Length + 1;
}

}  // namespace

ListRecord* ReadListHeader(const char* fileName)
{
    HeapBlock<ListRecord> block = AllocateZeroed<ListRecord>();
    ListRecord* record = block.get();
    if (record == nullptr)
        return nullptr;

    // A path that does not fit names no file: the record keeps an empty path
    // and shows no title, never that of a file of the same name elsewhere.
    char path[MAX_PATH * 2] = "";
    const char* addinDir = HostData->AddinDir;
    if (addinDir != nullptr && lstrlenA(addinDir) < MAX_PATH) {
        lstrcpyA(path, addinDir);
        if (!PathAppendA(path, fileName) || lstrlenA(path) >= MAX_PATH)
            path[0] = 0;
    }
    const char* extension = PathFindExtensionA(fileName);

    Piece pathPiece{path, static_cast<uint32_t>(lstrlenA(path))};
    Piece name{fileName, static_cast<uint32_t>(extension - fileName)};
    Piece title{"", 0};
    Piece description{"", 0};

    // Only the first bytes are mapped: listing the directory never reads whole lists.
    // A file that cannot be opened or mapped (locked, empty) keeps an empty title
    // and description, so that the dialog can still show and configure it.
    FileHandle file(path[0] == 0 ? INVALID_HANDLE_VALUE
                                 : CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
    MappingHandle mapping;
    MappedView view;
    if (file.valid()) {
        LARGE_INTEGER size;
        if (GetFileSizeEx(file.get(), &size) && size.QuadPart > 0) {
            DWORD mapped = size.QuadPart > HeaderMapSize ? HeaderMapSize : static_cast<DWORD>(size.QuadPart);
            mapping.reset(CreateFileMappingA(file.get(), nullptr, PAGE_READONLY, 0, mapped, nullptr));
            if (mapping.valid())
                view.reset(static_cast<const char*>(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, mapped)));
            if (view.valid()) {
                const char* end = view.get() + mapped;
                title = LineAt(view.get(), end);
                // Past the CR and the one byte after it (the LF).
                const char* next = view.get() + title.Length + 2;
                if (next < end)
                    description = LineAt(next, end);
            }
        }
    }

    // Cut to fit, the name first (the settings key), then title, description and
    // path; one byte is kept back for each string's NUL.
    uint32_t room = ListHeaderRoom - 4;
    name.Length = CutLength(name, room);
    room -= name.Length;
    title.Length = CutLength(title, room);
    room -= title.Length;
    description.Length = CutLength(description, room);
    room -= description.Length;
    pathPiece.Length = CutLength(pathPiece, room);

    char* at = record->Text;
    record->Path = at;
    at = Put(at, pathPiece);
    record->Name = at;
    at = Put(at, name);
    record->Title = at;
    at = Put(at, title);
    record->Description = at;
    at = Put(at, description);
    record->HelpTarget = at;
    return block.release();
}

void FreeListRecord(ListRecord* record) { HeapBlock<ListRecord> released(record); }
