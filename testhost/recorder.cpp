// The one stand-in for every program that the add-in starts: H2Viewer.exe, a
// help program, the browser. Built under the names the tests, the host
// stand-in and the demo give it. Writes to a file of its own in the directory
// that TEMBRIL_RECORD names (tests/support/program_records.h reads them), and
// ends: its command line, its own path, and its arguments as the two readers a
// program may use split them, the shell's CommandLineToArgvW and the C
// runtime's __argv. Every field ends in a NUL, since a keyword may hold a
// line break; a split is its count, then its arguments.
#include <windows.h>

#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

void PutField(HANDLE file, const char* text)
{
    DWORD written = 0;
    WriteFile(file, text, static_cast<DWORD>(strlen(text) + 1), &written, nullptr);
}

void PutCount(HANDLE file, int count)
{
    char text[16];
    snprintf(text, sizeof text, "%d", count);
    PutField(file, text);
}

// In the ANSI code page, the one the add-in's command line was written in.
void PutWideSplit(HANDLE file)
{
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (argv == nullptr) {
        PutCount(file, -1);
        return;
    }
    PutCount(file, count);
    for (int i = 0; i < count; ++i) {
        // A longer argument is recorded cut rather than unterminated.
        char text[2048] = "";
        WideCharToMultiByte(CP_ACP, 0, argv[i], -1, text, sizeof text - 1, nullptr, nullptr);
        text[sizeof text - 1] = 0;
        PutField(file, text);
    }
    LocalFree(argv);
}

void PutRuntimeSplit(HANDLE file)
{
    PutCount(file, __argc);
    for (int i = 0; i < __argc; ++i)
        PutField(file, __argv[i]);
}

}  // namespace

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
    PutField(file, GetCommandLineA());
    PutField(file, self);
    PutWideSplit(file);
    PutRuntimeSplit(file);
    CloseHandle(file);
    // Renamed when complete, so that a waiting test never reads half a record.
    MoveFileExA(part, done, MOVEFILE_REPLACE_EXISTING);
    return 0;
}
