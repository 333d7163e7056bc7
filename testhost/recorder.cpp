// A stand-in for a program that the add-in starts: H2Viewer.exe, or a help
// program named as a help target. It records its own name and the command
// line it was given, one line appended to the file that TEMBRIL_OPEN_LOG
// names (else opened.log beside it), and shows it in a box when no host
// asked for a record.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char exe[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    const char* name = strrchr(exe, '\\') != nullptr ? strrchr(exe, '\\') + 1 : exe;

    char log[MAX_PATH] = "";
    bool asked = GetEnvironmentVariableA("TEMBRIL_OPEN_LOG", log, sizeof log) > 0 && log[0] != 0;
    if (!asked) {
        lstrcpynA(log, exe, sizeof log);
        char* slash = strrchr(log, '\\');
        lstrcpyA(slash != nullptr ? slash + 1 : log, "opened.log");
    }

    // The command line as the ANSI bytes it came in, shown as UTF-8.
    const char* commandLine = GetCommandLineA();
    int wideSize = MultiByteToWideChar(CP_ACP, 0, commandLine, -1, nullptr, 0);
    std::wstring wide(wideSize > 0 ? wideSize : 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, commandLine, -1, &wide[0], wideSize);
    int size = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(size > 0 ? size : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &utf8[0], size, nullptr, nullptr);
    utf8.resize(strlen(utf8.c_str()));

    std::string line = std::string(name) + " cmdline=[" + utf8 + "]\r\n";
    for (int attempt = 0; attempt < 50; ++attempt) {
        HANDLE file = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(file);
            break;
        }
        Sleep(20);
    }
    if (!asked)
        MessageBoxW(nullptr, wide.c_str(), L"Tembril: program started", MB_OK);
    return 0;
}
