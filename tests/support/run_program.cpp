#include "support/run_program.h"

#include <vector>

ProgramRun RunAndCapture(const std::string& commandLine, const std::string& dir, DWORD timeoutMs)
{
    ProgramRun run;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return run;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process{};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    run.Started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                 dir.empty() ? nullptr : dir.c_str(), &startup, &process) != FALSE;
    CloseHandle(writeEnd);
    char chunk[4096];
    DWORD got = 0;
    while (run.Started && ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0)
        run.Output.append(chunk, got);
    CloseHandle(readEnd);
    if (run.Started) {
        WaitForSingleObject(process.hProcess, timeoutMs);
        GetExitCodeProcess(process.hProcess, &run.ExitCode);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    return run;
}
