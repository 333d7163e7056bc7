// What the help tests share: host records of their own, and the records that
// the recorder program leaves behind.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "shell/tembril.h"

// Host records owned by the test, installed in the globals while it lives.
struct FakeHost {
    HostHandlesRecord Handles{};
    HostProcsRecord Procs{};
    HostDataRecord Data{};
    FakeHost();
    ~FakeHost();
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;
};

// The directory of the running test program, where the build puts the
// recorder and the tests' hhctrl.ocx.
std::string TestProgramDir();
std::string RecorderPath();

struct ProgramRecord {
    std::string CommandLine;  // GetCommandLineA of the started program
    std::string Module;       // its own path
};

// Waits, at most timeoutMs, until dir holds count records of started
// programs; returns those there are by then.
std::vector<ProgramRecord> WaitForRecords(const std::string& dir, size_t count, DWORD timeoutMs = 20000);

bool SameTextIgnoringCase(const std::string& a, const std::string& b);
