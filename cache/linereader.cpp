#include "cache/linereader.h"

#include "cache/linescan.h"
#include "common/cpu.h"
#include "common/owners.h"

uint32_t GetFirstLine(LineReader* reader, const char* path)
{
    FileHandle file(
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        reader->Error = GetLastError();
        return 0;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size))
        size.QuadPart = 0;
    uint32_t windowSize = size.QuadPart > LineWindowSize ? LineWindowSize : static_cast<uint32_t>(size.QuadPart);
    // At least one byte, so that an empty file still gets a distinct block.
    char* window = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, windowSize ? windowSize : 1));
    if (window == nullptr) {
        reader->Error = ERROR_NOT_ENOUGH_MEMORY;
        return 0;
    }
    reader->File = file.release();  // the reader's from here: CloseLineReader releases it
    reader->Window = window;
    reader->Filled = windowSize;
    reader->Line = window + windowSize;
    reader->Number = 0;
    return GetNextLine(reader);
}

uint32_t GetNextLine(LineReader* reader)
{
    if (reader->Window == nullptr || reader->Line == nullptr)
        return 0;
    ++reader->Number;  // the caller has stepped past the line before
    reader->Failed = false;
    reader->Error = 0;
    for (;;) {
        uint32_t unread = static_cast<uint32_t>(reader->Window + reader->Filled - reader->Line);
        uint32_t length = 0;
        bool found = CpuHasSse2() ? ScanLineSse2(reader->Line, unread, &length, &reader->Keyword)
                                  : ScanLine(reader->Line, unread, &length, &reader->Keyword);
        if (found)
            return length;

        MoveMemory(reader->Window, reader->Line, unread);
        reader->Line = reader->Window;
        uint32_t space = reader->Filled - unread;
        if (space == 0) {
            reader->Failed = true;
            return 0;
        }
        DWORD got = 0;
        if (!ReadFile(reader->File, reader->Window + unread, space, &got, nullptr)) {
            reader->Failed = true;
            reader->Error = GetLastError();
            return 0;
        }
        if (got == 0) {
            CloseLineReader(reader);
            return 0;
        }
        reader->Filled = unread + got;
    }
}

void CloseLineReader(LineReader* reader)
{
    if (reader->File != nullptr)
        CloseHandle(reader->File);
    if (reader->Window != nullptr)
        HeapFree(GetProcessHeap(), 0, reader->Window);
    reader->File = nullptr;
    reader->Window = nullptr;
    reader->Line = nullptr;
    reader->Filled = 0;
    reader->Keyword = 0;
    reader->Failed = false;
    reader->Error = 0;
    reader->Number = 0;
}
