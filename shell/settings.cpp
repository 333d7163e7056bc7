#include "shell/settings.h"

#include <windows.h>

uint32_t ReadSetting(const char* iniPath, const char* key, const char* fallback, char* buffer, uint32_t size,
                     const char* section)
{
    return GetPrivateProfileStringA(section, key, fallback, buffer, size, iniPath);
}

bool WriteSetting(const char* iniPath, const char* key, const char* value)
{
    return WritePrivateProfileStringA(SETTINGS_SECTION, key, value, iniPath) != 0;
}

void DeleteSettings(const char* iniPath) { WritePrivateProfileStringA(SETTINGS_SECTION, nullptr, nullptr, iniPath); }

bool IsOwnSettingsKey(const char* name)
{
    // Keys match as the profile functions match them, in either case.
    return lstrcmpiA(name, KEY_LISTS) == 0 || lstrcmpiA(name, KEY_CACHE_FILE) == 0 ||
           lstrcmpiA(name, KEY_LIST_STAMP) == 0;
}
