// The records of the one recorder program (testhost/recorder.cpp), which
// stands in for every program the add-in starts: H2Viewer.exe, a help
// program, the browser. Each started copy leaves one record in the directory
// that TEMBRIL_RECORD names.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct ProgramRecord {
    std::string CommandLine;  // GetCommandLineA of the started program, ANSI bytes
    std::string Module;       // its own path
    // Its arguments, argv[0] first, as CommandLineToArgvW and as the C
    // runtime's __argv split the command line, in ANSI bytes.
    std::vector<std::string> ShellArgv;
    std::vector<std::string> RuntimeArgv;
    std::string Name;  // the record's file: the time the program started, then its process id
};

// The complete records in dir, oldest first.
std::vector<ProgramRecord> ReadRecords(const std::string& dir);

// Waits, at most timeoutMs, until dir holds count records of started
// programs; returns those there are by then.
std::vector<ProgramRecord> WaitForRecords(const std::string& dir, size_t count, DWORD timeoutMs = 20000);
