// The host as the add-in's code sees it when a test calls that code in
// process, with no host at all: HostData names a record of the test's own,
// whose add-in directory and application directory are temporary directories
// of the test (the same one or two apart) and whose Varnok.ini lies in the
// application directory. The record is in force from the making to the end,
// and the end closes the cache and clears the option word, so that no test
// sees what the one before it left. Header only: the harness library knows
// nothing of the add-in, the test programs link it.
#pragma once
#include <stdint.h>

#include <string>

#include "cache/cache.h"
#include "shell/tembril.h"
#include "support/temp_dir.h"

class FakeHost {
public:
    FakeHost(const TempDir& addin, const TempDir& app, uint32_t options)
        : AddinDir(addin.Path()), AppDir(app.Path()), HostIni(app.File("Varnok.ini"))
    {
        CloseCache();
        Data.HostIniPath = HostIni.c_str();
        Data.AppDir = AppDir.c_str();
        Data.AddinDir = AddinDir.c_str();
        HostData = &Data;
        OptionFlags = options;
    }
    ~FakeHost()
    {
        CloseCache();
        HostData = nullptr;
        OptionFlags = 0;
    }
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    const std::string AddinDir, AppDir, HostIni;
    HostDataRecord Data = {};
};
