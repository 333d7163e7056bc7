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

std::string RecorderPath() { return ProgramDir() + "\\help_recorder.exe"; }

bool SameTextIgnoringCase(const std::string& a, const std::string& b)
{
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}
