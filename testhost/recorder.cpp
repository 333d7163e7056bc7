// The one stand-in for every program that the add-in starts: H2Viewer.exe, a
// help program, the browser. Built under the names the tests, the host
// stand-in and the demo give it. Writes its command line and its own path,
// one per line, to a file of its own in the directory that TEMBRIL_RECORD
// names (tests/support/program_records.h reads them), and ends.
#include <windows.h>

#include <stdio.h>
#include <string.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char dir[MAX_PATH];
    DWORD got = GetEnvironmentVariableA("TEMBRIL_RECORD", dir, sizeof dir);
    if (got == 0 || got >= sizeof dir)
        return 1;
    char self[1024] = "";
    GetModuleFileNameA(nullptr, self, sizeof self);
    char part[MAX_PATH + 32], done[MAX_PATH + 32];
    // Named by the time it was started, so that the names sort in that order.
    DWORD started = GetTickCount();
    snprintf(part, sizeof part, "%s\\%010lu-%lu.part", dir, started, GetCurrentProcessId());
    snprintf(done, sizeof done, "%s\\%010lu-%lu.rec", dir, started, GetCurrentProcessId());
    HANDLE file = CreateFileA(part, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    const char* line = GetCommandLineA();
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(strlen(line)), &written, nullptr);
    WriteFile(file, "\n", 1, &written, nullptr);
    WriteFile(file, self, static_cast<DWORD>(strlen(self)), &written, nullptr);
    CloseHandle(file);
    // Renamed when complete, so that a waiting test never reads half a record.
    MoveFileExA(part, done, MOVEFILE_REPLACE_EXISTING);
    return 0;
}
