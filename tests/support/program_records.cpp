#include "support/program_records.h"

#include <algorithm>

#include "support/temp_dir.h"

std::vector<ProgramRecord> ReadRecords(const std::string& dir)
{
    std::vector<ProgramRecord> records;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((dir + "\\*.rec").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string text = ReadFileBytes(dir + "\\" + entry.cFileName);
            size_t newline = text.find('\n');
            records.push_back({text.substr(0, newline), newline == std::string::npos ? "" : text.substr(newline + 1),
                               entry.cFileName});
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    std::sort(records.begin(), records.end(),
              [](const ProgramRecord& a, const ProgramRecord& b) { return a.Name < b.Name; });
    return records;
}

std::vector<ProgramRecord> WaitForRecords(const std::string& dir, size_t count, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        std::vector<ProgramRecord> records = ReadRecords(dir);
        if (records.size() >= count || GetTickCount() - start >= timeoutMs)
            return records;
        Sleep(50);
    }
}
