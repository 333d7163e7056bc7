// Runs a program to its end with its standard output and error captured:
// the host stand-in and kwltool, as a script or a user would start them.
#pragma once
#include <windows.h>

#include <string>

struct ProgramRun {
    bool Started = false;
    DWORD ExitCode = 0;
    std::string Output;  // stdout and stderr, as the program wrote them
};

// commandLine as CreateProcessA takes it (the program first, quoted where it
// must be); dir is the program's current directory, empty for ours.
ProgramRun RunAndCapture(const std::string& commandLine, const std::string& dir = "", DWORD timeoutMs = 120000);
