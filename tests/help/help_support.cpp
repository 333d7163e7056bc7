#include "help_support.h"

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

std::string TestProgramDir()
{
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string path = self;
    return path.substr(0, path.find_last_of('\\'));
}

std::string RecorderPath() { return TestProgramDir() + "\\help_recorder.exe"; }

bool SameTextIgnoringCase(const std::string& a, const std::string& b)
{
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}
