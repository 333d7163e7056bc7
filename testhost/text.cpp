#include "testhost/text.h"

std::wstring ToWide(const std::string& text, UINT codePage)
{
    int size = text.empty() ? 0
                            : MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(size > 0 ? size : 0, L'\0');
    if (size > 0)
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], size);
    return out;
}

std::string FromWide(const wchar_t* wide, int count, UINT codePage)
{
    int size = count == 0 ? 0 : WideCharToMultiByte(codePage, 0, wide, count, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size : 0, '\0');
    if (size > 0)
        WideCharToMultiByte(codePage, 0, wide, count, &out[0], size, nullptr, nullptr);
    return out;
}

std::string ToUtf8(const wchar_t* wide, int count) { return FromWide(wide, count, CP_UTF8); }
std::string WideToUtf8(const wchar_t* wide) { return ToUtf8(wide, lstrlenW(wide)); }

std::string AnsiToUtf8(const std::string& ansi)
{
    std::wstring wide = ToWide(ansi, CP_ACP);
    return ToUtf8(wide.data(), static_cast<int>(wide.size()));
}

std::string Utf8ToAnsi(const std::string& utf8)
{
    std::wstring wide = ToWide(utf8, CP_UTF8);
    return FromWide(wide.data(), static_cast<int>(wide.size()), CP_ACP);
}
