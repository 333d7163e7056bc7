// A host of the tests' own: an application directory with its Varnok.ini and an
// add-in directory with keyword lists, each a fresh temporary directory.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "dialog/configdlg.h"
#include "shell/tembril.h"
#include "support/fake_host.h"
#include "support/temp_dir.h"

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ModuleHandle = GetModuleHandleA(nullptr);
        DialogIni[0] = 0;
    }

    void List(const std::string& file, const std::string& title = "Title", const std::string& description = "About")
    {
        addin.Write(file, title + "\r\n" + description + "\r\nkeyword\r\n");
    }
    std::string Value(const std::string& ini, const char* key, const char* section = "Tembril")
    {
        char value[1024];
        GetPrivateProfileStringA(section, key, "<none>", value, sizeof value, app.File(ini).c_str());
        return value;
    }

    TempDir app;
    TempDir addin;
    // A save reopens the real cache; its failure reports are not the dialog's.
    FakeHost fakeHost{addin, app, OptEnable | OptQuiet};
    const std::string &appDir = fakeHost.AppDir, &addinDir = fakeHost.AddinDir, &hostIni = fakeHost.HostIni;
    HostDataRecord& data = fakeHost.Data;
};
