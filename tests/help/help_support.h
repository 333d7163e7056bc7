// What the help tests share: host records of their own, and where the
// recorder program is (its records: support/program_records.h).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "shell/host/tembril.h"
#include "support/program_records.h"

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

// The recorder, which the build puts beside the test program with the tests' hhctrl.ocx.
std::string RecorderPath();

bool SameTextIgnoringCase(const std::string& a, const std::string& b);
