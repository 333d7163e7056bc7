// A temporary add-in directory with real list and INI files, a host data
// record of the test's own, and the cache closed before and after each test.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "cache/cache.h"
#include "shell/tembril.h"
#include "support/fake_host.h"
#include "support/temp_dir.h"

class CacheTest : public ::testing::Test {
protected:
    static void Set(const std::string& ini, const char* key, const std::string& value)
    {
        WritePrivateProfileStringA("Tembril", key, value.c_str(), ini.c_str());
    }
    static std::string Get(const std::string& ini, const char* key)
    {
        char value[1024];
        GetPrivateProfileStringA("Tembril", key, "?", value, sizeof value, ini.c_str());
        return value;
    }
    // A list file holding title "t", description "d" and the given keyword lines.
    void List(const std::string& name, const std::string& keywordLines, const std::string& head = "t\r\nd\r\n")
    {
        dir.Write(name + ".kwl", head + keywordLines);
    }
    std::string CacheFileSetting() const { return Get(ActiveIni ? ActiveIni : hostIni, "KeywordCacheFile"); }

    // The help target for word, or "<null>"; *after gets the buffer's text afterwards.
    static std::string Lookup(const std::string& word, std::string* after = nullptr)
    {
        char buffer[KeywordBufferSize] = {};
        memcpy(buffer, word.data(), word.size() < KeywordBufferSize ? word.size() : KeywordBufferSize);
        const char* target = LookupKeyword(buffer);
        if (after != nullptr)
            *after = std::string(buffer, strnlen(buffer, KeywordBufferSize));
        return target != nullptr ? target : "<null>";
    }

    TempDir dir;
    FakeHost fakeHost{dir, dir, 0};
    const std::string &addinDir = fakeHost.AddinDir, &hostIni = fakeHost.HostIni;
    const std::string assemblerIni = dir.File("Masm.ini");
    HostDataRecord& data = fakeHost.Data;
};
