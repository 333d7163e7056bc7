#include "support/program_records.h"

#include <stdlib.h>

#include <algorithm>

#include "support/temp_dir.h"

namespace {

// The recorder's fields each end in a NUL; what is missing reads as empty.
struct FieldReader {
    const std::string& Text;
    size_t At;
    std::string Next()
    {
        size_t end = Text.find('\0', At);
        if (end == std::string::npos)
            end = Text.size();
        std::string field = At < Text.size() ? Text.substr(At, end - At) : "";
        At = end + 1;
        return field;
    }
    std::vector<std::string> Split()
    {
        int count = atoi(Next().c_str());
        std::vector<std::string> argv;
        for (int i = 0; i < count && At < Text.size(); ++i)
            argv.push_back(Next());
        return argv;
    }
};

}  // namespace

std::vector<ProgramRecord> ReadRecords(const std::string& dir)
{
    std::vector<ProgramRecord> records;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((dir + "\\*.rec").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string text = ReadFileBytes(dir + "\\" + entry.cFileName);
            FieldReader fields = {text, 0};
            ProgramRecord record;
            record.CommandLine = fields.Next();
            record.Module = fields.Next();
            record.ShellArgv = fields.Split();
            record.RuntimeArgv = fields.Split();
            record.Name = entry.cFileName;
            records.push_back(record);
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
