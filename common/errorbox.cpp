#include "common/errorbox.h"

#include <windows.h>

#include "common/dbcs.h"
#include "common/messages.h"
#include "common/options.h"

namespace {

// Room for the description once the widest code ("-2147483648") and the
// fixed text are in the 256-byte box text.
constexpr uint32_t BoxTextSize = 256;
constexpr uint32_t DescriptionRoom = BoxTextSize - 1 - (sizeof(MSG_ERROR_FORMAT) - 1 - 4) - 11;

}  // namespace

void ShowError(uint32_t code)
{
    if (code == 0)
        code = GetLastError();
    char* system = nullptr;
    DWORD got = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, code, 0,
                               reinterpret_cast<char*>(&system), 0, nullptr);
    char description[DescriptionRoom + 1];
    description[0] = 0;
    AppendCut(description, sizeof description, got != 0 && system != nullptr ? system : MSG_UNKNOWN_ERROR);
    char text[BoxTextSize];
    wsprintfA(text, MSG_ERROR_FORMAT, static_cast<int>(code), description);
    MessageBoxA(nullptr, text, nullptr, MB_OK);
    if (system != nullptr)
        LocalFree(system);
}

void ShowFailure(const char* text)
{
    if ((OptionFlags & OptQuiet) == 0)
        MessageBoxA(nullptr, text, nullptr, MB_OK);
}
