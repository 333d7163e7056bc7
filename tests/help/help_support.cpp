#include "help_support.h"

#include "support/temp_dir.h"

FakeHost::FakeHost()
{
    HostHandles = &Handles;
    HostProcs = &Procs;
    HostData = &Data;
}

FakeHost::~FakeHost()
{
    HostHandles = nullptr;
    HostProcs = nullptr;
    HostData = nullptr;
}

std::string TestProgramDir()
{
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string path = self;
    return path.substr(0, path.find_last_of('\\'));
}

std::string RecorderPath() { return TestProgramDir() + "\\help_recorder.exe"; }

std::vector<ProgramRecord> WaitForRecords(const std::string& dir, size_t count, DWORD timeoutMs)
{
    std::vector<ProgramRecord> records;
    DWORD start = GetTickCount();
    for (;;) {
        records.clear();
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((dir + "\\*.rec").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                std::string text = ReadFileBytes(dir + "\\" + found.cFileName);
                size_t newline = text.find('\n');
                records.push_back(
                    {text.substr(0, newline), newline == std::string::npos ? "" : text.substr(newline + 1)});
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        if (records.size() >= count || GetTickCount() - start >= timeoutMs)
            return records;
        Sleep(50);
    }
}

bool SameTextIgnoringCase(const std::string& a, const std::string& b)
{
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}
