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
    // Read until the program ends, not until the pipe does: a process it
    // starts (or one Wine starts for it) can hold the write end for good.
    // A program that outlives the time given is ended, its output kept.
    DWORD startedAt = GetTickCount();
    bool ended = !run.Started;
    while (!ended) {
        ended = WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
        DWORD waiting = 0;
        while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0) {
            char chunk[4096];
            DWORD got = 0;
            if (!ReadFile(readEnd, chunk, waiting < sizeof chunk ? waiting : sizeof chunk, &got, nullptr) || got == 0)
                break;
            run.Output.append(chunk, got);
        }
        if (!ended && GetTickCount() - startedAt >= timeoutMs) {
            TerminateProcess(process.hProcess, WAIT_TIMEOUT);
            run.Output += "\n(ended after the time given)\n";
            ended = true;
        } else if (!ended) {
            WaitForSingleObject(process.hProcess, 5);
        }
    }
    CloseHandle(readEnd);
    if (run.Started) {
        WaitForSingleObject(process.hProcess, 5000);
        GetExitCodeProcess(process.hProcess, &run.ExitCode);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    return run;
}
